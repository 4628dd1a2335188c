// Start-up probe: does what main does, then quits as soon as the welcome screen
// has been shown and painted. With "--make-draft" it leaves the draft of a full
// plan (40 services, every category) for the starts that follow, which then read
// it and offer to continue it. Timed from outside by bench/startup.sh against
// probe_bare, a bare Qt program.

#include "first_paint.h"
#include "full_plan.h"
#include "screens/desktop_opener.h"
#include "state/number_rules.h"
#include "wizard/wizard.h"

#include <QApplication>

#include <cstring>

int main(int argc, char* argv[]) {
    const bool makeDraft = argc > 1 && std::strcmp(argv[1], "--make-draft") == 0;
    QApplication app(argc, argv);
    new QuitAfterFirstPaint(app);
    numbers::applyRegionalConventions();
    desktop::installOpener();
    const auto wizard = Wizard::launch(QString());
    if (makeDraft) {
        fillFullPlan(wizard->plan());
        wizard->createScreens();
        wizard->saveDraft();
    }
    return app.exec();
}
