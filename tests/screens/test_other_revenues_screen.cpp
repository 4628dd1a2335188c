#include "screens/assignment_screen.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "support/drive.h"
#include "support/tagged_values.h"
#include "wizard/wizard.h"

#include <QLabel>

#include <cmath>

namespace {


TaggedValue fixed(qint64 units) { return FixedAmount::fromUnits(units); }

const char* const kInvestmentBoxes[] = {"Text11", "Text12", "Text13", "Text14"};
const char* const kParentFeeBoxes[] = {"Text21", "Text22", "Text23", "Text24"};

} // namespace

class TestOtherRevenuesScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    QWidget& form6() { return m_wizard->form6(); }
    QWidget& form7() { return m_wizard->form7(); }
    PlanState& plan() { return m_wizard->plan(); }

    // The road a person takes: welcome, assignment, paid services instructions
    // without services, summary, "далее".
    void reachOtherRevenues()
    {
        drive::click(m_wizard->form4(), "Command3");
        drive::click(m_wizard->form5(), "Command1");
    }

    // Fills a page the way its mode asks: four quarter boxes or the one-sum box.
    void fill(bool parentFee, const QStringList& texts)
    {
        if (texts.size() == 4) {
            drive::click(form6(), parentFee ? "Option4" : "Option1");
            for (int i = 0; i < 4; ++i)
                drive::type(form6(), parentFee ? kParentFeeBoxes[i] : kInvestmentBoxes[i], texts[i]);
        } else {
            drive::click(form6(), parentFee ? "Option3" : "Option2");
            drive::type(form6(), parentFee ? "Text2" : "Text1", texts.value(0));
        }
        drive::click(form6(), parentFee ? "Command3" : "Command1");
    }

    bool visible(const char* name) { return drive::find(form6(), name)->isVisible(); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        m_wizard = drive::startPastWelcome();
        drive::type(m_wizard->form2(), "Text1", "1000000");
        drive::click(m_wizard->form2(), "Command1");
        reachOtherRevenues();
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
    }
    void cleanup() { m_wizard.reset(); }

    void startsOnInvestmentsPageInQuarterlyMode()
    {
        QCOMPARE(form6().windowTitle(), QString("Прочие поступления"));
        QVERIFY(visible("Label2") && visible("Frame1") && visible("Text11") && visible("Command1"));
        QVERIFY(drive::find<QRadioButton>(form6(), "Option1")->isChecked());
        QVERIFY(!visible("Text1") && !visible("Label6") && !visible("Frame2"));
        QVERIFY(!static_cast<Form6&>(form6()).onParentFeePage());
    }

    void storesInvestments_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<Values>("expected");
        QTest::newRow("quarterly texts, numeric total")
            << QStringList{"100", "200", "300", "400"} << Values{1000.0, "100", "200", "300", "400"};
        QTest::newRow("quarterly decimal comma, negative, zero adds numerically")
            << QStringList{"1500,5", "-500", "0", "1,5"} << Values{1002.0, "1500,5", "-500", "0", "1,5"};
        QTest::newRow("one sum 1000") << QStringList{"1000"} << Values{"1000", 250.0, 250.0, 250.0, 250.0};
        QTest::newRow("one sum 1001 unrounded")
            << QStringList{"1001"} << Values{"1001", 250.25, 250.25, 250.25, 250.25};
        QTest::newRow("one sum negative")
            << QStringList{"-500"} << Values{"-500", -125.0, -125.0, -125.0, -125.0};
        QTest::newRow("one sum zero") << QStringList{"0"} << Values{"0", 0.0, 0.0, 0.0, 0.0};
        QTest::newRow("one sum decimal comma")
            << QStringList{"1,5"} << Values{"1,5", 0.375, 0.375, 0.375, 0.375};
    }
    void storesInvestments()
    {
        QFETCH(QStringList, texts);
        QFETCH(Values, expected);
        fill(false, texts);
        compareFamily(plan().investments, expected);
        QVERIFY(visible("Frame2") && !visible("Label2"));
        QVERIFY(static_cast<Form6&>(form6()).onParentFeePage());
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
    }

    void storesParentFee_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<Values>("expected");
        QTest::newRow("quarterly, fourth quarter fixed")
            << QStringList{"100", "200", "300", "400"} << Values{1000.0, "100", "200", "300", fixed(4000000)};
        QTest::newRow("quarterly, fourth rounded to four decimals")
            << QStringList{"1", "2", "3", "0,123456"} << Values{6.1235, "1", "2", "3", fixed(1235)};
        QTest::newRow("quarterly, fourth half to even")
            << QStringList{"0", "0", "0", "2,00005"} << Values{2.0, "0", "0", "0", fixed(20000)};
        QTest::newRow("quarterly, decimal commas add numerically")
            << QStringList{"1500,5", "-500", "0", "-0,5"}
            << Values{1000.0, "1500,5", "-500", "0", fixed(-5000)};
        QTest::newRow("one sum 100") << QStringList{"100"} << Values{"100", 25.0, 25.0, 25.0, fixed(250000)};
        QTest::newRow("one sum 1001")
            << QStringList{"1001"} << Values{"1001", 250.25, 250.25, 250.25, fixed(2502500)};
        QTest::newRow("one sum 0,00001: fourth quarter rounds to 0")
            << QStringList{"0,00001"} << Values{"0,00001", 0.0000025, 0.0000025, 0.0000025, fixed(0)};
        QTest::newRow("one sum negative")
            << QStringList{"-500"} << Values{"-500", -125.0, -125.0, -125.0, fixed(-1250000)};
    }
    void storesParentFee()
    {
        QFETCH(QStringList, texts);
        QFETCH(Values, expected);
        fill(false, {"1", "2", "3", "4"});
        fill(true, texts);
        compareFamily(plan().parentFee, expected);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        QVERIFY(drive::find(form6(), "Label60")->isHidden());
    }

    // A failed check shows the page's red label and changes nothing else: not
    // the page, not the stored values, not the typed texts.
    void refusesInvalidEntry_data()
    {
        QTest::addColumn<bool>("parentFee");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("investments: three of four quarters") << false << QStringList{"100", "200", "300", ""};
        QTest::newRow("investments: letters in a quarter")
            << false << QStringList{"100", "сто", "300", "400"};
        QTest::newRow("investments: point under a comma locale")
            << false << QStringList{"1.5", "2", "3", "4"};
        QTest::newRow("investments: empty one sum") << false << QStringList{""};
        QTest::newRow("investments: letters as one sum") << false << QStringList{"abc"};
        // Every amount must fit a money amount, so that the plan screens can hold it.
        QTest::newRow("investments: a quarter beyond the money range")
            << false << QStringList{"100", "1e308", "300", "400"};
        QTest::newRow("investments: one sum just beyond the money range")
            << false << QStringList{"922337203685477,5808"};
        QTest::newRow("parental fee: three of four quarters") << true << QStringList{"", "200", "300", "400"};
        QTest::newRow("parental fee: letters in quarter 4") << true << QStringList{"100", "200", "300", "4x"};
        QTest::newRow("parental fee: empty one sum") << true << QStringList{""};
        // The fourth quarter is a fixed-point amount: what would not fit is refused.
        QTest::newRow("parental fee: quarter 4 beyond the money range")
            << true << QStringList{"1", "2", "3", "1e15"};
        QTest::newRow("parental fee: quarter 4 below the money range")
            << true << QStringList{"1", "2", "3", "-1000000000000000"};
        QTest::newRow("parental fee: one sum whose quarter is beyond the range")
            << true << QStringList{"4e15"};
    }
    void refusesInvalidEntry()
    {
        QFETCH(bool, parentFee);
        QFETCH(QStringList, texts);
        const char* error = parentFee ? "Label60" : "Label6";

        // Valid values first, then back to the page under test.
        fill(false, {"1", "2", "3", "4"});
        if (parentFee) {
            fill(true, {"5", "6", "7", "8"});
            drive::click(form7(), "Command12");
            QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
        } else {
            drive::click(form6(), "Command4");
        }
        QCOMPARE(visible("Frame2"), parentFee);
        const Family investments = plan().investments;
        const Family fee = plan().parentFee;

        fill(parentFee, texts);
        QVERIFY(visible(error));
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
        QCOMPARE(visible("Frame2"), parentFee);
        QVERIFY(plan().investments.total == investments.total && plan().investments.q == investments.q);
        QVERIFY(plan().parentFee.total == fee.total && plan().parentFee.q == fee.q);
        if (texts.size() == 4)
            for (int i = 0; i < 4; ++i)
                QCOMPARE(drive::find<QLineEdit>(form6(), parentFee ? kParentFeeBoxes[i] : kInvestmentBoxes[i])
                             ->text(),
                         texts[i]);
    }

    void switchingModesKeepsTexts_data()
    {
        QTest::addColumn<bool>("parentFee");
        QTest::newRow("budget investments") << false;
        QTest::newRow("parental fee") << true;
    }
    void switchingModesKeepsTexts()
    {
        QFETCH(bool, parentFee);
        if (parentFee)
            fill(false, {"1", "2", "3", "4"});
        const char* quarterly = parentFee ? "Option4" : "Option1";
        const char* oneSum = parentFee ? "Option3" : "Option2";
        const char* quarterFrame = parentFee ? "Frame3" : "Frame1";
        const char* sumBox = parentFee ? "Text2" : "Text1";
        const auto boxes = parentFee ? kParentFeeBoxes : kInvestmentBoxes;

        for (int i = 0; i < 4; ++i)
            drive::type(form6(), boxes[i], QString::number(10 * (i + 1)));
        drive::click(form6(), oneSum);
        QVERIFY(!visible(quarterFrame) && visible(sumBox));
        drive::type(form6(), sumBox, "800");
        drive::click(form6(), quarterly);
        QVERIFY(visible(quarterFrame) && !visible(sumBox));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(drive::find<QLineEdit>(form6(), boxes[i])->text(), QString::number(10 * (i + 1)));
        drive::click(form6(), oneSum);
        QCOMPARE(drive::find<QLineEdit>(form6(), sumBox)->text(), QString("800"));

        // The mode selected at "далее" decides what is stored.
        drive::click(form6(), parentFee ? "Command3" : "Command1");
        const Family& family = parentFee ? plan().parentFee : plan().investments;
        QCOMPARE(family.total, TaggedValue("800"));
    }

    void investmentsBackOpensServicesInstructions()
    {
        drive::click(form6(), "Command1"); // empty boxes
        QVERIFY(visible("Label6"));
        drive::click(form6(), "Command2");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});
        QVERIFY(drive::find(form6(), "Label6")->isHidden());
        Form4& services = m_wizard->form4();
        QVERIFY(drive::find(services, "Frame1")->isVisible());
        QVERIFY(!drive::find(services, "Frame2")->isVisible());
        QVERIFY(drive::find(services, "Command3")->isVisible()); // still no service record

        // Coming back shows the investments page again, without the error.
        reachOtherRevenues();
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
        QVERIFY(visible("Label2") && !visible("Frame2") && !visible("Label6"));
    }

    void parentFeeBackUncoversInvestmentsPage()
    {
        fill(false, {"100", "200", "300", "400"});
        drive::click(form6(), "Command3"); // empty parental fee boxes
        QVERIFY(visible("Label60"));
        drive::click(form6(), "Command4");
        QVERIFY(!visible("Frame2") && visible("Label2") && visible("Command1"));
        QVERIFY(drive::find(form6(), "Label60")->isHidden());
        // The boxes still hold what was typed; "далее" stores them again.
        QCOMPARE(drive::find<QLineEdit>(form6(), "Text14")->text(), QString("400"));
        drive::click(form6(), "Command1");
        QVERIFY(visible("Frame2") && !visible("Label60"));
    }

    // The screen shows again on the page it was hidden on.
    void showsAgainOnTheParentFeePage()
    {
        fill(false, {"1", "2", "3", "4"});
        fill(true, {"5", "6", "7", "8"});
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        drive::click(form7(), "Command12");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
        QVERIFY(visible("Frame2") && !visible("Label2"));
        QCOMPARE(drive::find<QLineEdit>(form6(), "Text24")->text(), QString("8"));
        drive::click(form6(), "Command3");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
    }
};

QTEST_MAIN(TestOtherRevenuesScreen)
#include "test_other_revenues_screen.moc"
