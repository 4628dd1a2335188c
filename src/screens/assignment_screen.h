#pragma once

#include "screens/screen.h"

class QLabel;
class QLineEdit;

// The founder's assignment: the annual subsidy for the state (municipal) assignment.
class Form2 : public Screen {
    Q_OBJECT
public:
    explicit Form2(PlanState& plan);

signals:
    // "далее" with the subsidy stored.
    void forward();

protected:
    QWidget* firstInput() const override;

private:
    void onNextClicked();

    QLineEdit* m_amount = nullptr;
    QWidget* m_next = nullptr; // Command1
    QLabel* m_error = nullptr;
};
