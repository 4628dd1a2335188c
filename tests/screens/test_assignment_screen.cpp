#include "screens/assignment_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QLabel>

class TestAssignmentScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    QWidget& form2() { return m_wizard->form2(); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        m_wizard = drive::startPastWelcome();
    }
    void cleanup() { m_wizard.reset(); }

    void firstShown()
    {
        QCOMPARE(drive::visibleScreens(), QStringList{"Form2"});
        QCOMPARE(form2().windowTitle(), QString("Задание учредителя"));
        QVERIFY(!drive::find<QLabel>(form2(), "Label6")->isVisible());
        QCOMPARE(drive::find<QLineEdit>(form2(), "Text1")->text(), QString());
        // The button comes first in the focus order, then the box.
        QCOMPARE(drive::nextTabStop(drive::find(form2(), "Command1"))->objectName(), QString("Text1"));
    }

    void amountCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<qint64>("units");
        QTest::newRow("whole") << "1500000" << true << qint64(15000000000);
        QTest::newRow("kopecks") << "1500000,50" << true << qint64(15000005000);
        QTest::newRow("grouped with blanks") << "1 500 000" << true << qint64(15000000000);
        QTest::newRow("negative") << "-100" << true << qint64(-1000000);
        QTest::newRow("zero") << "0" << true << qint64(0);
        QTest::newRow("rounded to four decimals") << "0,00015" << true << qint64(2);
        QTest::newRow("empty") << "" << false << qint64(0);
        QTest::newRow("digits then letters") << "12руб" << false << qint64(0);
        QTest::newRow("point under comma locale") << "1500000.50" << false << qint64(0);
        QTest::newRow("nan") << "nan" << false << qint64(0);
        QTest::newRow("beyond a double") << "1e400" << false << qint64(0);
        // Beyond the money range: refused like text, instead of wrapping.
        QTest::newRow("beyond the money range") << "1000000000000000" << false << qint64(0);
    }
    void amountCheck()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(qint64, units);
        PlanState& plan = m_wizard->plan();
        plan.founderSubsidy = FixedAmount::fromUnits(77);
        drive::type(form2(), "Text1", text);
        drive::click(form2(), "Command1");
        QCOMPARE(drive::find<QLabel>(form2(), "Label6")->isVisible(), !accepted);
        QVERIFY(plan.founderSubsidy.fixed());
        QCOMPARE(plan.founderSubsidy.fixed()->units(), accepted ? units : qint64(77));
        QCOMPARE(drive::visibleScreens(), QStringList{accepted ? "Form4" : "Form2"});
        QCOMPARE(drive::find<QLineEdit>(form2(), "Text1")->text(), text);
    }

    void errorLabelStaysUntilTheNextValidPress()
    {
        drive::type(form2(), "Text1", "abc");
        drive::click(form2(), "Command1");
        drive::click(form2(), "Command1");
        QVERIFY(drive::find<QLabel>(form2(), "Label6")->isVisible());
        drive::type(form2(), "Text1", "100");
        drive::click(form2(), "Command1");
        QVERIFY(!drive::find<QLabel>(form2(), "Label6")->isVisible());
    }

    void leadsToTheInstructionPage()
    {
        drive::type(form2(), "Text1", "1000");
        drive::click(form2(), "Command1");
        QWidget& form4 = m_wizard->form4();
        QVERIFY(form4.isVisible());
        QVERIFY(drive::find(form4, "Frame1")->isVisible());
        QVERIFY(drive::find(form4, "Command3")->isVisible());
    }

    void comingBackKeepsTheAmount()
    {
        drive::type(form2(), "Text1", "2500,5");
        drive::click(form2(), "Command1");
        drive::click(m_wizard->form4(), "Command2"); // "вернуться к заданию"
        QCOMPARE(drive::visibleScreens(), QStringList{"Form2"});
        QCOMPARE(drive::find<QLineEdit>(form2(), "Text1")->text(), QString("2500,5"));
        m_wizard->plan().founderSubsidy = FixedAmount();
        drive::click(form2(), "Command1");
        QCOMPARE(m_wizard->plan().founderSubsidy.fixed()->units(), qint64(25005000));
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});
        QVERIFY(drive::find(m_wizard->form4(), "Frame1")->isVisible());
    }
};

QTEST_MAIN(TestAssignmentScreen)
#include "test_assignment_screen.moc"
