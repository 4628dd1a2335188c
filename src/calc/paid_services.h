#pragma once

struct PlanState;

// The year's revenue from the paid services and the year's cost of providing
// them, over records 1 … serviceCount.
struct PaidServiceTotals {
    double revenue = 0.0; // sum of price × yearly quantity
    double cost = 0.0;    // sum of (labour need + other costs) × yearly quantity
};

// Every amount and quantity is taken as a number (a stored list text converted
// under the regional conventions, empty as 0); no rounding is applied.
PaidServiceTotals computePaidServiceTotals(const PlanState& plan);
