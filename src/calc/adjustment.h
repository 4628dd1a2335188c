#pragma once

#include "state/plan_state.h"

#include <QString>
#include <QStringView>

#include <array>

// The figures of the adjustment screen after a calculation.
struct AdjustmentFigures {
    // False when an amount held as a fixed-point number (the paid services' other
    // costs of the year, the fourth quarter of material reserves or the balance)
    // would leave the fixed-point range, or any figure is too large for a double;
    // the plan is then left as it was and the
    // other figures carry no meaning.
    bool inRange = true;
    // How much the paid-service result (revenue minus labour and other costs)
    // has changed since the adjustment screen was entered.
    double paidResultChange = 0.0;
    // The balance (planDeficit): expenses minus revenues; negative is a surplus.
    double balance = 0.0;
    // The amount each correction adds to or removes from its category, in list
    // order (Correction); the wages entry includes the accruals on pay.
    std::array<double, kCorrectionCount> changes{};
};

// How a balance is shown: a surplus as its amount, a deficit (zero included) as
// its amount; `amount` is never negative.
struct BalanceLine {
    bool deficit = true;
    double amount = 0.0;
};
BalanceLine balanceLine(double balance);

// A correction list item ("-99,5", always a decimal comma) as a fraction (-0.995).
double correctionFraction(QStringView item);

// Recomputes the paid-service figures from the records, every expense category
// from its reference copy and the chosen percentages (`chosenItems` holds the
// texts of the eleven lists in list order), and the balance.
AdjustmentFigures CalculateAdjustment(PlanState& plan, const std::array<QString, kCorrectionCount>& chosenItems);
