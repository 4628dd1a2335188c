// Peak resident memory through a whole scripted plan: 40 paid services, every
// revenue and expense page, the adjustment with every list chosen and both
// workbooks generated (handed to a receiver instead of the desktop). Prints the
// peak in MiB; run by bench/memory.sh.

#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <sys/resource.h>

#include <cstdio>

class Receiver : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url)
    {
        QFile::remove(url.toLocalFile());
        ++opened;
    }

public:
    int opened = 0;
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    numbers::applyRegionalConventions();
    Receiver receiver;
    QDesktopServices::setUrlHandler("file", &receiver, "open");
    auto w = Wizard::launch();
    w->setEndHandler([] {});

    drive::type(w->form1(), "Text4", "Детский сад");
    drive::choose(w->form1(), "Combo1", "Городской");
    drive::click(w->form1(), "Command1");
    drive::type(w->form2(), "Text1", "5000000");
    drive::click(w->form2(), "Command1");

    drive::click(w->form4(), "Command1");
    for (int i = 1; i <= 40; ++i) {
        drive::type(w->form4(), "Text1", QString("Услуга %1").arg(i));
        drive::choose(w->form4(), "Combo1", QString::number(10 * i));
        drive::choose(w->form4(), "Combo2", "100");
        drive::choose(w->form4(), "Combo3", "50");
        for (const char* month : {"Combo11", "Combo22", "Combo33", "Combo43"})
            drive::choose(w->form4(), month, "15");
        drive::click(w->form4(), i < 40 ? "Command6" : "Command4");
    }
    drive::click(w->form5(), "Command1");
    drive::type(w->form6(), "Text11", "1000");
    for (const char* box : {"Text12", "Text13", "Text14"})
        drive::type(w->form6(), box, "0");
    drive::click(w->form6(), "Command1");
    for (const char* box : {"Text21", "Text22", "Text23", "Text24"})
        drive::type(w->form6(), box, "60000");
    drive::click(w->form6(), "Command3");
    for (int page : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13}) {
        const QByteArray k = QByteArray::number(page);
        for (int q = 1; q <= 4; ++q)
            drive::type(w->form7(), "Text" + k + QByteArray::number(q), "50000");
        drive::click(w->form7(), "Command" + k + "1");
    }
    drive::click(w->form8(), "Command2");
    drive::click(w->form8(), "Command1");
    for (int list = 1; list <= 11; ++list)
        drive::choose(w->form9(), qPrintable(QString("Combo%1").arg(list)), "-2,5");
    drive::click(w->form9(), "Command2");

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("workbooks generated: %d\npeak resident memory: %.1f MiB (goal < 80 MB)\n", receiver.opened,
                usage.ru_maxrss / 1024.0);
    QDesktopServices::unsetUrlHandler("file");
    return receiver.opened == 2 ? 0 : 1;
}

#include "probe_memory.moc"
