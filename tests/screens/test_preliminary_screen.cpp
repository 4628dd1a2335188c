#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/expenses_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QLabel>

namespace {

// The expense pages in their order.
constexpr int kPages[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13};

QString label(QWidget& screen, const char* name) { return drive::find<QLabel>(screen, name)->text(); }

} // namespace

class TestPreliminaryScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    PlanState& plan() { return m_wizard->plan(); }
    QWidget& form8() { return m_wizard->form8(); }
    QWidget& form9() { return m_wizard->form9(); }

    // Shows the preliminary plan for the plan as it stands, as the last expense page does.
    void showPreliminary()
    {
        m_wizard->hideScreen(m_wizard->form2());
        m_wizard->showScreen(m_wizard->form8());
        m_wizard->form8().enter();
    }

    // Goes through the expense pages typing one annual sum per page (the page's
    // number × `scale`, "" for the quarterly default of zeros).
    void enterExpenses(int scale)
    {
        QWidget& form7 = m_wizard->form7();
        m_wizard->hideScreen(m_wizard->form2());
        m_wizard->showScreen(form7);
        for (int page : kPages) {
            const QByteArray k = QByteArray::number(page);
            drive::click(form7, "Option" + k + "2");
            drive::type(form7, "Text" + k + "0", QString::number(page * scale));
            drive::click(form7, "Command" + k + "1");
        }
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        m_wizard = drive::startPastWelcome();
    }
    void cleanup() { m_wizard.reset(); }

    void layout()
    {
        showPreliminary();
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        QCOMPARE(form8().windowTitle(), QString("Предварительный ПФХД"));
        QCOMPARE(label(form8(), "Label2"), QString("Поступления ПФХД (всего) -"));
        QCOMPARE(label(form8(), "Label4"), QString("Расходы ПФХД (всего) -"));
        QCOMPARE(drive::find<QPushButton>(form8(), "Command3")->text(), QString("назад"));
        QCOMPARE(drive::find<QPushButton>(form8(), "Command2")->text(), QString("Сформировать ПФХД"));
        QCOMPARE(drive::find<QPushButton>(form8(), "Command1")->text(), QString("далее"));

        // The dash that ends each caption stands apart from its figure, so that a
        // figure of 0 does not read as "-0".
        for (const auto& [caption, figure] : {std::pair{"Label2", "Label1"}, std::pair{"Label4", "Label6"}}) {
            auto* captionLabel = drive::find<QLabel>(form8(), caption);
            auto* figureLabel = drive::find<QLabel>(form8(), figure);
            QVERIFY(captionLabel->alignment() & Qt::AlignRight);
            const int dashEnd = captionLabel->geometry().right() - captionLabel->contentsMargins().right();
            QVERIFY2(figureLabel->x() - dashEnd >= 4, caption);
        }
    }

    void figures_data()
    {
        QTest::addColumn<QString>("subsidy");
        QTest::addColumn<QString>("parentFee");
        QTest::addColumn<QString>("wages");
        QTest::addColumn<QString>("food");
        QTest::addColumn<QString>("revenues");
        QTest::addColumn<QString>("expenses");
        QTest::newRow("subsidy and parental fee") << "1000000" << "200000" << "" << "" << "1200000" << "0";
        QTest::newRow("wages with accruals") << "0" << "" << "100000" << "" << "0" << "130200";
        QTest::newRow("halves away from zero") << "1000,5" << "" << "" << "-2,5" << "1001" << "-3";
    }
    void figures()
    {
        QFETCH(QString, subsidy);
        QFETCH(QString, parentFee);
        QFETCH(QString, wages);
        QFETCH(QString, food);
        QFETCH(QString, revenues);
        QFETCH(QString, expenses);
        plan().founderSubsidy = *FixedAmount::fromText(subsidy);
        if (!parentFee.isEmpty())
            plan().parentFee.total = parentFee;
        if (!wages.isEmpty())
            plan().wages.total = wages;
        if (!food.isEmpty())
            plan().food.total = food;
        showPreliminary();
        QCOMPARE(label(form8(), "Label1"), revenues);
        QCOMPARE(label(form8(), "Label6"), expenses);
    }

    void backAndForthRecomputes()
    {
        enterExpenses(1000);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        // 1 + 2 thousand with accruals, then 3 + 4 + … + 10 + 12 + 13 thousand.
        QCOMPARE(label(form8(), "Label6"), QString("80906"));

        drive::click(form8(), "Command3");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        QCOMPARE(static_cast<Form7&>(m_wizard->form7()).currentPage(), 13);
        drive::type(m_wizard->form7(), "Text130", "0");
        drive::click(m_wizard->form7(), "Command131");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        QCOMPARE(label(form8(), "Label6"), QString("67906"));
        // Nothing has been prepared for the adjustment.
        QCOMPARE(plan().adjustmentStage.toInt(), 0);
        QVERIFY(plan().correctionsEnabled.isEmpty());
    }

    void nextPreparesAdjustment_data()
    {
        QTest::addColumn<QString>("parentFee");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("amount");
        // Expenses 1500 (food).
        QTest::newRow("deficit") << "1000" << "Дефицит -" << "500";
        QTest::newRow("surplus") << "2000" << "Профицит -" << "500";
        QTest::newRow("balanced") << "1500" << "Дефицит -" << "0";
        QTest::newRow("surplus rounds half up") << "2734,6" << "Профицит -" << "1235";
    }
    void nextPreparesAdjustment()
    {
        QFETCH(QString, parentFee);
        QFETCH(QString, caption);
        QFETCH(QString, amount);
        plan().food.total = "1500";
        plan().food.q = {375.0, 375.0, 375.0, 375.0};
        plan().parentFee.total = parentFee;
        showPreliminary();
        QCOMPARE(drive::find<QComboBox>(form9(), "Combo1")->count(), 0); // empty until entered

        drive::click(form8(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        QCOMPARE(label(form9(), "Label1"), caption);
        QCOMPARE(label(form9(), "Label100"), amount);
        for (int k = 1; k <= 11; ++k) {
            auto* list = drive::find<QComboBox>(form9(), qPrintable(QString("Combo%1").arg(k)));
            QCOMPARE(list->count(), 401);
            QCOMPARE(list->currentText(), QString("0"));
        }
        for (int k = 101; k <= 112; ++k)
            QCOMPARE(label(form9(), qPrintable(QString("Label%1").arg(k))), QString("0"));
        QCOMPARE(plan().adjustmentStage.toInt(), 1);
        QCOMPARE(plan().correctionsEnabled.toInt(), 1);
        QCOMPARE(plan().foodRef.total, TaggedValue("1500"));
        QCOMPARE(plan().initialDeficit.numeric(), 1500 - numbers::toNumber(parentFee));
        // No adjustment has been calculated: the entered amounts are untouched.
        QCOMPARE(plan().food.total, TaggedValue("1500"));
        QVERIFY(plan().foodCorrection.isEmpty());
        QVERIFY(plan().paidRevenue.q[0].isEmpty());
    }

    void amountBeyondRange_data()
    {
        QTest::addColumn<QString>("wages");
        QTest::addColumn<QString>("eachRevenue");
        QTest::addColumn<QString>("revenuesShown");
        QTest::newRow("wages beyond the fixed-point range") << "1e20" << "0" << "1000";
        // Two revenues of 1e308 add up to more than a double holds: never "inf".
        QTest::newRow("revenues beyond a double") << "0" << "1e308" << "вне диапазона";
    }
    void amountBeyondRange()
    {
        QFETCH(QString, wages);
        QFETCH(QString, eachRevenue);
        QFETCH(QString, revenuesShown);
        plan().founderSubsidy = *FixedAmount::fromText(QStringLiteral("1000"));
        plan().wages.total = wages;
        plan().investments.total = plan().parentFee.total = eachRevenue;
        showPreliminary();
        QCOMPARE(label(form8(), "Label1"), revenuesShown);
        QCOMPARE(label(form8(), "Label6"), QString("вне диапазона"));
        QVERIFY(!drive::find<QLabel>(form8(), "Label6")->toolTip().isEmpty());
        QCOMPARE(plan().baseWages.total, TaggedValue(FixedAmount{}));
        // Such a plan is not adjusted.
        drive::click(form8(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        QCOMPARE(plan().adjustmentStage.toInt(), 0);
        QVERIFY(plan().correctionsEnabled.isEmpty());

        // A correctable amount shows figures again and lets the user go on.
        plan().wages.total = "100000";
        plan().investments.total = plan().parentFee.total = "0";
        showPreliminary();
        QCOMPARE(label(form8(), "Label6"), QString("130200"));
        QVERIFY(drive::find<QLabel>(form8(), "Label6")->toolTip().isEmpty());
        drive::click(form8(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
    }

    void generateKeepsTheScreen()
    {
        plan().food.total = "1500";
        showPreliminary();
        drive::click(form8(), "Command2");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        QCOMPARE(label(form8(), "Label6"), QString("1500"));
    }
};

QTEST_MAIN(TestPreliminaryScreen)
#include "test_preliminary_screen.moc"
