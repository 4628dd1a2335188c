// Generating the plan workbook runs on a button press and should feel instant:
// a plan with 40 paid services written into a new file in well under 20 ms, and
// not much slower than writing the same cells and formats straight through the
// xlsx library (the durable variant flushes file and folder to disk, as the
// program must before it says the plan is saved).

#include "../tests/workbook/plan_fixture.h"
#include "state/number_rules.h"
#include "workbook/plan_generator.h"
#include "workbook/plan_layout.h"
#include "workbook/sheet_model.h"
#include "workbook/xlsx_renderer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Times one generator writing into a private folder; the files are removed
// outside the timing.
using Generator = GenerationResult (*)(PlanState&, const PlanOpener&, const QString&, const QDateTime&);
void timeGeneration(benchmark::State& state, PlanState& plan, Generator generate) {
    QTemporaryDir dir;
    const PlanOpener open = [](const QString&) { return true; };
    for (auto _ : state) {
        const GenerationResult result = generate(plan, open, dir.path(), {});
        if (!result.written) {
            state.SkipWithError(qPrintable(result.error));
            break;
        }
        state.PauseTiming();
        QFile::remove(result.filePath);
        state.ResumeTiming();
    }
}

void BM_GeneratePreliminaryPlan40(benchmark::State& state) {
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    timeGeneration(state, plan, generatePreliminaryPlan);
}
BENCHMARK(BM_GeneratePreliminaryPlan40)->Unit(benchmark::kMillisecond);

void BM_GenerateCorrectedPlan40(benchmark::State& state) {
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    fixture::enterAdjustment(plan);
    auto items = fixture::allAt("0");
    items[std::size_t(Correction::Food)] = QStringLiteral("-5");
    CalculateAdjustment(plan, items);
    timeGeneration(state, plan, generateCorrectedPlan);
}
BENCHMARK(BM_GenerateCorrectedPlan40)->Unit(benchmark::kMillisecond);

// The library writing the very same workbook straight into a file: every call
// it makes for the plan (cells, formats, merges, borders, row heights, page set-up,
// header and footer) worked out before timing. With `durable`, the file and its
// folder are then flushed to disk, as the program does before it says the plan is
// saved.
void directLibrary(benchmark::State& state, bool durable) {
    QTemporaryDir dir;
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    SheetModel sheet;
    plan::writePreliminaryPlan(plan, sheet);
    const workbook::LibraryCalls calls = workbook::libraryCalls(sheet, planPresentation());
    const QByteArray path = QFile::encodeName(QDir(dir.path()).filePath(QStringLiteral("baseline.xlsx")));
    const QByteArray tmpdir = QFile::encodeName(dir.path());

    for (auto _ : state) {
        const QString error = workbook::makeLibraryCalls(calls, path, tmpdir);
        if (!error.isEmpty()) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        if (durable) {
            const int file = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            const int folder = ::open(tmpdir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (file < 0 || folder < 0 || ::fsync(file) != 0 || ::fsync(folder) != 0) {
                state.SkipWithError("fsync failed");
                break;
            }
            ::close(file);
            ::close(folder);
        }
        state.PauseTiming(); // a new file every time, as the generator makes
        QFile::remove(QFile::decodeName(path));
        state.ResumeTiming();
    }
}
void BM_DirectLibraryBaseline40(benchmark::State& state) {
    directLibrary(state, false);
}
BENCHMARK(BM_DirectLibraryBaseline40)->Unit(benchmark::kMillisecond);
void BM_DirectLibraryBaselineDurable40(benchmark::State& state) {
    directLibrary(state, true);
}
BENCHMARK(BM_DirectLibraryBaselineDurable40)->Unit(benchmark::kMillisecond);

// The file alone, from a finished sheet.
void BM_RenderOnly40(benchmark::State& state) {
    QTemporaryDir dir;
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    SheetModel sheet;
    plan::writePreliminaryPlan(plan, sheet);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("render.xlsx"));
    for (auto _ : state) {
        const QString error = workbook::renderXlsx(sheet, path);
        if (!error.isEmpty()) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RenderOnly40)->Unit(benchmark::kMillisecond);

// The layout alone, into the recording model (no file).
void BM_LayoutOnly40(benchmark::State& state) {
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    for (auto _ : state) {
        SheetModel sheet;
        plan::writePreliminaryPlan(plan, sheet);
        benchmark::DoNotOptimize(sheet.lastRow());
    }
}
BENCHMARK(BM_LayoutOnly40)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    numbers::applyRegionalConventions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
