#pragma once

#include "screens/screen.h"

class QLabel;

// The preliminary plan: the year's total revenues against its total expenses,
// and the way on to the adjustment screen.
class Form8 : public Screen {
    Q_OBJECT
public:
    explicit Form8(PlanState& plan);
    // Entering: computes the preliminary totals and shows them.
    void enter();

signals:
    // "назад": back to the expenses.
    void back();
    // "далее": the amounts the corrections start from are taken and the
    // adjustment stage begins.
    void forward();

protected:
    QWidget* firstInput() const override;

private:
    void onNextClicked();
    // "Сформировать ПФХД": writes the preliminary plan workbook and opens it.
    void onGenerateClicked();

    QLabel* m_revenues = nullptr;
    QLabel* m_expenses = nullptr;
    QWidget* m_generate = nullptr; // Command2
    // False while the last computation held an amount beyond the fixed-point
    // range; the plan then cannot be adjusted.
    bool m_inRange = true;
};
