#pragma once

#include "screens/screen.h"

class QLabel;
class QLineEdit;

// The founder's assignment: the annual subsidy for the state (municipal) assignment.
class Form2 : public Screen {
    Q_OBJECT
public:
    explicit Form2(Navigator& navigator);

private:
    void command1Click();

    QLineEdit* m_amount = nullptr;
    QLabel* m_error = nullptr;
};
