#include "wizard/wizard.h"

#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/desktop_fit.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <stdexcept>

namespace {

template <typename T> T& existing(const std::unique_ptr<T>& screen)
{
    if (!screen)
        throw std::logic_error("screen asked for before the screens were created");
    return *screen;
}

} // namespace

Wizard::Wizard()
    : m_endHandler([] { QCoreApplication::quit(); })
{
}

Wizard::~Wizard() = default;

Form2& Wizard::form2() { return existing(m_form2); }
Form4& Wizard::form4() { return existing(m_form4); }
Form5& Wizard::form5() { return existing(m_form5); }
Form6& Wizard::form6() { return existing(m_form6); }
Form7& Wizard::form7() { return existing(m_form7); }
Form8& Wizard::form8() { return existing(m_form8); }
Form9& Wizard::form9() { return existing(m_form9); }

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
