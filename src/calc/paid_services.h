#pragma once

#include <array>

class AmountReader;
struct PlanState;
struct ServiceRecord;

// A record's month quantities, each taken as a number: per quarter the sum of
// its three months in order, and for the year the sum of the twelve months in
// order from January (not the sum of the quarters, which may round differently).
struct ServiceQuantities {
    std::array<double, 4> quarter{};
    double year = 0.0;
};
ServiceQuantities serviceQuantities(const ServiceRecord& record, const AmountReader& read);

// The year's revenue from the paid services and the year's cost of providing
// them, over records 1 … serviceCount.
struct PaidServiceTotals {
    double revenue = 0.0; // sum of price × yearly quantity
    double cost = 0.0;    // sum of (labour need + other costs) × yearly quantity
};

// Every amount and quantity is taken as a number (a stored list text converted
// under the regional conventions, empty as 0); no rounding is applied.
PaidServiceTotals computePaidServiceTotals(const PlanState& plan);
