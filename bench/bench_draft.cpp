// The draft is written after every step the user completes; writing it must not
// be felt. A plan with 40 services and every category filled, all screens
// created, written through the program's own path: the screens' entries, the
// encoding, a new file flushed to the disk and renamed over the old one.

#include "full_plan.h"
#include "wizard/wizard.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Program {
    QTemporaryDir folder;
    std::unique_ptr<Wizard> wizard;

    Program() {
        numbers::applyRegionalConventions();
        wizard = Wizard::launch(folder.path());
        fillFullPlan(wizard->plan());
        wizard->createScreens();
    }
};

void BM_EncodeDraft(benchmark::State& state) {
    Program program;
    for (auto _ : state) {
        const QByteArray bytes = draft::encode(QDateTime::currentDateTime(), program.wizard->plan(), {});
        benchmark::DoNotOptimize(bytes.size());
    }
}
BENCHMARK(BM_EncodeDraft)->Unit(benchmark::kMicrosecond);

void BM_SaveDraft(benchmark::State& state) {
    Program program;
    for (auto _ : state)
        program.wizard->saveDraft();
    state.counters["bytes"] = double(QFileInfo(program.wizard->draftPath()).size());
}
BENCHMARK(BM_SaveDraft)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
