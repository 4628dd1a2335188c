#pragma once

#include "screens/screen.h"

class QComboBox;
class QLabel;
class QLineEdit;

// The welcome screen: who draws up the plan and for which institution.
class Form1 : public Screen {
    Q_OBJECT
public:
    explicit Form1(Navigator& navigator);

protected:
    QWidget* firstInput() const override;

private:
    void command1Click();

    QLineEdit* m_surname = nullptr;
    QLineEdit* m_firstInitial = nullptr;
    QLineEdit* m_patronymicInitial = nullptr;
    QLineEdit* m_institution = nullptr;
    QComboBox* m_settlement = nullptr;
    QLabel* m_error = nullptr;
};
