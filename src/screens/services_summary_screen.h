#pragma once

#include "screens/screen.h"

class QLabel;

// The paid services summary: the year's revenue and cost of the paid services.
class Form5 : public Screen {
    Q_OBJECT
public:
    explicit Form5(Navigator& navigator);
    // The two figures, in the plain text form of the numbers.
    void showTotals(double revenue, double cost);

protected:
    QWidget* firstInput() const override;

private:
    void command1Click();
    void command2Click();

    QLabel* m_revenue = nullptr; // Label1
    QLabel* m_cost = nullptr;    // Label6
    QWidget* m_next = nullptr;   // Command1
};
