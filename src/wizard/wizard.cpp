#include "wizard/wizard.h"

#include "screens/accessibility.h"
#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/desktop_fit.h"
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

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <stdexcept>

namespace {

template <typename T> T& existing(const std::unique_ptr<T>& screen)
{
    if (!screen)
        throw std::logic_error("screen asked for before the screens were created");
    return *screen;
}

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

} // namespace

Wizard::Wizard()
    : m_endHandler([] { QCoreApplication::quit(); })
{
}

Wizard::~Wizard() = default;

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

Form2& Wizard::form2() { return existing(m_form2); }
Form4& Wizard::form4() { return existing(m_form4); }
Form5& Wizard::form5() { return existing(m_form5); }
Form6& Wizard::form6() { return existing(m_form6); }
Form7& Wizard::form7() { return existing(m_form7); }
Form8& Wizard::form8() { return existing(m_form8); }
Form9& Wizard::form9() { return existing(m_form9); }

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

void Wizard::watch(Screen& screen) {
    // A choice from a list is a step of its own (the adjustment recalculates
    // before the list reports it); typing is kept once it pauses.
    for (QComboBox* list : screen.findChildren<QComboBox*>())
        QObject::connect(list, &QComboBox::activated, m_typingPause.get(), [this] { saveDraft(); });
    for (QLineEdit* box : screen.findChildren<QLineEdit*>())
        QObject::connect(box, &QLineEdit::textEdited, m_typingPause.get(),
                         [this] { m_typingPause->start(); });
}

QJsonObject Wizard::screensOut() const {
    QJsonObject out;
    QJsonArray shown;
    // Disabled screens first: they stand behind the one in use.
    for (const bool enabled : {false, true})
        for (Screen* screen : screens()) {
            out.insert(screen->objectName(), screen->entriesOut());
            if (screen->isVisible() && screen->isEnabled() == enabled)
                shown.append(QJsonObject{{QStringLiteral("screen"), screen->objectName()},
                                         {QStringLiteral("enabled"), enabled}});
        }
    out.insert(QStringLiteral("shown"), shown);
    return out;
}

void Wizard::saveDraft() {
    if (!m_drafts || !m_form2 || m_restoring)
        return;
    m_typingPause->stop();
    if (m_keepOwnDraft) {
        // A new plan over an earlier draft replaces it once past its first screen.
        for (Screen* screen : screens())
            if (screen->isVisible() && screen != m_form1.get() && screen != m_form2.get())
                m_keepOwnDraft = false;
        if (m_keepOwnDraft)
            return;
    }
    const files::WriteResult saved =
        m_drafts->saveBytes(draft::encode(QDateTime::currentDateTime(), m_plan, screensOut()));
    if (!saved)
        qWarning("The draft %s could not be written: %s", qUtf8Printable(m_drafts->path()),
                 qUtf8Printable(saved.why));
    tellDraftSaved(saved);
}

void Wizard::tellDraftSaved(const files::WriteResult& saved) {
    QString problem;
    if (!saved) {
        const QString folder = QDir::toNativeSeparators(QFileInfo(m_drafts->path()).absolutePath());
        switch (saved.error) {
        case files::WriteError::NoSpace:
            problem = QStringLiteral("на диске нет места");
            break;
        case files::WriteError::NoPermission:
            problem = QStringLiteral("нет прав на запись в папку %1").arg(folder);
            break;
        default:
            problem = saved.why.isEmpty() ? QStringLiteral("не удалось записать файл") : saved.why;
        }
        problem = QStringLiteral("Черновик не сохраняется: %1.").arg(problem);
    }
    if (problem == m_draftProblem)
        return;
    m_draftProblem = problem;
    // On every screen, so that it stays in view wherever the user goes; read out
    // once, by the screen in use.
    for (Screen* screen : screens())
        screen->setStandingNotice(problem, screen->isVisible() && screen->isEnabled());
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

QList<Screen*> Wizard::screens() const {
    QList<Screen*> all;
    for (Screen* screen :
         std::initializer_list<Screen*>{m_form1.get(), m_form2.get(), m_form4.get(), m_form5.get(),
                                        m_form6.get(), m_form7.get(), m_form8.get(), m_form9.get()})
        if (screen)
            all << screen;
    return all;
}

void Wizard::rememberFrame(const QWidget& shown)
{
    const QRect outer = shown.frameGeometry();
    const QRect inner = shown.geometry();
    m_frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                       outer.bottom() - inner.bottom());
}

void Wizard::place(QWidget& screen)
{
    QWidget* showing = nullptr;
    for (QWidget* other : screens())
        if (other != &screen && other->isVisible())
            showing = other;
    if (showing)
        rememberFrame(*showing);

    // Before any window has had a frame, a usual one: a caption and thin edges.
    // The headless platforms have no desktop to fit: their screen is a fixed
    // stand-in, smaller than some screens.
    static const bool headless = QGuiApplication::platformName() == QLatin1String("offscreen") ||
                                 QGuiApplication::platformName() == QLatin1String("minimal");
    const QMargins margins = m_frame.isNull() && !headless ? QMargins(4, 32, 4, 4) : m_frame;
    if (auto* fitted = qobject_cast<Screen*>(&screen); fitted && !headless) {
        const QScreen* at = showing ? showing->screen() : QGuiApplication::primaryScreen();
        if (at)
            fitted->fitInto(at->availableGeometry(), margins);
    }

    QRect frame(QPoint(0, 0), screen.size().grownBy(margins));
    if (showing && !showing->isEnabled())
        frame.moveCenter(showing->frameGeometry().center());
    else if (showing)
        frame.moveTopLeft(showing->frameGeometry().topLeft());
    else if (m_lastPlace)
        frame.moveTopLeft(*m_lastPlace);
    else if (const QScreen* primary = QGuiApplication::primaryScreen())
        frame.moveCenter(primary->availableGeometry().center());

    const QScreen* desktop = QGuiApplication::screenAt(frame.center());
    if (!desktop)
        desktop = QGuiApplication::primaryScreen();
    if (desktop)
        frame = keptOnDesktop(frame, desktop->availableGeometry());
    screen.move(frame.topLeft());
}

void Wizard::showScreen(QWidget& screen)
{
    if (!screen.isVisible())
        place(screen);
    screen.show();
    // Headless platforms have no window stacking and say so on every raise().
    static const bool stacking = QGuiApplication::platformName() != QLatin1String("offscreen");
    if (stacking)
        screen.raise();
    screen.activateWindow();
}

void Wizard::hideScreen(QWidget& screen)
{
    if (screen.isVisible()) {
        m_lastPlace = screen.frameGeometry().topLeft();
        rememberFrame(screen);
    }
    screen.hide();
}

void Wizard::setScreenEnabled(QWidget& screen, bool enabled)
{
    screen.setEnabled(enabled);
    // In use again, the screen takes the keyboard back where typing starts.
    if (enabled && screen.isVisible()) {
        if (auto* s = qobject_cast<Screen*>(&screen))
            s->focusFirstInput();
        screen.activateWindow();
    }
}

void Wizard::endProgram()
{
    // No question is asked: the draft is written and every window goes at once.
    saveDraft();
    for (Screen* screen : screens())
        screen->hide();
    if (m_endHandler)
        m_endHandler();
}
