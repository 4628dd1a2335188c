#include "calc/paid_services.h"

#include "calc/amount_reader.h"
#include "state/plan_state.h"

ServiceQuantities serviceQuantities(const ServiceRecord& record, const AmountReader& read) {
    std::array<double, ServiceRecord::kMonths> month{};
    for (std::size_t m = 0; m < month.size(); ++m)
        month[m] = read(record.qty[m]);
    ServiceQuantities quantities;
    for (std::size_t k = 0; k < 4; ++k)
        quantities.quarter[k] = month[3 * k] + month[3 * k + 1] + month[3 * k + 2];
    for (const double m : month)
        quantities.year += m;
    return quantities;
}

PaidServiceTotals computePaidServiceTotals(const PlanState& plan)
{
    const AmountReader read;
    PaidServiceTotals totals;
    const int count = plan.serviceCountValue();
    for (int i = 1; i <= count; ++i) {
        const ServiceRecord& record = plan.service(i);
        const double quantity = serviceQuantities(record, read).year;
        totals.revenue += read(record.price) * quantity;
        totals.cost += (read(record.labourCost) + read(record.otherCost)) * quantity;
    }
    return totals;
}
