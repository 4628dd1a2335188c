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

#include "state/number_rules.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
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
    installToolkitTranslations();
    installWindowIcon();
    screenReader::install();
    auto wizard = std::make_unique<Wizard>();
    wizard->m_form1 = std::make_unique<Form1>(*wizard);
    wizard->m_form1->describeForScreenReaders();
    wizard->showScreen(*wizard->m_form1);
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
    // Nothing is saved and no question is asked: every window goes at once.
    for (QWidget* screen : screens())
        screen->hide();
    if (m_endHandler)
        m_endHandler();
}
