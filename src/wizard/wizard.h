#pragma once

#include "screens/navigator.h"
#include "state/draft.h"
#include "state/plan_state.h"

#include <QMargins>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

class QTimer;
class Screen;

// The registry of screens and the shared screen operations. One plan, one
// instance of each screen for the whole run.
class Wizard final : public Navigator {
public:
    Wizard();
    ~Wizard() override;
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    // Starts the program the way main does: the welcome screen is shown and no
    // other screen exists yet.
    static std::unique_ptr<Wizard> start();
    // The same, keeping the plan in progress as a draft in `draftFolder` (the
    // user's private data folder when empty): the welcome screen offers to
    // continue the draft found there, and every step is written to it.
    static std::unique_ptr<Wizard> start(const QString& draftFolder);

    PlanState& plan() override { return m_plan; }
    Form1& form1() { return *m_form1; }
    Form2& form2() override;
    Form4& form4() override;
    Form5& form5() override;
    Form6& form6() override;
    Form7& form7() override;
    Form8& form8() override;
    Form9& form9() override;
    bool screensCreated() const { return m_form2 != nullptr; }

    void createScreens() override;
    void showScreen(QWidget& screen) override;
    void hideScreen(QWidget& screen) override;
    void setScreenEnabled(QWidget& screen, bool enabled) override;
    void openPaidServicesInstructions(QWidget& caller) override;
    void endProgram() override;
    void continueDraft() override;

    // Writes the draft now (after a step; when a window closes). Nothing is written
    // without a draft, before "начать", or while a new plan started over an earlier
    // draft has not got past its first screen (one wrong click keeps that draft).
    void saveDraft();
    // Where this instance keeps its draft; empty without one.
    QString draftPath() const { return m_drafts ? m_drafts->path() : QString(); }

    // What ending the program does; by default the application's event loop quits.
    // Tests replace it to observe the close rule.
    void setEndHandler(std::function<void()> handler) { m_endHandler = std::move(handler); }

private:
    // Moves a screen that is about to appear to its place: where the screen it
    // replaces stands (same top-left corner), centred over a disabled screen it
    // is shown over, centred on the desktop when it is the first; always wholly
    // on the desktop where it fits.
    void place(QWidget& screen);
    // The window frame of a shown screen, for placing the screens that follow.
    void rememberFrame(const QWidget& shown);
    QList<QWidget*> screens() const;
    QList<Screen*> allScreens() const;
    // Every step that completes something writes the draft; typing does after a pause.
    void watch(Screen& screen);
    QJsonObject screensOut() const;

    std::unique_ptr<draft::Store> m_drafts;
    std::optional<draft::Contents> m_earlier; // the draft found at start, until continued or replaced
    std::unique_ptr<QTimer> m_typingPause;
    bool m_restoring = false;

    PlanState m_plan;
    std::optional<QPoint> m_lastPlace; // top-left corner of the screen hidden last
    QMargins m_frame;                  // the window frame, once a screen has one
    std::function<void()> m_endHandler;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form4> m_form4;
    std::unique_ptr<Form5> m_form5;
    std::unique_ptr<Form6> m_form6;
    std::unique_ptr<Form7> m_form7;
    std::unique_ptr<Form8> m_form8;
    std::unique_ptr<Form9> m_form9;
};
