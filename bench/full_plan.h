#pragma once

// A full plan for the benchmarks: 40 services of list texts, every category typed
// per quarter (texts, some with a decimal comma) and its total as a number.

#include "calc/preliminary.h"
#include "state/number_rules.h"
#include "state/plan_state.h"

inline void fillFullPlan(PlanState& plan) {
    plan.founderSubsidy = *FixedAmount::fromText(QStringLiteral("25000000"));
    plan.investments.total = 1500000.0;
    plan.parentFee.total = QStringLiteral("2400000");
    plan.serviceCount = PlanState::kMaxServices;
    plan.currentService = 1;
    for (int i = 1; i <= PlanState::kMaxServices; ++i) {
        ServiceRecord& record = plan.service(i);
        record.name = QStringLiteral("Услуга для детей старшей группы № %1").arg(i);
        record.kind = FixedAmount::fromUnits((i % 2 + 1) * FixedAmount::kScale);
        record.price = QString::number(10 * (100 + i));
        record.labourCost = QString::number(10 * (30 + i));
        record.otherCost = QString::number(10 * (10 + i));
        for (int m = 0; m < ServiceRecord::kMonths; ++m)
            record.qty[static_cast<std::size_t>(m)] = QString::number((i + m) % 25);
    }
    for (int c = 0; c < kCategoryCount; ++c) {
        Family& family = plan.expense(static_cast<Category>(c));
        double total = 0.0;
        for (int k = 0; k < 4; ++k) {
            const QString text = k == 1 ? QStringLiteral("%1,5").arg(100000 * (c + 1) + k)
                                        : QString::number(100000 * (c + 1) + k);
            family.q[static_cast<std::size_t>(k)] = text;
            total += numbers::toNumber(text);
        }
        family.total = total;
    }
    plan.materials.q[3] = *FixedAmount::fromText(QStringLiteral("1200003"));
    ComputePreliminaryTotals(plan);
    beginAdjustment(plan);
    plan.correctionsEnabled = 1;
    computeInitialDeficit(plan);
}
