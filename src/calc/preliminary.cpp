#include "calc/preliminary.h"

#include "calc/amount_reader.h"
#include "calc/paid_services.h"
#include "state/plan_state.h"

#include <array>
#include <cmath>
#include <optional>

namespace {

double expensesFromTotals(const PlanState& plan, const AmountReader& read)
{
    const double wages = read(plan.wages.total);
    const double otherPayments = read(plan.otherPayments.total);
    return wages + otherPayments + kPayrollChargeRate * (wages + otherPayments) + read(plan.communication.total)
           + read(plan.transport.total) + read(plan.utilities.total) + read(plan.rent.total)
           + read(plan.maintenance.total) + read(plan.otherServices.total) + read(plan.food.total)
           + read(plan.otherExpenses.total) + read(plan.fixedAssets.total) + read(plan.materials.total);
}

} // namespace

PreliminaryTotals ComputePreliminaryTotals(PlanState& plan)
{
    const AmountReader read;

    // 4-5. The two figures; they do not depend on the paid services' needs.
    PreliminaryTotals totals;
    totals.revenues = read(plan.founderSubsidy) + read(plan.investments.total) + read(plan.paidRevenue.total)
                      + read(plan.parentFee.total);
    totals.expenses = expensesFromTotals(plan, read);

    // 1-2. The paid services' needs per quarter; the fourth quarter's other costs
    // are held as a fixed-point amount and rounded after every service.
    std::array<double, 4> labour{};
    std::array<double, 3> other{};
    FixedAmount otherQ4{};
    const int count = plan.serviceCountValue();
    for (int i = 1; i <= count; ++i) {
        const ServiceRecord& record = plan.service(i);
        const std::array<double, 4> quantity = serviceQuantities(record, read).quarter;
        const double labourCost = read(record.labourCost);
        for (std::size_t k = 0; k < 4; ++k)
            labour[k] += quantity[k] * labourCost;
        const double otherCost = read(record.otherCost);
        for (std::size_t k = 0; k < 3; ++k)
            other[k] += quantity[k] * otherCost;
        const auto q4 = FixedAmount::fromDouble(otherQ4.toDouble() + quantity[3] * otherCost);
        if (!q4) {
            totals.inRange = false;
            return totals;
        }
        otherQ4 = *q4;
    }

    // 3. Year sums.
    const double labourTotal = labour[0] + labour[1] + labour[2] + labour[3];
    const double otherTotal = other[0] + other[1] + other[2] + otherQ4.toDouble();

    // 6. Wages net of the paid services' labour: the year amount is fixed-point.
    const auto baseWagesTotal = FixedAmount::fromDouble(read(plan.wages.total) - labourTotal);
    if (!baseWagesTotal) {
        totals.inRange = false;
        return totals;
    }
    std::array<double, 4> baseWages{};
    std::array<double, 4> baseOther{};
    for (std::size_t k = 0; k < 4; ++k)
        baseWages[k] = read(plan.wages.q[k]) - labour[k];
    for (std::size_t k = 0; k < 3; ++k)
        baseOther[k] = read(plan.otherExpenses.q[k]) - other[k];
    baseOther[3] = read(plan.otherExpenses.q[3]) - otherQ4.toDouble();
    const double baseOtherTotal = read(plan.otherExpenses.total) - otherTotal;

    // A sum that overflowed a double cannot be held either.
    bool finite = std::isfinite(totals.revenues) && std::isfinite(totals.expenses) && std::isfinite(labourTotal)
                  && std::isfinite(otherTotal) && std::isfinite(baseOtherTotal);
    for (std::size_t k = 0; k < 4; ++k)
        finite = finite && std::isfinite(labour[k]) && std::isfinite(baseWages[k]) && std::isfinite(baseOther[k]);
    if (!finite) {
        totals.inRange = false;
        return totals;
    }

    // Every amount fits: store them.
    for (std::size_t k = 0; k < 4; ++k)
        plan.servicesLabour.q[k] = labour[k];
    for (std::size_t k = 0; k < 3; ++k)
        plan.servicesOther.q[k] = other[k];
    plan.servicesOther.q[3] = otherQ4;
    plan.servicesLabour.total = labourTotal;
    plan.servicesOther.total = otherTotal;

    for (std::size_t k = 0; k < 4; ++k)
        plan.baseWages.q[k] = baseWages[k];
    plan.baseWages.total = *baseWagesTotal;
    for (std::size_t k = 0; k < 4; ++k)
        plan.baseOtherExpenses.q[k] = baseOther[k];
    plan.baseOtherExpenses.total = baseOtherTotal;
    return totals;
}

double totalExpenses(const PlanState& plan) { return expensesFromTotals(plan, AmountReader()); }

void beginAdjustment(PlanState& plan)
{
    const AmountReader read;
    plan.paidResultRef = read(plan.paidRevenue.total) - read(plan.paidCostTotal);
    plan.adjustmentStage = 1;

    plan.baseWagesRef = plan.baseWages;
    plan.baseOtherExpensesRef = plan.baseOtherExpenses;
    for (int c = 0; c < kCategoryCount; ++c) {
        const auto category = static_cast<Category>(c);
        if (category == Category::Wages || category == Category::OtherExpenses)
            continue; // their copies are the net amounts above
        plan.reference(category) = plan.expense(category);
    }
}

double computeInitialDeficit(PlanState& plan)
{
    const AmountReader read;
    const double deficit = totalExpenses(plan) - read(plan.paidRevenue.total) - read(plan.investments.total)
                           - read(plan.founderSubsidy) - read(plan.parentFee.total);
    plan.initialDeficit = deficit;
    return deficit;
}
