#pragma once

#include "screens/twip_layout.h"

#include <QJsonObject>
#include <QMargins>
#include <QWidget>

#include <memory>

class DesktopFit;
class Faults;
class NoticeLine;
struct PlanState;

// The base of every screen: a top-level window with the common look, built from
// a table of controls placed in twips (TwipLayout). A screen reads and writes the
// plan and reports what happened through its signals; it never shows, hides or
// calls another screen: the wizard decides what follows.
class Screen : public QWidget, protected TwipLayout {
    Q_OBJECT
public:
    Screen(PlanState& plan, const QString& name, const QString& caption, int clientWidthTwips,
           int clientHeightTwips);
    ~Screen() override;

    // The screen's entries as they stand, for the draft of the plan; screens with
    // pages add which page shows. Put back, the boxes hold what they held, as if
    // typed: a text the screen would refuse is shown and refused when the user
    // goes on.
    virtual QJsonObject entriesOut() const;
    virtual void entriesBack(const QJsonObject& entries);

    // Gives the keyboard to firstInput() of the visible page.
    void focusFirstInput();
    // Names every input and figure for screen readers by its caption.
    void describeForScreenReaders();
    // Tab order as the screen is read, for screens that do not set their own.
    void orderTabsByPosition();
    // Keeps the window within `area` (the available desktop) given a window frame
    // of `frame`; a layout that does not fit scrolls.
    void fitInto(const QRect& area, const QMargins& frame);
    bool scrolls() const;
    // A problem that stands under the screen until it is solved (a draft that is
    // not saved); empty takes it away. Read out when `tell` is set.
    void setStandingNotice(const QString& text, bool tell);

signals:
    // A step was taken on the screen itself that changes what the draft holds
    // (a page turned, a record moved to, an entry refused, a workbook written).
    void stepTaken();
    // The user closed the window.
    void closed();

protected:
    PlanState& plan() const { return m_plan; }
    Faults& faults() const { return *m_faults; }
    NoticeLine& notice() const { return *m_notice; }
    // Has a screen reader read out news the screen shows no label for.
    void announce(const QString& text);
    // The window grows by a row below its own layout (for a control that is not
    // always there); a notice then stands below that row.
    void growClient(int twipsHeight);

    // The control that takes the keyboard when the screen or one of its pages
    // appears: its first input, or where there is none the button that goes on.
    // Never a hidden control, nor a button that leads back.
    virtual QWidget* firstInput() const { return nullptr; }
    // Where a screen's tab order differs from the order of reading, once that is set.
    virtual void adjustTabOrder() {}

    void listMade(ChoiceList* list) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Tab and Shift+Tab: as usual, but an option of a set is entered on the chosen one.
    bool focusNextPrevChild(bool next) override;

private:
    PlanState& m_plan;
    std::unique_ptr<DesktopFit> m_fit;
    std::unique_ptr<Faults> m_faults;
    NoticeLine* m_notice = nullptr;
};
