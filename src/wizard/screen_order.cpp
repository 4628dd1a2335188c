// The order of the screens: what each screen's report leads to, one transition
// each. Every transition ends by writing the draft, so that a closed window or a
// crash loses nothing.

#include "wizard/wizard.h"

#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"

namespace {

template <typename S, typename Signal, typename Transition>
void on(S& screen, Signal signal, Wizard* wizard, Transition transition) {
    QObject::connect(&screen, signal, &screen, [wizard, transition] {
        transition();
        wizard->saveDraft();
    });
}

} // namespace

void Wizard::connectScreenOrder() {
    for (Screen* screen : screens()) {
        if (screen == m_form1.get())
            continue; // connected as it is made
        QObject::connect(screen, &Screen::stepTaken, screen, [this] { saveDraft(); });
        QObject::connect(screen, &Screen::closed, screen, [this] { endProgram(); });
    }
    on(form2(), &Form2::forward, this, [this] { openPaidServicesInstructions(form2()); });
    on(form4(), &Form4::backToAssignment, this, [this] { leaveFor(form4(), form2()); });
    on(form4(), &Form4::finished, this, [this] { servicesDone(); });
    on(form5(), &Form5::forward, this, [this] { leaveFor(form5(), form6()); });
    on(form5(), &Form5::changeServices, this, [this] { openPaidServicesInstructions(form5()); });
    // Back to the instruction page, not to the summary.
    on(form6(), &Form6::back, this, [this] { openPaidServicesInstructions(form6()); });
    on(form6(), &Form6::forward, this, [this] { leaveFor(form6(), form7()); });
    // Back on the page the other revenues were left on (normally the parental fee).
    on(form7(), &Form7::back, this, [this] { leaveFor(form7(), form6()); });
    // The figures are there before the screen is, so that it appears with them.
    on(form7(), &Form7::forward, this, [this] {
        form8().enter();
        leaveFor(form7(), form8());
    });
    on(form8(), &Form8::back, this, [this] { leaveFor(form8(), form7()); });
    // From here on there is no way back to the input screens but the paid
    // services editor.
    on(form8(), &Form8::forward, this, [this] {
        form9().enter();
        leaveFor(form8(), form9());
    });
    // "пересчитать": the record editor at record 1 over the disabled adjustment screen.
    on(form9(), &Form9::revisionAsked, this, [this] {
        form4().openServiceEditor();
        setScreenEnabled(form9(), false);
        showScreen(form4());
    });
}

// "начать": every other screen is made, and the assignment follows.
void Wizard::welcomeDone() {
    createScreens();
    leaveFor(*m_form1, form2());
    saveDraft();
}

// Before the adjustment the records lead on to their summary; in the revision,
// back to the adjustment screen, which recalculates with them before it takes the
// keyboard back.
void Wizard::servicesDone() {
    if (m_plan.adjustmentStage.toInt() == 0) {
        form5().enter();
        leaveFor(form4(), form5());
        return;
    }
    hideScreen(form4());
    form9().recalculate();
    setScreenEnabled(form9(), true);
}

// The paid services instruction page: the assignment shows it before hiding
// itself; the summary and the other revenues hide first and also hide the
// record editor page.
void Wizard::openPaidServicesInstructions(Screen& caller) {
    const bool fromAssignment = &caller == m_form2.get();
    form4().enterInstructions(!fromAssignment);
    if (fromAssignment) {
        showScreen(form4());
        hideScreen(caller);
    } else {
        leaveFor(caller, form4());
    }
}

void Wizard::leaveFor(QWidget& leaving, QWidget& entering) {
    hideScreen(leaving);
    showScreen(entering);
}
