#pragma once

#include <QColor>
#include <QHash>
#include <QJsonObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QStringListModel>
#include <QWidget>

#include "workbook/plan_generator.h"

#include <optional>

class QAbstractButton;
class QAbstractItemModel;
class QComboBox;
class Figure;
class Group;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Navigator;
class ChoiceList;
struct PlanState;

// Layout geometry is given in twips; 15 twips make one logical pixel.
constexpr int twips(int value) { return (value + 7) / 15; }
QRect fromTwips(int left, int top, int width, int height);

namespace look {
inline const QColor kBackground{255, 192, 255};
inline const QColor kOption{192, 255, 255};
inline const QColor kFigure{0, 0, 192};
inline const QColor kError{255, 0, 0};
inline constexpr double kTextPoints = 9.75;
inline constexpr double kPromptPoints = 12.0;
// The family of every screen's text: "MS Sans Serif" where the desktop has it,
// otherwise its metric-close substitute (Liberation Sans, then Arial).
const QString& family();
// The bold font every screen uses.
QFont font(double points = kTextPoints);
} // namespace look

// The items of drop-down lists as a read-only model, so that every list with the
// same items can share one model instead of holding its own copy of them.
class ReadOnlyItems final : public QStringListModel {
public:
    using QStringListModel::QStringListModel;
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return QStringListModel::flags(index) & ~Qt::ItemIsEditable;
    }
    bool setData(const QModelIndex&, const QVariant&, int) override { return false; }
};

// The base of every screen: a top-level window with the common look, built from
// a table of controls placed in twips, that ends the program when closed.
class Screen : public QWidget {
    Q_OBJECT
public:
    Screen(Navigator& navigator, const QString& name, const QString& caption, int clientWidthTwips,
           int clientHeightTwips);

protected:
    Navigator& navigator() const { return m_navigator; }
    PlanState& plan() const;

    // Controls placed on `parent` (the window itself when null), named as in the
    // screen's layout table. Rectangles are left, top, width, height in twips.
    QLabel* addLabel(const QString& name, const QString& text, const QRect& twipsRect, QWidget* parent = nullptr);
    QLineEdit* addTextBox(const QString& name, const QRect& twipsRect, QWidget* parent = nullptr);
    // A drop-down that accepts only its items; starts with nothing chosen.
    QComboBox* addList(const QString& name, const QRect& twipsRect, const QStringList& items,
                       QWidget* parent = nullptr);
    // The same over a model shared with other lists that hold the same items.
    QComboBox* addList(const QString& name, const QRect& twipsRect, QAbstractItemModel* items,
                       QWidget* parent = nullptr);
    QPushButton* addButton(const QString& name, const QString& text, const QRect& twipsRect,
                           QWidget* parent = nullptr);
    QRadioButton* addOption(const QString& name, const QString& text, const QRect& twipsRect,
                            QWidget* parent = nullptr);
    // A page of the screen or a box of inputs, on the screen's background, named
    // by its subject for screen readers.
    Group* addGroup(const QString& name, const QString& subject, const QRect& twipsRect,
                    QWidget* parent = nullptr);
    // An amount the screen shows: dark blue, reached with Tab, read out with its
    // caption.
    Figure* addFigure(const QString& name, const QString& text, const QRect& twipsRect,
                      QWidget* parent = nullptr);

    // An error label: red, hidden until a check fails, read out by a screen reader
    // whenever the check fails.
    QLabel* addError(const QString& name, const QString& text, const QRect& twipsRect,
                     QWidget* parent = nullptr);

    // Label looks.
    static void setTextColour(QLabel* label, const QColor& colour);
    static void setPoints(QWidget* widget, double points);

    // Shows exactly one of a screen's overlapping pages.
    static void setPageVisible(QWidget* page, bool visible);
    // Marks a grid whose columns are read one after the other (the quarters I and
    // II stand in the left column, III and IV in the right; the months of a
    // quarter stand in its column): the tab order goes down each column.
    static void readColumnsFirst(QWidget* grid);

    // Enter (or the keypad's Enter) in the box presses the button, while the
    // button can be pressed: the screen's way forward.
    static void pressOnEnter(QLineEdit* box, QAbstractButton* button);

    // A check of the screen's input failed: its error label shows, a screen reader
    // reads it out (every time, also when it is showing already), and the inputs
    // at fault carry the error as their description until the check passes. Each
    // input at fault is framed in red until it changes; a hint, when given, says
    // in one line under the error label what is wrong (and is the error label's
    // description for screen readers).
    void refuse(QLabel* error, const QList<QWidget*>& atFault, const QString& hint = {});
    // The check passed, or the page is left: the error label hides and the inputs
    // lose the error's description.
    void clearError(QLabel* error);

    // Has a screen reader read out news the screen shows no label for (what a
    // choice changed, which record is shown).
    void announce(const QString& text);

    // The control that takes the keyboard when the screen or one of its pages
    // appears: its first input, or where there is none the button that goes on.
    // Never a hidden control, nor a button that leads back.
    virtual QWidget* firstInput() const { return nullptr; }
    // Where a screen's tab order differs from the order of reading, once that is set.
    virtual void adjustTabOrder() {}

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Tab and Shift+Tab: as usual, but an option of a set is entered on the chosen one.
    bool focusNextPrevChild(bool next) override;

    // A line of news below the screen's own layout ("Notice"), for what the user
    // must know but need not answer; the window grows to hold it. With a folder,
    // it ends in a link that opens that folder. News of a problem is dark red, other
    // news dark blue. An empty text takes it away again.
    void showNotice(const QString& text, const QString& folder = {}, bool problem = true);

    // What became of a press of "Сформировать ПФХД", as the notice. Made with
    // planOpener(), it turns into "…открыть его не удалось…" when the desktop's
    // opener reports later that it could not open the file.
    void showGeneration(const GenerationResult& result);
    PlanOpener planOpener();
    // The screen's figures were shown anew: a notice about a plan generated from
    // other figures goes.
    void figuresShown();

public:
    // Why an amount box's text is refused, in the user's words: nothing typed
    // ("Не введена сумма за IV квартал" with `where` "за IV квартал"), no number
    // under the regional conventions, or a number too large for an amount. Empty
    // when the text holds an amount.
    static QString amountHint(const QString& text, const QString& where = {});
    // Keeps the window within `area` (the available desktop) given a window frame
    // of `frame`: a window whose laid-out size does not fit takes the room there is
    // and its content scrolls, so that every control can still be reached.
    void fitInto(const QRect& area, const QMargins& frame);
    // Whether the content scrolls (the laid-out size did not fit).
    bool scrolls() const { return m_scroll != nullptr; }
    // The window grows by a row below its own layout (for a control that is not
    // always there); a notice then stands below that row.
    void growClient(int twipsHeight);

public:
    // The screen's entries as they stand, for the draft of the plan: every named
    // box's text, list's choice and option's state. Screens with pages add which
    // page shows.
    virtual QJsonObject entriesOut() const;
    // Puts entries taken out before back. The boxes hold what they held, as if
    // typed: a text the screen would refuse is shown and refused when the user
    // goes on. Names and values the screen does not know are left aside.
    virtual void entriesBack(const QJsonObject& entries);

    // Gives the keyboard focus to firstInput() of the visible page.
    void focusFirstInput();
    // Gives every input control the caption of the label that prompts it as its
    // accessible name and ties that label to it, where the screen has not named
    // it itself; gives every figure its caption; leaves punctuation labels out of
    // what screen readers are told.
    void describeForScreenReaders();
    // Tab order as the screen is read: top to bottom, then left to right, each
    // grid column by column. For screens that do not set their own.
    void orderTabsByPosition();

private:
    // The inputs at fault for an error lose its description and frame, the error
    // its hint.
    void forgetFaults(QLabel* error);
    // An item chosen by typing into the list is read out once typing pauses.
    void tellTypedChoices(ChoiceList* list);
    void showHint(QLabel* error, const QString& hint);
    // The window takes the laid-out size `wanted`, or the room of the desktop
    // it was fitted into, scrolling what does not fit.
    void setWantedSize(const QSize& wanted);
    void applySize();
    // Moves every control into a scrolled area, keeping places, visibility,
    // tab order and focus.
    void scrollContent();
    // Scrolls `shown` into view; one wider than the view shows from its start.
    void reveal(QWidget* shown, int margin);
    // Where controls of the screen's own go: the window, or its scrolled content.
    QWidget* content();
    static constexpr double kHintPoints = 8.25;

    Navigator& m_navigator;
    QLabel* m_notice = nullptr;
    std::optional<GenerationResult> m_generation; // what the notice tells of
    QStringList m_figuresAtNotice;
    QPointer<QWidget> m_noticeTeller; // the control that tells the notice while it is shown
    QString m_toldNotice;             // what it tells of the notice, after its own description
    QLabel* m_announcer = nullptr;
    QHash<QLabel*, QList<QPointer<QWidget>>> m_atFault; // per error label
    QHash<QLabel*, QLabel*> m_hints;                    // per error label
    int m_clientHeight = 0;
    QSize m_wanted;
    QRect m_area;     // the desktop fitted into; invalid until then
    QMargins m_frame; // the window frame then
    class QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
};
