// The yardstick of the start-up probe: a bare Qt program (Qt Widgets and nothing
// else linked) that shows an empty window the size of the welcome screen and
// quits once it has been painted. Timed from outside by bench/startup.sh.

#include "first_paint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(648, 325);
    new QuitAfterFirstPaint(app);
    window.show();
    return app.exec();
}
