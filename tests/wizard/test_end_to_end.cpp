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
#include "support/sheet_reader.h"
#include "wizard/wizard.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QUrl>

namespace {

QString text(QWidget& screen, const char* name) { return drive::find<QLabel>(screen, name)->text(); }

// What is typed on each expense page: four quarters, or one annual sum.
struct ExpensePage {
    int page;
    QStringList quarters;
    QString annual;
};

} // namespace

// One plan from the welcome screen to the adjustment, by clicking, typing and
// choosing list items only.
class TestEndToEnd : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    QStringList m_opened;

public slots:
    // The workbooks the program hands to the desktop to open.
    void openFile(const QUrl& url) { m_opened << url.toLocalFile(); }

private slots:
    void initTestCase()
    {
        numbers::applyRegionalConventions();
        QDesktopServices::setUrlHandler("file", this, "openFile");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("file");
        for (const QString& path : m_opened)
            QFile::remove(path);
    }
    void init()
    {
        m_wizard = Wizard::launch();
        m_wizard->setEndHandler([] {});
    }
    void cleanup() { m_wizard.reset(); }

    void fromWelcomeToAdjustment()
    {
        Wizard& w = *m_wizard;

        // Welcome.
        drive::type(w.form1(), "Text1", "Иванова");
        drive::type(w.form1(), "Text2", "А");
        drive::type(w.form1(), "Text3", "П");
        drive::type(w.form1(), "Text4", "МБДОУ Детский сад № 7");
        drive::choose(w.form1(), "Combo1", "Городской");
        drive::click(w.form1(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form2"});

        // Founder's assignment.
        drive::type(w.form2(), "Text1", "2000000");
        drive::click(w.form2(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});

        // Paid services: a recurring club for 20 children except in summer, and
        // a one-off service given twice in March and twice in December.
        drive::click(w.form4(), "Command1");
        drive::type(w.form4(), "Text1", "Английский язык");
        drive::choose(w.form4(), "Combo1", "1000");
        drive::choose(w.form4(), "Combo2", "300");
        drive::choose(w.form4(), "Combo3", "200");
        for (const char* month : {"Combo11", "Combo12", "Combo13", "Combo21", "Combo22", "Combo33", "Combo41",
                                  "Combo42", "Combo43"})
            drive::choose(w.form4(), month, "20");
        drive::click(w.form4(), "Command6");
        QCOMPARE(text(w.form4(), "Label6"), QString("2"));
        drive::click(w.form4(), "Option2");
        drive::type(w.form4(), "Text1", "Праздник");
        drive::choose(w.form4(), "Combo1", "500");
        drive::choose(w.form4(), "Combo2", "100");
        drive::choose(w.form4(), "Combo3", "50");
        drive::choose(w.form4(), "Combo13", "2");
        drive::choose(w.form4(), "Combo43", "2");
        drive::click(w.form4(), "Command4");

        // Summary: 180 × 1000 + 4 × 500; 180 × 500 + 4 × 150.
        QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        QCOMPARE(text(w.form5(), "Label1"), QString("182000"));
        QCOMPARE(text(w.form5(), "Label6"), QString("90600"));
        drive::click(w.form5(), "Command1");

        // Other revenues: investments in the first quarter, the parental fee as one sum.
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
        drive::type(w.form6(), "Text11", "100000");
        for (const char* box : {"Text12", "Text13", "Text14"})
            drive::type(w.form6(), box, "0");
        drive::click(w.form6(), "Command1");
        drive::click(w.form6(), "Option3");
        drive::type(w.form6(), "Text2", "240000");
        drive::click(w.form6(), "Command3");

        // Expenses.
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        const ExpensePage pages[] = {
            {1, {"150000", "150000", "150000", "150000"}, {}}, // wages
            {2, {}, "40000"},                                  // other payments
            {3, {"6000", "6000", "6000", "6000"}, {}},         // communication
            {4, {"0", "0", "0", "0"}, {}},                     // transport
            {5, {}, "300000"},                                 // utilities
            {6, {"0", "0", "0", "0"}, {}},                     // rent
            {7, {}, "50000"},                                  // maintenance
            {8, {}, "30000"},                                  // other works and services
            {9, {"300000", "300000", "300000", "300000"}, {}}, // food
            {10, {}, "60000"},                                 // other expenses
            {12, {}, "100000"},                                // fixed assets
            {13, {"20000", "20000", "20000", "20000"}, {}},    // material reserves
        };
        for (const ExpensePage& page : pages) {
            const QByteArray k = QByteArray::number(page.page);
            if (page.annual.isEmpty()) {
                for (int q = 0; q < 4; ++q)
                    drive::type(w.form7(), "Text" + k + QByteArray::number(q + 1), page.quarters[q]);
            } else {
                drive::click(w.form7(), "Option" + k + "2");
                drive::type(w.form7(), "Text" + k + "0", page.annual);
            }
            drive::click(w.form7(), "Command" + k + "1");
        }

        // Preliminary plan: revenues 2000000 + 100000 + 182000 + 240000; expenses
        // 640000 × 1.302 + 24000 + 300000 + 50000 + 30000 + 1200000 + 60000 + 100000 + 80000.
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        QCOMPARE(text(w.form8(), "Label1"), QString("2522000"));
        QCOMPARE(text(w.form8(), "Label6"), QString("2677280"));

        // The preliminary workbook opens; the screen stays as it was.
        drive::click(w.form8(), "Command2");
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        QCOMPARE(text(w.form8(), "Label1"), QString("2522000"));
        drive::click(w.form8(), "Command1");

        // Adjustment.
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        QCOMPARE(text(w.form9(), "Label1"), QString("Дефицит -"));
        QCOMPARE(text(w.form9(), "Label100"), QString("155280"));

        // Food down by 5 %, wages down by 2,5 %: wages net of the services' labour
        // (600000 - 54400) and other payments, with accruals, × -0,025.
        drive::choose(w.form9(), "Combo8", "-5");
        QCOMPARE(text(w.form9(), "Label109"), QString("-60000"));
        QCOMPARE(text(w.form9(), "Label100"), QString("95280"));
        drive::choose(w.form9(), "Combo1", "-2,5");
        QCOMPARE(text(w.form9(), "Label102"), QString("-19061,28"));
        QCOMPARE(text(w.form9(), "Label1"), QString("Дефицит -"));
        QCOMPARE(text(w.form9(), "Label100"), QString("76219"));

        // No material reserves at all: 76218,72 - 80000.
        drive::choose(w.form9(), "Combo11", "-100");
        QCOMPARE(text(w.form9(), "Label112"), QString("-80000"));
        QCOMPARE(text(w.form9(), "Label1"), QString("Профицит -"));
        QCOMPARE(text(w.form9(), "Label100"), QString("3781"));
        QCOMPARE(text(w.form9(), "Label101"), QString("0"));

        // Revise the club's price: 180 child-months at 100 more.
        drive::click(w.form9(), "Command1");
        QCOMPARE(drive::visibleScreens(), (QStringList{"Form4", "Form9"}));
        QVERIFY(!w.form9().isEnabled());
        QCOMPARE(text(w.form4(), "Label6"), QString("1"));
        QCOMPARE(text(w.form4(), "Label8"), QString("2"));
        drive::choose(w.form4(), "Combo1", "1100");
        drive::click(w.form4(), "Command4");
        drive::click(w.form4(), "Command4");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        QVERIFY(w.form9().isEnabled());
        QCOMPARE(text(w.form9(), "Label101"), QString("18000"));
        QCOMPARE(text(w.form9(), "Label1"), QString("Профицит -"));
        QCOMPARE(text(w.form9(), "Label100"), QString("21781"));
        QCOMPARE(drive::find<QComboBox>(w.form9(), "Combo8")->currentText(), QString("-5"));
        QCOMPARE(w.plan().paidRevenue.total.numeric(), 200000.0);

        // The corrected workbook.
        drive::click(w.form9(), "Command2");
        QCOMPARE(m_opened.size(), 2);
        QCOMPARE(text(w.form9(), "Label100"), QString("21781"));
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        if (!sheetReader::haveReader())
            QSKIP("no independent workbook reader (python3-openpyxl) here");

        const QStringList cells{"A4", "C4", "A11", "C11", "D11", "G11", "A12", "C12", "B12", "C14", "C35"};
        const QJsonObject first = sheetReader::readCells(m_opened[0], cells);
        QCOMPARE(first["rows"].toInt(), 38);
        QCOMPARE(first["A4"].toString(), QString("Поступления, всего:"));
        QCOMPARE(first["C4"].toDouble(), 2522000.0);
        QCOMPARE(first["A11"].toString(), QString("Услуга №1 - Английский язык"));
        QCOMPARE(first["C11"].toDouble(), 180000.0);
        QCOMPARE(first["D11"].toDouble(), 60000.0);
        QCOMPARE(first["G11"].toDouble(), 60000.0);
        QCOMPARE(first["A12"].toString(), QString("Услуга №2 - Праздник"));
        QCOMPARE(first["C12"].toDouble(), 2000.0);
        QVERIFY(first["B12"].isNull()); // the last service's code cell is blank
        QCOMPARE(first["C14"].toDouble(), 2677280.0);
        QCOMPARE(first["C35"].toDouble(), 1200000.0); // food

        const QJsonObject second = sheetReader::readCells(m_opened[1], cells);
        QCOMPARE(second["rows"].toInt(), 38);
        QCOMPARE(second["C11"].toDouble(), 198000.0);
        QCOMPARE(second["C4"].toDouble(), 2540000.0);
        // Payments fall short of the revenues by the surplus on the screen.
        QVERIFY(qAbs(second["C14"].toDouble() - (2540000.0 - 21781.28)) < 1e-6);
        QCOMPARE(second["C35"].toDouble(), 1140000.0);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
