// Start-up probe: does what main does, then quits as soon as the welcome screen
// has been shown and painted. With "--bare" it shows an empty window instead, as
// the yardstick of a bare Qt program. With "--make-draft" it leaves the draft of a
// full plan (40 services, every category) for the starts that follow, which then
// read it and offer to continue it. Timed from outside by bench/startup.sh.

#include "full_plan.h"
#include "state/number_rules.h"
#include "wizard/wizard.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstring>
#include <memory>

int main(int argc, char* argv[])
{
    const bool bare = argc > 1 && std::strcmp(argv[1], "--bare") == 0;
    const bool makeDraft = argc > 1 && std::strcmp(argv[1], "--make-draft") == 0;
    QApplication app(argc, argv);
    std::unique_ptr<Wizard> wizard;
    std::unique_ptr<QWidget> window;
    if (bare) {
        window = std::make_unique<QWidget>();
        window->resize(648, 325);
        window->show();
    } else {
        numbers::applyRegionalConventions();
        wizard = Wizard::start(QString());
        if (makeDraft) {
            fillFullPlan(wizard->plan());
            wizard->createScreens();
            wizard->saveDraft();
        }
    }
    // Quit once the event loop has run the first paint of the shown window.
    QTimer::singleShot(0, &app, [] { QCoreApplication::quit(); });
    return app.exec();
}
