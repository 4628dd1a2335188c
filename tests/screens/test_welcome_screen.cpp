#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QLabel>

class TestWelcomeScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    QWidget& form1() { return m_wizard->form1(); }

private slots:
    void initTestCase() { numbers::applyRegionalConventions(); }
    void init()
    {
        m_wizard = Wizard::launch();
        m_wizard->setEndHandler([] {});
    }
    void cleanup() { m_wizard.reset(); }

    void startsWithOnlyTheWelcomeScreen()
    {
        QCOMPARE(drive::visibleScreens(), QStringList{"Form1"});
        QCOMPARE(form1().windowTitle(), QString("Приветствие"));
        QVERIFY(!m_wizard->screensCreated());
        QVERIFY(!drive::find<QLabel>(form1(), "Label7")->isVisible());
        auto* settlement = drive::find<QComboBox>(form1(), "Combo1");
        QCOMPARE(settlement->count(), 2);
        QCOMPARE(settlement->itemText(0), QString("Сельский"));
        QCOMPARE(settlement->itemText(1), QString("Городской"));
        QCOMPARE(settlement->currentText(), QString());
        QVERIFY(!settlement->isEditable());
    }

    void checksInstitutionAndSettlement_data()
    {
        QTest::addColumn<QString>("institution");
        QTest::addColumn<QString>("settlement");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("name, no settlement") << "Детский сад № 5" << "" << false;
        QTest::newRow("settlement, no name") << "" << "Городской" << false;
        QTest::newRow("neither") << "" << "" << false;
        QTest::newRow("both") << "Детский сад № 5" << "Сельский" << true;
        QTest::newRow("a single blank is a name") << " " << "Городской" << true;
    }
    void checksInstitutionAndSettlement()
    {
        QFETCH(QString, institution);
        QFETCH(QString, settlement);
        QFETCH(bool, accepted);
        drive::type(form1(), "Text1", "Иванова");
        drive::type(form1(), "Text4", institution);
        if (!settlement.isEmpty())
            drive::choose(form1(), "Combo1", settlement);
        drive::click(form1(), "Command1");

        const PlanState& plan = m_wizard->plan();
        QCOMPARE(drive::find<QLabel>(form1(), "Label7")->isVisible(), !accepted);
        QCOMPARE(m_wizard->screensCreated(), accepted);
        QCOMPARE(drive::visibleScreens(), QStringList{accepted ? "Form2" : "Form1"});
        if (accepted) {
            QCOMPARE(plan.institutionName.toText(), institution);
            QCOMPARE(plan.settlementType, settlement);
            QCOMPARE(plan.userSurname.toText(), QString("Иванова"));
            QCOMPARE(form1().windowTitle(), QString("Подождите, идет загрузка..."));
        } else {
            QVERIFY(plan.institutionName.isEmpty());
            QVERIFY(plan.serviceCount.isEmpty());
            // What the user typed stays in the boxes.
            QCOMPARE(drive::find<QLineEdit>(form1(), "Text4")->text(), institution);
        }
    }

    void emptySurnameAndInitialsAreStoredEmpty()
    {
        drive::type(form1(), "Text4", "Сад");
        drive::choose(form1(), "Combo1", "Сельский");
        drive::click(form1(), "Command1");
        const PlanState& plan = m_wizard->plan();
        QCOMPARE(plan.userSurname.kind(), TaggedValue::Kind::Text);
        QCOMPARE(plan.userSurname.toText(), QString());
        QCOMPARE(plan.userFirstInitial.toText(), QString());
        QCOMPARE(plan.userPatronymicInitial.toText(), QString());
    }

    void startResetsFirstRecordAndFlags()
    {
        PlanState& plan = m_wizard->plan();
        plan.service(1).name = "старое";
        plan.service(1).price = "500";
        plan.service(2).name = "вторая";
        drive::type(form1(), "Text4", "Сад");
        drive::choose(form1(), "Combo1", "Городской");
        drive::click(form1(), "Command1");
        QCOMPARE(plan.serviceCountValue(), 0);
        QCOMPARE(plan.adjustmentStage.toInt(), 0);
        QCOMPARE(plan.service(1).kind.numeric(), 1.0);
        QVERIFY(plan.service(1).kind.fixed());
        QCOMPARE(plan.service(1).name, QString());
        QCOMPARE(plan.service(1).price.numeric(), 0.0);
        QCOMPARE(plan.service(1).qty[11].toText(), QString("0"));
        QCOMPARE(plan.service(2).name, QString("вторая"));
    }

    void focusOrder()
    {
        const char* order[] = {"Text1", "Text2", "Text3", "Text4", "Command1", "Combo1"};
        for (int i = 0; i + 1 < 6; ++i)
            QCOMPARE(drive::nextTabStop(drive::find(form1(), order[i]))->objectName(), QString(order[i + 1]));
    }
};

QTEST_MAIN(TestWelcomeScreen)
#include "test_welcome_screen.moc"
