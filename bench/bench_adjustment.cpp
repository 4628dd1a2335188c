// CalculateAdjustment runs on every choice in a correction list; it has to keep
// up with a person scrolling through the list with the arrow keys.

#include "calc/adjustment.h"
#include "full_plan.h"

#include <benchmark/benchmark.h>

namespace {

PlanState fullPlan()
{
    PlanState plan;
    fillFullPlan(plan);
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
