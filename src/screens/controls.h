#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

// A one-line text box. Tab selects its text, as in any text box. While a screen
// reader listens, the selection follows a moment after the box has taken the
// focus: the reader takes a selection made before it hears of the new focus for
// the focus itself and then says nothing about the box.
class TextBox final : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent);

protected:
    void focusInEvent(QFocusEvent* event) override;
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
class NotificationLabel final : public QLabel {
    Q_OBJECT
public:
    NotificationLabel(const QString& text, QWidget* parent);
};

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
