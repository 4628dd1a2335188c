#pragma once

#include "state/draft.h"
#include "state/plan_state.h"

#include <QMargins>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

class QTimer;
class QWidget;
class Screen;
class Form1;
class Form2;
class Form4;
class Form5;
class Form6;
class Form7;
class Form8;
class Form9;

// The registry of screens and the shared screen operations: one plan, one
// instance of each screen for the whole run. The screens report what happened;
// the wizard decides which screen follows (the screen order, one function per
// transition) and keeps the draft of the plan after every step. Its start, the
// screen order and continuing a draft are written in screen_order.cpp over the
// registry's operations in wizard.cpp, which never call back into them.
class Wizard final {
public:
    Wizard();
    ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    // Starts the program the way main does: the welcome screen is shown and no
    // other screen exists yet.
    static std::unique_ptr<Wizard> launch();
    // The same, keeping the plan in progress as a draft in `draftFolder` (the
    // user's private data folder when empty): the welcome screen offers to
    // continue the draft found there, and every step is written to it.
    static std::unique_ptr<Wizard> launch(const QString& draftFolder);

    PlanState& plan() { return m_plan; }
    // The screens exist from the welcome screen's "начать" on; asking for one
    // before that is a programming error.
    Form1& form1() { return *m_form1; }
    Form2& form2();
    Form4& form4();
    Form5& form5();
    Form6& form6();
    Form7& form7();
    Form8& form8();
    Form9& form9();
    bool screensCreated() const { return m_form2 != nullptr; }

    // Creates every other screen hidden, in the order Form2, Form4 … Form9.
    void createScreens();
    // Shows a screen non-modally, in front and active, where the screen it
    // replaces stood.
    void showScreen(QWidget& screen);
    // Hides a screen; it keeps its state.
    void hideScreen(QWidget& screen);
    // Enables or disables a whole screen (the adjustment screen during revision).
    void setScreenEnabled(QWidget& screen, bool enabled);
    // Closing any window ends the program at once (the draft is written).
    void endProgram();
    // The welcome screen's "Продолжить план от …": the plan of the draft offered at
    // `index` comes back with every screen as it was left, and is kept there.
    void continueDraft(int index = 0);

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
    // The screen order: what each screen's report leads to.
    void connectScreenOrder();
    void welcomeDone();
    void servicesDone();
    void openPaidServicesInstructions(Screen& caller);
    // The inputs a continued plan went past were taken as their "далее" was
    // pressed, and their boxes cannot have changed since: the plan is made to hold
    // what those boxes read as. A box the screens would refuse is shown refused
    // where it stands, and the plan goes on from there (the screen returned).
    Screen* retakeInputs(Screen& at);
    // Leaves one screen for another.
    void leaveFor(QWidget& leaving, QWidget& entering);

    // Moves a screen that is about to appear to its place: where the screen it
    // replaces stands (same top-left corner), centred over a disabled screen it
    // is shown over, centred on the desktop when it is the first; always wholly
    // on the desktop where it fits.
    void place(QWidget& screen);
    // The window frame of a shown screen, for placing the screens that follow.
    void rememberFrame(const QWidget& shown);
    QList<Screen*> screens() const;
    // Whether the draft was saved, as the screens say it.
    void tellDraftSaved(const files::WriteResult& saved);
    // Every step writes the draft; typing does after a pause.
    void watch(Screen& screen);
    QJsonObject screensOut() const;

    std::unique_ptr<draft::Store> m_drafts;
    QList<draft::Store::Waiting> m_waiting; // the drafts offered at start, until one is continued
    bool m_keepOwnDraft = false;            // this instance's slot holds one of them, not yet replaced
    QString m_draftProblem;                 // what the screens say of the draft not being saved
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
