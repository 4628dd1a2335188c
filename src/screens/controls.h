#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QWidget>

#include <initializer_list>

// A one-line text box. Tab selects its text, as in any text box. While a screen
// reader listens, the selection follows a moment after the box has taken the
// focus: the reader takes a selection made before it hears of the new focus for
// the focus itself and then says nothing about the box.
class TextBox final : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent);

    // Where the character at `offset` of the shown text is drawn, in the box.
    QRect characterRect(int offset) const;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

// An option of a set (a pair) of which one is chosen. The arrow keys choose the
// next or the previous option of the set, from the last round to the first, in
// either direction; Tab enters the set on its chosen option (Screen).
class OptionButton final : public QRadioButton {
    Q_OBJECT
public:
    OptionButton(const QString& text, QWidget* parent);

    // The options of its set that can be chosen now, in the order they were made:
    // those beside it on the same parent.
    QList<QRadioButton*> set() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A part of a screen that holds controls: one of its overlapping pages, or a box
// of inputs that belong together (the quarters, the months). Assistive technology
// reads it as a group named by its subject inside the window, never as a window of
// its own. With a border it draws the box line of the layout around its inputs.
class Group final : public QWidget {
    Q_OBJECT
public:
    Group(const QString& subject, QWidget* parent);

    void setBorder(bool border);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_border = false;
};

// An amount a screen shows (dark blue). Tab reaches it, a focus frame shows where
// the keyboard is, and a screen reader reads it as "caption, amount, рублей", the
// caption being the label that introduces it (read as it stands at that moment).
class Figure final : public QLabel {
    Q_OBJECT
public:
    Figure(const QString& text, QWidget* parent);

    void setCaption(const QLabel* caption);
    // What a screen reader says for the figure.
    QString spokenText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QPointer<const QLabel> m_caption;
};

// A label with news: an error, the notice line, an announcement. A screen reader
// reads its text out each time it is announced (screenReader::announce).
//
// A label of news may end in a link: it is then one stop for Tab, read with its
// link, and Enter or Space opens what the link names.
class NotificationLabel final : public QLabel {
    Q_OBJECT
public:
    NotificationLabel(const QString& text, QWidget* parent);

    void setLink(const QString& link) { m_link = link; }
    const QString& link() const { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_link;
};

// Figures as a screen reader reads them one after the other.
QString spokenFigures(std::initializer_list<const QLabel*> figures);

// Gives a control the description a screen reader reads after its name; news to
// the reader only when it differs from the one it had.
void describe(QWidget* control, const QString& description);
// A red frame drawn around an input at fault, until the input changes. It lies
// over the input's parent, follows the input when it moves, hides with it and
// takes no clicks.
class FaultFrame final : public QWidget {
    Q_OBJECT
public:
    explicit FaultFrame(QWidget* input);

    QWidget* input() const { return m_input; }
    // Frames `input` now, or frames it no more.
    static void mark(QWidget* input, bool atFault);
    static bool isMarked(const QWidget* input);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();
    void dismiss();

    QPointer<QWidget> m_input;
};

// A caption as a name to be read out: single blanks, without the dash that joins
// it to what follows on the screen ("платные услуги -" is "платные услуги").
QString spokenCaption(const QString& caption);
