#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class ChoiceList;
class Figure;
class Group;
class QAbstractButton;
class QAbstractItemModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// A screen built from a table of controls placed in twips, one line per control:
//     addLabel("Label3", "Фамилия", {1920, 2400, 1215, 375});
//     addTextBox("Text1", {3240, 2355, 1935, 375});
// Each control is named as in the screen's layout table and placed on `parent`
// (the window itself when null); rectangles are left, top, width, height.
class TwipLayout {
public:
    explicit TwipLayout(QWidget* window)
        : m_window(window) {}
    virtual ~TwipLayout() = default;
    TwipLayout(const TwipLayout&) = delete;
    TwipLayout& operator=(const TwipLayout&) = delete;

    QLabel* addLabel(const QString& name, const QString& text, const QRect& twipsRect,
                     QWidget* parent = nullptr);
    QLineEdit* addTextBox(const QString& name, const QRect& twipsRect, QWidget* parent = nullptr);
    // A drop-down that accepts only its items; starts with nothing chosen.
    QComboBox* addList(const QString& name, const QRect& twipsRect, const QStringList& items,
                       QWidget* parent = nullptr);
    // The same over a model shared with other lists that hold the same items.
    QComboBox* addList(const QString& name, const QRect& twipsRect, QAbstractItemModel* items,
                       QWidget* parent = nullptr);
    QPushButton* addButton(const QString& name, const QString& text, const QRect& twipsRect,
                           QWidget* parent = nullptr);
    // A button whose caption wraps onto further lines: it is wider than the button.
    QPushButton* addWrappingButton(const QString& name, const QString& text, const QRect& twipsRect,
                                   QWidget* parent = nullptr);
    QRadioButton* addOption(const QString& name, const QString& text, const QRect& twipsRect,
                            QWidget* parent = nullptr);
    // A page of the screen or a box of inputs, on the screen's background, named
    // by its subject for screen readers.
    Group* addGroup(const QString& name, const QString& subject, const QRect& twipsRect,
                    QWidget* parent = nullptr);
    // An amount the screen shows: dark blue, reached with Tab, read out with its caption.
    Figure* addFigure(const QString& name, const QString& text, const QRect& twipsRect,
                      QWidget* parent = nullptr);
    // An error label: red, hidden until a check fails.
    QLabel* addError(const QString& name, const QString& text, const QRect& twipsRect,
                     QWidget* parent = nullptr);

    // Shows or hides one of a screen's overlapping pages.
    static void setPageVisible(QWidget* page, bool visible);
    // Enter (or the keypad's Enter) in the box presses the button, while the
    // button can be pressed: the screen's way forward.
    static void pressOnEnter(QLineEdit* box, QAbstractButton* button);

protected:
    // A list was made: the screen may want to hear what is typed into it.
    virtual void listMade(ChoiceList*) {}

private:
    QWidget* parentOr(QWidget* parent) const { return parent ? parent : m_window; }
    QComboBox* finishList(ChoiceList* list, const QString& name, const QRect& twipsRect);

    QWidget* m_window;
};
