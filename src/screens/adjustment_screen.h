#pragma once

#include "screens/screen.h"
#include "state/plan_state.h"

#include <array>

class Figure;
class QComboBox;
class QLabel;
class QStringListModel;

// The adjustment screen: eleven percentage corrections of the expenses, the
// change of the paid-service result and the resulting surplus or deficit.
class Form9 : public Screen {
    Q_OBJECT
public:
    explicit Form9(PlanState& plan);

    // Entering from the preliminary plan: every correction back to "0", the
    // calculation enabled, the balance as the plan stands.
    void enter();
    // Recalculates the adjustment from the chosen corrections (after the paid
    // services editor hands back).
    void recalculate();

    // The chosen corrections and whether the figures were calculated from them;
    // put back, the figures are worked out again from the restored plan.
    QJsonObject entriesOut() const override;
    void entriesBack(const QJsonObject& entries) override;

signals:
    // "пересчитать": the paid services are to be revised.
    void revisionAsked();

protected:
    QWidget* firstInput() const override;
    void changeEvent(QEvent* event) override;

private:
    void onCorrectionChosen(std::size_t correction); // any of the eleven lists
    // Tells screen readers the figures through the lists' descriptions.
    void tellFigures();
    // Has a screen reader read out what a correction chosen changed.
    void tellCorrection(std::size_t correction);
    // "Сформировать ПФХД": writes the corrected plan workbook and opens it.
    void onGenerateClicked();
    // Shows a balance (positive: deficit, negative: surplus) on the bottom line.
    void showBalance(double balance);
    // Every change amount in full between its brackets: a longer one widens them.
    void fitChangesInBrackets();
    // Calculates from the chosen corrections into `state` and shows the figures.
    void calculate(PlanState& state);

    QStringListModel* m_items = nullptr;                // the 401 items, shared by every list
    std::array<QComboBox*, kCorrectionCount> m_lists{}; // Combo1 … Combo11
    std::array<Figure*, kCorrectionCount> m_changes{};  // Label102 … Label112
    Figure* m_paidResultChange = nullptr;               // Label101
    std::array<QLabel*, kCorrectionCount> m_brackets{}; // Label9 … Label47, around the changes
    std::array<int, kCorrectionCount> m_valueTops{};    // where each row stands, in twips
    QLabel* m_paidBrackets = nullptr;                   // Label6
    QLabel* m_balanceCaption = nullptr;                 // Label1
    Figure* m_balance = nullptr;                        // Label100
    bool m_inRange = true;                              // whether the last calculation could hold its amounts
    bool m_calculated = false; // whether the figures come from a calculation since the screen was entered
};
