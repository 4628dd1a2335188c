#pragma once

// The start-up probes end once the first window shown has been painted. A window's
// paint event comes first in the pass that paints its controls and puts the result
// on the screen; the event loop told to exit at that moment ends once that pass is
// over, before anything the program left for after the first paint runs (quit()
// would close the window in the middle of the pass). The application then ends as
// any other (its objects destroyed), so that the time taken from outside is the
// start to the first paint and an ordinary exit.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

class QuitAfterFirstPaint final : public QObject {
public:
    explicit QuitAfterFirstPaint(QCoreApplication& app)
        : QObject(&app) {
        app.installEventFilter(this);
        // A probe that never paints would otherwise hang the script that times it.
        QTimer::singleShot(10000, this, [] {
            std::fputs("no window was painted within 10 s\n", stderr);
            std::exit(1);
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QCoreApplication::exit(0);
        }
        return false;
    }
};
