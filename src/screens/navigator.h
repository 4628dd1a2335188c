#pragma once

class QWidget;
struct PlanState;
class Form1;
class Form2;
class Form4;
class Form5;
class Form6;
class Form7;
class Form8;
class Form9;

// What a screen may ask of the wizard: the shared plan, the other screens, and
// the shared screen operations. Implemented by the wizard.
class Navigator {
public:
    virtual ~Navigator() = default;

    virtual PlanState& plan() = 0;

    // The screens exist from the welcome screen's "начать" on; asking for one
    // before that is a programming error.
    virtual Form2& form2() = 0;
    virtual Form4& form4() = 0;
    virtual Form5& form5() = 0;
    virtual Form6& form6() = 0;
    virtual Form7& form7() = 0;
    virtual Form8& form8() = 0;
    virtual Form9& form9() = 0;

    // Creates every other screen hidden, in the order Form2, Form4 … Form9.
    virtual void createScreens() = 0;

    // Shows a screen non-modally, in front and active.
    virtual void showScreen(QWidget& screen) = 0;
    // Hides a screen; it keeps its state.
    virtual void hideScreen(QWidget& screen) = 0;
    // Enables or disables a whole screen (the adjustment screen during recalculation).
    virtual void setScreenEnabled(QWidget& screen, bool enabled) = 0;
    // Shows the paid services instruction page: Form2 shows Form4 before hiding
    // itself; the summary and other-revenues screens hide first and also hide the
    // record editor page.
    virtual void openPaidServicesInstructions(QWidget& caller) = 0;

    // Closing any window ends the program at once.
    virtual void endProgram() = 0;

    // The welcome screen's "Продолжить план от …": the plan of the draft found at
    // start-up comes back with every screen as it was left.
    virtual void continueDraft() {}
};
