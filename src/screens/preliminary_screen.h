#pragma once

#include "screens/screen.h"

class QLabel;

// The preliminary plan: the year's total revenues against its total expenses,
// and the way on to the adjustment screen.
class Form8 : public Screen {
    Q_OBJECT
public:
    explicit Form8(Navigator& navigator);
    // Computes the preliminary totals and shows them (called once the screen is shown).
    void computeAndShow();

protected:
    QWidget* firstInput() const override;

private slots:
    void command1Click(); // "далее": prepares the adjustment screen and moves on
    void command3Click(); // "назад": back to the expenses
    // "Сформировать ПФХД": writes the preliminary plan workbook and opens it.
    void generatePlanWorkbook();

private:
    QLabel* m_revenues = nullptr;
    QLabel* m_expenses = nullptr;
    QWidget* m_generate = nullptr; // Command2
    // False while the last computation held an amount beyond the fixed-point
    // range; the plan then cannot be adjusted.
    bool m_inRange = true;
};
