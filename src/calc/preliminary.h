#pragma once

struct PlanState;

// The figures of the preliminary plan screen.
struct PreliminaryTotals {
    // False when an amount held as a fixed-point number (the other costs of the
    // paid services in the fourth quarter, or the wages net of paid services)
    // would leave the fixed-point range, or a sum is too large for a double; the
    // plan is then left as it was.
    bool inRange = true;
    double revenues = 0.0; // all revenues of the year
    double expenses = 0.0; // all expenses of the year, accruals on pay included
};

// Sums the paid services' labour and other-cost needs per quarter, stores the
// wages and other expenses net of them, and returns the year's total revenues
// and expenses.
PreliminaryTotals ComputePreliminaryTotals(PlanState& plan);

// All expenses of the year from the current category totals: every category
// plus the accruals on pay (wages and other payments).
double totalExpenses(const PlanState& plan);

// The first steps of entering the adjustment screen: the paid-service result as
// it stands, the adjustment stage, and the reference copies of the amounts that
// the corrections start from (wages and other expenses net of paid services,
// the other ten categories in full; every copy keeps its kind).
void beginAdjustment(PlanState& plan);

// Expenses minus all revenues, stored as initialDeficit and returned; positive
// is a deficit, negative a surplus.
double computeInitialDeficit(PlanState& plan);
