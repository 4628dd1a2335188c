// The second yardstick of the start-up probe: the bare window of probe_bare with one
// line of the screens' bold text in their face, to tell what showing any text costs
// (the font system's start, one face, its glyphs) from what the welcome screen adds.

#include "first_paint.h"
#include "screens/look.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(648, 325);
    window.setFont(look::font());
    auto* line = new QLabel(QStringLiteral("Укажите Вашу фамилию и инициалы"), &window);
    line->setGeometry(10, 10, 600, 30);
    new QuitAfterFirstPaint(app);
    window.show();
    return app.exec();
}
