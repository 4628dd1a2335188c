#include "state/number_rules.h"
#include "wizard/wizard.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    numbers::applyRegionalConventions();
    const auto wizard = Wizard::start();
    return app.exec();
}
