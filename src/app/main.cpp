#include "screens/desktop_opener.h"
#include "state/number_rules.h"
#include "wizard/wizard.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    numbers::applyRegionalConventions();
    desktop::installOpener();
    const auto wizard = Wizard::launch(QString()); // with the draft in the user's data folder
    return app.exec();
}
