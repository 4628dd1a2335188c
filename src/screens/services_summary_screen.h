#pragma once

#include "screens/screen.h"

class QLabel;

// The paid services summary: the year's revenue and cost of the paid services.
class Form5 : public Screen {
    Q_OBJECT
public:
    explicit Form5(PlanState& plan);
    // Entering: the two totals as the plan holds them, in the plain text form of
    // the numbers.
    void enter();

signals:
    // "далее".
    void forward();
    // "изменить параметры услуг": always the instruction page, never the record editor.
    void changeServices();

protected:
    QWidget* firstInput() const override;

private:
    QLabel* m_revenue = nullptr; // Label1
    QLabel* m_cost = nullptr;    // Label6
    QWidget* m_next = nullptr;   // Command1
};
