#pragma once

// Typing into a text box the way a keyboard does, for the tests and the test
// driver that runs inside the real program.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace keys {

// Replaces the box's text by typing: focus, select all, delete, then one key press
// and release per character. Key events carry their text, so Cyrillic types as
// well as ASCII (QTest::keyClicks knows only ASCII keys).
inline void typeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    box->del();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
    }
}

} // namespace keys
