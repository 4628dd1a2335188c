#include "calc/paid_services.h"

#include "state/plan_state.h"

PaidServiceTotals computePaidServiceTotals(const PlanState& plan)
{
    PaidServiceTotals totals;
    const int count = plan.serviceCountValue();
    for (int i = 1; i <= count; ++i) {
        const ServiceRecord& record = plan.service(i);
        const double quantity = yearQuantity(record);
        totals.revenue += record.price.numeric() * quantity;
        totals.cost += (record.labourCost.numeric() + record.otherCost.numeric()) * quantity;
    }
    return totals;
}
