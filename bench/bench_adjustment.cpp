// CalculateAdjustment runs on every choice in a correction list; it has to keep
// up with a person scrolling through the list with the arrow keys.

#include "calc/adjustment.h"
#include "calc/preliminary.h"
#include "state/number_rules.h"
#include "state/plan_state.h"

#include <benchmark/benchmark.h>

namespace {

// A full plan: 40 services of list texts, every category typed per quarter
// (texts, some with a decimal comma) and its total as a number.
PlanState fullPlan()
{
    PlanState plan;
    plan.founderSubsidy = *FixedAmount::fromText(QStringLiteral("25000000"));
    plan.investments.total = 1500000.0;
    plan.parentFee.total = QStringLiteral("2400000");
    plan.serviceCount = PlanState::kMaxServices;
    for (int i = 1; i <= PlanState::kMaxServices; ++i) {
        ServiceRecord& record = plan.service(i);
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
    return plan;
}

void BM_CalculateAdjustment(benchmark::State& state)
{
    numbers::applyRegionalConventions();
    PlanState plan = fullPlan();
    const std::array<QString, kCorrectionCount> items = {
        QStringLiteral("-5"),    QStringLiteral("10"),  QStringLiteral("-99,5"), QStringLiteral("0,5"),
        QStringLiteral("100"),   QStringLiteral("-100"), QStringLiteral("3"),    QStringLiteral("-12,5"),
        QStringLiteral("7"),     QStringLiteral("-1"),  QStringLiteral("50"),
    };
    for (auto _ : state) {
        AdjustmentFigures figures = CalculateAdjustment(plan, items);
        benchmark::DoNotOptimize(figures);
    }
}
BENCHMARK(BM_CalculateAdjustment)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
