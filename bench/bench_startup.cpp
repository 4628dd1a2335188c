// Building every screen behind the welcome screen's "начать" happens while the
// person waits; the paid services screen with its fifteen long lists is the bulk
// of it. Goal: "начать" to the founder's assignment shown in under 60 ms.

#include "screens/assignment_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "wizard/wizard.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The welcome screen filled in, ready for "начать".
std::unique_ptr<Wizard> filledWelcome()
{
    auto wizard = Wizard::launch();
    wizard->setEndHandler([] {});
    Form1& welcome = wizard->form1();
    welcome.findChild<QLineEdit*>(QStringLiteral("Text4"))->setText(QStringLiteral("Детский сад № 5"));
    welcome.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(1);
    QCoreApplication::processEvents();
    return wizard;
}

// "начать" until the founder's assignment is shown and painted.
void BM_StartToAssignment(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto wizard = filledWelcome();
        auto* start = wizard->form1().findChild<QPushButton*>(QStringLiteral("Command1"));
        state.ResumeTiming();

        start->click();
        QCoreApplication::processEvents();
        if (!wizard->screensCreated() || !wizard->form2().isVisible())
            state.SkipWithError("the founder's assignment is not shown");

        state.PauseTiming();
        wizard.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToAssignment)->Unit(benchmark::kMillisecond)->UseRealTime();

// The paid services screen on its own.
void BM_PaidServicesScreen(benchmark::State& state)
{
    auto wizard = filledWelcome();
    for (auto _ : state) {
        Form4 screen(wizard->plan());
        benchmark::DoNotOptimize(&screen);
    }
}
BENCHMARK(BM_PaidServicesScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    numbers::applyRegionalConventions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
