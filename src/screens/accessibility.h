#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

// What the program tells assistive technology (screen readers) about its screens,
// beyond what Qt tells by itself:
// - every screen is a window; its pages and boxes of inputs are named groups in it;
// - a list keeps its name (its prompt) whatever is chosen, reports the chosen item
//   as its value and text, and each new choice is read out;
// - a figure is read as "caption, amount, рублей";
// - error labels, the notice line and the screens' announcements are
//   notifications, read out each time they are announced;
// - punctuation drawn beside inputs ("." "%" "(   )") is left out.
namespace screenReader {

// Installs the program's accessibility descriptions; call once the application
// object exists, before the first screen is made. Safe to call again.
void install();

// Leaves a widget out of what assistive technology is told about its screen.
void makeDecorative(QWidget* widget);
bool isDecorative(const QWidget* widget);

// Has a screen reader read out a notification now: also when it is on screen
// already and its text has not changed (the same error a second time).
void announce(QWidget* notification);

// Has a screen reader read out news that no label of the screen shows (what a
// choice changed, which record is shown), through a notification of no size
// among the children of `within`.
void tell(QWidget* within, const QString& text);

// Every announcement as it is made, for whoever wants to follow them.
class Announcements final : public QObject {
    Q_OBJECT
public:
    static Announcements& instance();

signals:
    void made(QWidget* notification, const QString& text);
};

} // namespace screenReader
