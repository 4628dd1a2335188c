#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

class QAbstractItemModel;

// What a person types into a list, and the item it picks. The text typed so far
// (begun afresh after the desktop's usual pause) picks the item that equals it;
// without such an item, the next one that starts with it, as list views search:
// a new search, or the same key again, moves on from the current item. When
// nothing equals or starts with the text, the search says so and begins afresh
// with the next key; the row chosen before it began is kept for going back to.
class TypedSearch {
public:
    // Adds the typed text; returns the row to choose, or -1 when none fits.
    int add(const QString& text, const QAbstractItemModel& items, int currentRow);
    // The row that was chosen when the present search began.
    int rowBefore() const { return m_rowBefore; }

private:
    QString m_typed;
    QElapsedTimer m_lastKey;
    int m_rowBefore = -1;
};

// A drop-down list restricted to its items. Typing picks the item that equals
// what was typed ("-5" is "-5", not "-59,5"); typing that fits no item goes
// back to the choice made before the typing began, shows it in red for a moment
// and tells screen readers "нет такого значения". The mouse wheel changes the
// choice only while the list has the keyboard focus; otherwise the wheel goes
// on to the window.
//
// To assistive technology the chosen item is the list's text. Each new choice
// moves the caret of that text, alternately to its end and to its start: a screen
// reader reads out the text at a caret that moved (as it reads the line a text
// caret moved to with the arrow keys), and a move to where the caret already
// stood would be no move.
//
// A screen reader says nothing of an item chosen by typing (it takes the caret
// move for the echo of the keys): once the typing pauses, choiceTyped() tells the
// screen, which has the item read out. A list whose screen reads out each choice
// in its own words moves no caret (setChoicesToldByScreen).
class ChoiceList final : public QComboBox {
    Q_OBJECT
public:
    explicit ChoiceList(QWidget* parent);

    void showPopup() override;

    // Where the caret of the list's text stands.
    int caretPosition() const { return m_caretAtEnd ? int(currentText().size()) : 0; }
    // Whether keys typed into the list still make up one search (the item chosen
    // may change again with the next key).
    bool isTyping() const { return m_typingPause.isActive(); }
    void setChoicesToldByScreen(bool told) { m_toldByScreen = told; }
    bool choicesToldByScreen() const { return m_toldByScreen; }

signals:
    // Typing chose a new item and has paused.
    void choiceTyped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Typing fitted no item: back to the choice before it, flagged.
    void refuseTyping();
    void showRefused(bool refused);
    void announceNoSuchItem();
    static constexpr int kRefusedMilliseconds = 1500;

    TypedSearch m_search;
    QTimer m_typingPause;
    bool m_typedChoice = false;
    class QTimer* m_refusedTimer = nullptr;
    class NotificationLabel* m_noSuchItem = nullptr;
    bool m_watchingPopup = false;
    bool m_caretAtEnd = false;
    bool m_toldByScreen = false;
};
