#include "wizard/wizard.h"

#include "screens/accessibility.h"
#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "screens/windows_style.h"

#include "state/number_rules.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
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
// theme icon the package installs, else the drawing built into the program.
void installWindowIcon()
{
#ifdef Q_OS_WIN
    return; // the icon of the executable's resources (IDI_ICON1) is every window's own
#endif
    if (QGuiApplication::windowIcon().isNull())
        QGuiApplication::setWindowIcon(
            QIcon::fromTheme(QStringLiteral("planium"), QIcon(QStringLiteral(":/icons/planium.svg"))));
}

} // namespace

Wizard::Wizard()
    : m_endHandler([] { QCoreApplication::quit(); })
{
}

Wizard::~Wizard() = default;

std::unique_ptr<Wizard> Wizard::start()
{
#ifdef Q_OS_WIN
    look::installWindowsStyle();
#endif
    installToolkitTranslations();
    installWindowIcon();
    screenReader::install();
    auto wizard = std::make_unique<Wizard>();
    wizard->m_form1 = std::make_unique<Form1>(*wizard);
    wizard->m_form1->describeForScreenReaders();
    wizard->showScreen(*wizard->m_form1);
    return wizard;
}

std::unique_ptr<Wizard> Wizard::start(const QString& draftFolder) {
    auto drafts = std::make_unique<draft::Store>(draftFolder);
    draft::Store::Loaded found = drafts->load();
    auto wizard = start();
    wizard->m_drafts = std::move(drafts);
    wizard->m_typingPause = std::make_unique<QTimer>();
    wizard->m_typingPause->setSingleShot(true);
    wizard->m_typingPause->setInterval(1000);
    QObject::connect(wizard->m_typingPause.get(), &QTimer::timeout, wizard->m_typingPause.get(),
                     [w = wizard.get()] { w->saveDraft(); });
    if (found.status == draft::Store::Loaded::Status::Good) {
        wizard->m_earlier = std::move(found.contents);
        wizard->m_form1->offerDraft(wizard->m_earlier->written);
    } else if (found.status == draft::Store::Loaded::Status::Bad) {
        qWarning("The draft %s could not be read (%s) and was put aside as %s",
                 qUtf8Printable(found.movedTo.isEmpty() ? wizard->draftPath() : found.movedTo),
                 qUtf8Printable(found.why), qUtf8Printable(found.movedTo));
        wizard->m_form1->reportBadDraft(found.movedTo);
    }
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
    m_form2 = std::make_unique<Form2>(*this);
    m_form4 = std::make_unique<Form4>(*this);
    m_form5 = std::make_unique<Form5>(*this);
    m_form6 = std::make_unique<Form6>(*this);
    m_form7 = std::make_unique<Form7>(*this);
    m_form8 = std::make_unique<Form8>(*this);
    m_form9 = std::make_unique<Form9>(*this);
    for (Screen* screen : std::initializer_list<Screen*>{m_form2.get(), m_form4.get(), m_form5.get(), m_form6.get(),
                                                          m_form7.get(), m_form8.get(), m_form9.get()}) {
        screen->describeForScreenReaders();
        if (screen != m_form2.get())
            screen->orderTabsByPosition();
    }
    if (m_drafts)
        for (Screen* screen : allScreens())
            watch(*screen);
}

QList<Screen*> Wizard::allScreens() const {
    QList<Screen*> all;
    for (QWidget* screen : screens())
        all << static_cast<Screen*>(screen);
    return all;
}

void Wizard::watch(Screen& screen) {
    // Connected after the screen's own handlers, so the draft holds what the step did.
    for (QAbstractButton* button : screen.findChildren<QAbstractButton*>())
        QObject::connect(button, &QAbstractButton::clicked, m_typingPause.get(), [this] { saveDraft(); });
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
        for (Screen* screen : allScreens()) {
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
    if (m_earlier) {
        // A new plan over an earlier draft replaces it once past its first screen.
        for (QWidget* screen : screens())
            if (screen->isVisible() && screen != m_form1.get() && screen != m_form2.get())
                m_earlier.reset();
        if (m_earlier)
            return;
    }
    if (!m_drafts->saveBytes(draft::encode(QDateTime::currentDateTime(), m_plan, screensOut())))
        qWarning("The draft %s could not be written", qUtf8Printable(m_drafts->path()));
}

void Wizard::continueDraft() {
    if (!m_earlier)
        return;
    const draft::Contents found = std::move(*m_earlier);
    m_earlier.reset();
    m_restoring = true;
    m_plan = found.plan;
    createScreens();
    for (Screen* screen : allScreens())
        screen->entriesBack(found.screens.value(screen->objectName()).toObject());
    // The figures worked out again from the restored plan, once there are any.
    if (!m_plan.paidRevenue.total.isEmpty())
        form5().showTotals(m_plan.paidRevenue.total.numeric(), m_plan.paidCostTotal.numeric());
    QList<std::pair<Screen*, bool>> shown;
    for (const QJsonValue entry : found.screens.value(QStringLiteral("shown")).toArray()) {
        const QString name = entry.toObject().value(QStringLiteral("screen")).toString();
        for (Screen* screen : allScreens())
            if (screen != m_form1.get() && screen->objectName() == name)
                shown.append({screen, entry.toObject().value(QStringLiteral("enabled")).toBool(true)});
    }
    // A draft that names no screen in use goes on where a new plan starts.
    if (shown.isEmpty() || !shown.last().second)
        shown = {{m_form2.get(), true}};
    if (shown.last().first == m_form8.get())
        form8().computeAndShow();
    hideScreen(*m_form1);
    for (const auto& [screen, enabled] : shown) {
        screen->setEnabled(enabled);
        showScreen(*screen);
    }
    shown.last().first->focusFirstInput();
    m_restoring = false;
    saveDraft();
}

QList<QWidget*> Wizard::screens() const
{
    QList<QWidget*> all;
    for (QWidget* screen : std::initializer_list<QWidget*>{m_form1.get(), m_form2.get(), m_form4.get(), m_form5.get(),
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
    if (desktop) {
        const QRect area = desktop->availableGeometry();
        // Too large a window keeps its top-left corner (and so its caption) in view.
        frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
        frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    }
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

void Wizard::openPaidServicesInstructions(QWidget& caller)
{
    Form4& services = form4();
    if (&caller == m_form2.get()) {
        services.prepareInstructions(false);
        showScreen(services);
        hideScreen(caller);
    } else {
        services.prepareInstructions(true);
        hideScreen(caller);
        showScreen(services);
    }
}

void Wizard::endProgram()
{
    // No question is asked: the draft is written and every window goes at once.
    saveDraft();
    for (QWidget* screen : screens())
        screen->hide();
    if (m_endHandler)
        m_endHandler();
}
