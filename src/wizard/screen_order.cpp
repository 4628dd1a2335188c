// How the wizard goes: its start with the welcome screen alone, the order of the
// screens (what each screen's report leads to, one transition each) and a draft
// continued through the same entry functions. Every transition ends by writing
// the draft, so that a closed window or a crash loses nothing. The screens
// themselves, where their windows go and the draft kept are the wizard's
// registry (wizard.cpp), which knows nothing of this order.

#include "wizard/wizard.h"

#include "screens/accessibility.h"
#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/entry_pages.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "screens/windows_style.h"

#include "state/number_rules.h"
#include "state/user_folders.h"
#include "workbook/plan_generator.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

namespace {

// Qt's own texts (the context menu of every text box, the buttons of its
// dialogs) in the language of the user's desktop. Loaded once per application.
void installToolkitTranslations()
{
    QCoreApplication* app = QCoreApplication::instance();
    const QString name = QStringLiteral("toolkitTranslations");
    if (!app || app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* translator = new QTranslator(app);
    translator->setObjectName(name); // kept even when the language has none, so it is looked for once
    if (translator->load(numbers::regionalLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

// Планиум's own icon in every window's title bar and the task switcher: the
// theme icon the package installs, else the drawing built into the program. Set
// once the first window has been painted: the drawing needs an image plugin and
// its library loaded, and a desktop draws the icon for each window that has one,
// work that need not stand between the start and the first screen.
class WindowIconAfterFirstPaint final : public QObject {
public:
    static inline const QString kName = QStringLiteral("windowIconAfterFirstPaint");

    WindowIconAfterFirstPaint()
        : QObject(QCoreApplication::instance()) {
        setObjectName(kName);
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Once the pass that paints the window is over.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (QGuiApplication::windowIcon().isNull())
                        QGuiApplication::setWindowIcon(QIcon::fromTheme(
                            QStringLiteral("planium"), QIcon(QStringLiteral(":/icons/planium.svg"))));
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

void installWindowIcon()
{
#ifdef Q_OS_WIN
    return; // the icon of the executable's resources (IDI_ICON1) is every window's own
#endif
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QGuiApplication::windowIcon().isNull() &&
        !app->findChild<QObject*>(WindowIconAfterFirstPaint::kName, Qt::FindDirectChildrenOnly))
        new WindowIconAfterFirstPaint;
}

template <typename S, typename Signal, typename Transition>
void on(S& screen, Signal signal, Wizard* wizard, Transition transition) {
    QObject::connect(&screen, signal, &screen, [wizard, transition] {
        transition();
        wizard->saveDraft();
    });
}

} // namespace

std::unique_ptr<Wizard> Wizard::launch() {
#ifdef Q_OS_WIN
    look::installWindowsStyle();
#endif
    installToolkitTranslations();
    installWindowIcon();
    screenReader::install();
    auto wizard = std::make_unique<Wizard>();
    wizard->m_form1 = std::make_unique<Form1>(wizard->m_plan);
    Form1* welcome = wizard->m_form1.get();
    Wizard* w = wizard.get();
    QObject::connect(welcome, &Form1::started, welcome, [w] { w->welcomeDone(); });
    QObject::connect(welcome, &Form1::continueAsked, welcome, [w](int index) { w->continueDraft(index); });
    QObject::connect(welcome, &Screen::closed, welcome, [w] { w->endProgram(); });
    welcome->describeForScreenReaders();
    wizard->showScreen(*welcome);
    return wizard;
}

std::unique_ptr<Wizard> Wizard::launch(const QString& draftFolder) {
    userFolders::ignoreRelativeXdgPaths();
    auto drafts = std::make_unique<draft::Store>(draftFolder);
    draft::Store::Found found = drafts->look();
    auto wizard = launch();
    wizard->m_drafts = std::move(drafts);
    wizard->m_typingPause = std::make_unique<QTimer>();
    wizard->m_typingPause->setSingleShot(true);
    wizard->m_typingPause->setInterval(1000);
    QObject::connect(wizard->m_typingPause.get(), &QTimer::timeout, wizard->m_typingPause.get(),
                     [w = wizard.get()] { w->saveDraft(); });
    QList<Form1::DraftOffer> offers;
    for (const draft::Store::Waiting& waiting : found.drafts) {
        offers.append({waiting.contents.written, waiting.contents.plan.institutionName.toText()});
        wizard->m_keepOwnDraft = wizard->m_keepOwnDraft || waiting.path == wizard->draftPath();
    }
    wizard->m_waiting = std::move(found.drafts);
    wizard->m_form1->offerDrafts(offers);
    if (found.unreadable) {
        qWarning("A draft could not be read (%s) and was put aside as %s", qUtf8Printable(found.why),
                 qUtf8Printable(found.putAside));
        wizard->m_form1->reportBadDraft(found.putAside);
    }
    // Said from the start when no draft can be kept at all.
    wizard->tellDraftSaved(wizard->m_drafts->problem().isEmpty()
                               ? files::WriteResult{}
                               : files::WriteResult{files::WriteError::Other, wizard->m_drafts->problem()});
    // What publishing workbooks left behind when a run ended in the middle of it.
    files::removeLeftovers(plansFolder(), QStringLiteral("ПФХД "));
    return wizard;
}

void Wizard::createScreens()
{
    if (m_form2)
        return;
    m_form2 = std::make_unique<Form2>(m_plan);
    m_form4 = std::make_unique<Form4>(m_plan);
    m_form5 = std::make_unique<Form5>(m_plan);
    m_form6 = std::make_unique<Form6>(m_plan);
    m_form7 = std::make_unique<Form7>(m_plan);
    m_form8 = std::make_unique<Form8>(m_plan);
    m_form9 = std::make_unique<Form9>(m_plan);
    for (Screen* screen : screens()) {
        if (screen == m_form1.get())
            continue;
        screen->describeForScreenReaders();
        if (screen != m_form2.get())
            screen->orderTabsByPosition();
    }
    connectScreenOrder();
    for (Screen* screen : screens())
        screen->setStandingNotice(m_draftProblem, false);
    if (m_drafts)
        for (Screen* screen : screens())
            watch(*screen);
}

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

void Wizard::continueDraft(int index) {
    if (index < 0 || index >= m_waiting.size())
        return;
    const draft::Contents found = std::move(m_waiting[index].contents);
    m_drafts->adopt(m_waiting[index].path);
    m_waiting.clear();
    m_keepOwnDraft = false;
    m_restoring = true;
    m_plan = found.plan;
    createScreens();
    QList<std::pair<Screen*, bool>> shown;
    for (const QJsonValue entry : found.screens.value(QStringLiteral("shown")).toArray()) {
        const QString name = entry.toObject().value(QStringLiteral("screen")).toString();
        for (Screen* screen : screens())
            if (screen != m_form1.get() && screen->objectName() == name)
                shown.append({screen, entry.toObject().value(QStringLiteral("enabled")).toBool(true)});
    }
    // A draft that names no screen in use goes on where a new plan starts.
    if (shown.isEmpty() || !shown.last().second)
        shown = {{m_form2.get(), true}};
    const auto entriesOf = [&found](const Screen* screen) {
        return found.screens.value(screen->objectName()).toObject();
    };
    for (Screen* screen : screens())
        if (screen != m_form9.get())
            screen->entriesBack(entriesOf(screen));
    if (Screen* refused = retakeInputs(*shown.last().first))
        shown = {{refused, true}};
    // The adjustment shows its figures from the plan as it now stands.
    form9().entriesBack(entriesOf(m_form9.get()));
    // The screens that computed on arrival are entered again, once there is
    // something to show.
    if (!m_plan.paidRevenue.total.isEmpty())
        form5().enter();
    if (shown.last().first == m_form8.get())
        form8().enter();
    hideScreen(*m_form1);
    for (const auto& [screen, enabled] : shown) {
        screen->setEnabled(enabled);
        showScreen(*screen);
    }
    shown.last().first->focusFirstInput();
    m_restoring = false;
    saveDraft();
}

Screen* Wizard::retakeInputs(Screen& at) {
    struct Step {
        Screen* screen;
        EntryPages* pages;
        int page;
    };
    QList<Step> steps; // in the order of the screens
    for (const auto& [screen, pages] : std::initializer_list<std::pair<Screen*, EntryPages*>>{
             {m_form2.get(), m_form2.get()}, {m_form6.get(), m_form6.get()}, {m_form7.get(), m_form7.get()}})
        for (int page = 0; page < pages->pageCount(); ++page)
            steps.append({screen, pages, page});
    // How far the plan went: every page before the one in use.
    const bool adjusting = m_plan.adjustmentStage.toInt() == 1;
    qsizetype reached = steps.size();
    if (!adjusting && (&at == m_form2.get() || &at == m_form4.get() || &at == m_form5.get()))
        reached = &at == m_form2.get() ? 0 : 1;
    else if (!adjusting && (&at == m_form6.get() || &at == m_form7.get()))
        for (qsizetype i = 0; i < steps.size(); ++i)
            if (steps[i].screen == &at && steps[i].page == steps[i].pages->shownPage())
                reached = i;
    for (qsizetype i = 0; i < reached; ++i) {
        const Step& step = steps[i];
        if (adjusting && step.screen == m_form7.get())
            continue; // the expenses hold the corrected amounts since
        if (step.pages->takePage(step.page))
            continue;
        // Back where the refused entry was typed: the plan is made again from there.
        step.pages->showPage(step.page);
        m_plan.adjustmentStage = 0;
        m_plan.correctionsEnabled = 0;
        return step.screen;
    }
    return nullptr;
}
