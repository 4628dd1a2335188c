#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QAbstractItemModel>
#include <QLabel>

namespace {

QString text(QWidget& screen, const char* name) { return drive::find<QLabel>(screen, name)->text(); }

QByteArray comboName(int k) { return "Combo" + QByteArray::number(k); }
QByteArray labelName(int k) { return "Label" + QByteArray::number(k); }

// One recurring service: 20 children in every month but June to August.
void addService(PlanState& plan, const QString& price, const QString& labour, const QString& other)
{
    const int i = plan.serviceCountValue() + 1;
    plan.serviceCount = i;
    ServiceRecord& record = plan.service(i);
    record.kind = FixedAmount::fromUnits(FixedAmount::kScale);
    record.name = QStringLiteral("Кружок");
    record.price = price;
    record.labourCost = labour;
    record.otherCost = other;
    for (int m = 0; m < ServiceRecord::kMonths; ++m)
        record.qty[static_cast<std::size_t>(m)] = (m >= 5 && m <= 7) ? "0" : "20";
}

} // namespace

class TestAdjustmentScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    PlanState& plan() { return m_wizard->plan(); }
    QWidget& form4() { return m_wizard->form4(); }
    QWidget& form9() { return m_wizard->form9(); }

    // A plan that balances at zero corrections: communication 20000, wages 900
    // and other payments 100 (1302 with accruals), food 1000; subsidy 22302.
    void balancedPlan()
    {
        plan().communication.total = "20000";
        plan().wages.total = "900";
        plan().otherPayments.total = "100";
        plan().food.total = "1000";
        plan().founderSubsidy = *FixedAmount::fromText(QStringLiteral("22302"));
    }

    // From the preliminary plan on to the adjustment screen.
    void enterAdjustment()
    {
        m_wizard->hideScreen(m_wizard->form2());
        m_wizard->showScreen(m_wizard->form8());
        m_wizard->form8().enter();
        drive::click(m_wizard->form8(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        m_wizard = drive::startPastWelcome();
    }
    void cleanup() { m_wizard.reset(); }

    void rows_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("captionText");
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("value");
        // Top to bottom; food comes last.
        QTest::newRow("wages") << "Label3" << "оплата труда (заработная плата и прочие выплаты) -" << 1 << 102;
        QTest::newRow("communication") << "Label10" << "расходы на оплату услуг связи -" << 2 << 103;
        QTest::newRow("transport") << "Label13" << "расходы на оплату транспортных услуг -" << 3 << 104;
        QTest::newRow("utilities") << "Label17" << "расходы на оплату коммунальных услуг -" << 4 << 105;
        QTest::newRow("rent") << "Label21" << "арендная плата за пользование имуществом -" << 5 << 106;
        QTest::newRow("maintenance") << "Label25" << "плата за работы, услуги по содержанию имущества -" << 6
                                     << 107;
        QTest::newRow("other services") << "Label29" << "расходы на прочие работы и услуги -" << 7 << 108;
        QTest::newRow("other expenses") << "Label37" << "прочие расходы -" << 9 << 110;
        QTest::newRow("fixed assets") << "Label41" << "расходы на увеличение стоимости основных средств -" << 10
                                      << 111;
        QTest::newRow("materials") << "Label45"
                                   << "расходы на увеличение материальных запасов (без продуктов питания)-" << 11
                                   << 112;
        QTest::newRow("food") << "Label33" << "расходы на приобретение продуктов питания -" << 8 << 109;
    }
    void rows()
    {
        QFETCH(QString, caption);
        QFETCH(QString, captionText);
        QFETCH(int, list);
        QFETCH(int, value);
        static int previousTop = 0;
        if (QByteArray(QTest::currentDataTag()) == "wages")
            previousTop = 0;
        QCOMPARE(form9().windowTitle(), QString("Корректировка  плана финансово-хозяйственной деятельности"));
        QCOMPARE(text(form9(), qPrintable(caption)), captionText);
        auto* combo = drive::find<QComboBox>(form9(), comboName(list));
        auto* shown = drive::find<QLabel>(form9(), labelName(value));
        QCOMPARE(shown->text(), QString("0"));
        QCOMPARE(shown->y(), combo->y());
        QVERIFY(combo->y() > previousTop);
        previousTop = combo->y();
        QCOMPARE(combo->count(), 0); // empty until the screen is entered
    }

    void listItems()
    {
        enterAdjustment();
        const QAbstractItemModel* shared = drive::find<QComboBox>(form9(), "Combo1")->model();
        for (int k = 1; k <= 11; ++k) {
            auto* list = drive::find<QComboBox>(form9(), comboName(k));
            QCOMPARE(list->model(), shared);
            QVERIFY(!list->isEditable());
        }
        QCOMPARE(shared->rowCount(), 401);
        const QStringList expected = {"-100", "-99,5", "-99"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(shared->index(i, 0).data().toString(), expected[i]);
        QCOMPARE(shared->index(199, 0).data().toString(), QString("-0,5"));
        QCOMPARE(shared->index(200, 0).data().toString(), QString("0"));
        QCOMPARE(shared->index(201, 0).data().toString(), QString("0,5"));
        QCOMPARE(shared->index(400, 0).data().toString(), QString("100"));
        QVERIFY(!(shared->flags(shared->index(5, 0)) & Qt::ItemIsEditable));
    }

    void choosingUpdatesFigures_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("balanceCaption");
        QTest::addColumn<QString>("balance");
        QTest::newRow("communication +10 %") << 2 << "10" << 103 << "2000" << "Дефицит -" << "2000";
        QTest::newRow("communication -100 %") << 2 << "-100" << 103 << "-20000" << "Профицит -" << "20000";
        QTest::newRow("wages with accruals") << 1 << "10" << 102 << "130,2" << "Дефицит -" << "130";
        QTest::newRow("food -99,5 %") << 8 << "-99,5" << 109 << "-995" << "Профицит -" << "995";
        QTest::newRow("the item already shown") << 8 << "0" << 109 << "0" << "Дефицит -" << "0";
    }
    void choosingUpdatesFigures()
    {
        QFETCH(int, list);
        QFETCH(QString, item);
        QFETCH(int, value);
        QFETCH(QString, shown);
        QFETCH(QString, balanceCaption);
        QFETCH(QString, balance);
        balancedPlan();
        enterAdjustment();
        QCOMPARE(text(form9(), "Label1"), QString("Дефицит -"));
        QCOMPARE(text(form9(), "Label100"), QString("0"));

        drive::choose(form9(), comboName(list), item);
        QCOMPARE(text(form9(), labelName(value)), shown);
        QCOMPARE(text(form9(), "Label1"), balanceCaption);
        QCOMPARE(text(form9(), "Label100"), balance);
        for (int k = 101; k <= 112; ++k)
            if (k != value)
                QCOMPARE(text(form9(), labelName(k)), QString("0"));
    }

    void choosingZeroEverywhereRestores()
    {
        balancedPlan();
        enterAdjustment();
        for (int k = 1; k <= 11; ++k)
            drive::choose(form9(), comboName(k), k % 2 ? "-50" : "25,5");
        QCOMPARE(plan().communication.total.numeric(), 25100.0);
        QVERIFY(text(form9(), "Label100") != QString("0"));
        for (int k = 11; k >= 1; --k)
            drive::choose(form9(), comboName(k), "0");
        for (int k = 101; k <= 112; ++k)
            QCOMPARE(text(form9(), labelName(k)), QString("0"));
        QCOMPARE(text(form9(), "Label100"), QString("0"));
        QCOMPARE(plan().communication.total.numeric(), 20000.0);
        QCOMPARE(plan().wages.total.numeric(), 900.0);
        QCOMPARE(plan().food.total.numeric(), 1000.0);
    }

    void reviseWithoutServices()
    {
        balancedPlan();
        plan().serviceCount = 0;
        enterAdjustment();
        drive::click(form9(), "Command1");
        QCOMPARE(drive::visibleScreens(), (QStringList{"Form4", "Form9"}));
        QVERIFY(!form9().isEnabled());
        QVERIFY(drive::find(form4(), "Frame2")->isVisible());
        QCOMPARE(text(form4(), "Label6"), QString("1"));
        QCOMPARE(text(form4(), "Label8"), QString("1"));
        QVERIFY(!drive::find<QPushButton>(form4(), "Command5")->isVisible());
        QCOMPARE(plan().serviceCountValue(), 1);
        QCOMPARE(plan().currentServiceValue(), 1);
    }

    void noInputWhileEditorOpen()
    {
        balancedPlan();
        enterAdjustment();
        drive::click(form9(), "Command1");
        auto* list = drive::find<QComboBox>(form9(), "Combo2");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::mouseClick(drive::find<QPushButton>(form9(), "Command1"), Qt::LeftButton);
        QTest::mouseClick(drive::find<QPushButton>(form9(), "Command2"), Qt::LeftButton);
        QCOMPARE(list->currentText(), QString("0"));
        QCOMPARE(text(form9(), "Label103"), QString("0"));
        QCOMPARE(drive::visibleScreens(), (QStringList{"Form4", "Form9"}));
        QVERIFY(!form9().isEnabled());
    }

    void finishingTheEditor_data()
    {
        QTest::addColumn<int>("services");
        QTest::addColumn<QString>("newPrice");
        QTest::addColumn<QString>("paidChange");
        QTest::newRow("no services, nothing changed") << 0 << "" << "0";
        QTest::newRow("one service, nothing changed") << 1 << "" << "0";
        // 180 child-months at 100 more.
        QTest::newRow("one service, price raised") << 1 << "1100" << "18000";
    }
    void finishingTheEditor()
    {
        QFETCH(int, services);
        QFETCH(QString, newPrice);
        QFETCH(QString, paidChange);
        balancedPlan();
        plan().serviceCount = 0;
        if (services) {
            addService(plan(), "1000", "300", "200");
            // The totals the editor stored when the list was first finished.
            plan().paidRevenue.total = 180000.0;
            plan().paidCostTotal = 90000.0;
            plan().wages.total = "54900"; // 900 besides the services' labour
            plan().otherExpenses.total = "36000";
            plan().founderSubsidy = *FixedAmount::fromText(QStringLiteral("-55002"));
        }
        enterAdjustment();
        drive::choose(form9(), "Combo2", "10");
        const QString balance = text(form9(), "Label100");

        drive::click(form9(), "Command1");
        if (!newPrice.isEmpty())
            drive::choose(form4(), "Combo1", newPrice);
        drive::click(form4(), "Command4");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        QVERIFY(form9().isEnabled());
        QCOMPARE(text(form9(), "Label101"), paidChange);
        QCOMPARE(text(form9(), "Label103"), QString("2000"));
        if (newPrice.isEmpty())
            QCOMPARE(text(form9(), "Label100"), balance);
        else
            QCOMPARE(plan().paidRevenue.total.numeric(), 198000.0);
    }

    void amountBeyondRange()
    {
        balancedPlan();
        enterAdjustment();
        drive::choose(form9(), "Combo8", "10");
        QCOMPARE(text(form9(), "Label100"), QString("100"));
        // Food so large that doubling it cannot be held.
        plan().foodRef.total = "600000000000000";
        drive::choose(form9(), "Combo8", "100");
        QCOMPARE(text(form9(), "Label100"), QString("вне диапазона"));
        QVERIFY(!drive::find<QLabel>(form9(), "Label100")->toolTip().isEmpty());
        QCOMPARE(text(form9(), "Label1"), QString("Дефицит -"));
        QCOMPARE(text(form9(), "Label109"), QString("100"));
        QCOMPARE(plan().food.total.numeric(), 1100.0);
        QCOMPARE(plan().foodCorrection.numeric(), 0.1);
        // Back within range, the figures return.
        drive::choose(form9(), "Combo8", "-100");
        QCOMPARE(text(form9(), "Label1"), QString("Профицит -"));
        QCOMPARE(text(form9(), "Label100"), QString("1000"));
        QVERIFY(drive::find<QLabel>(form9(), "Label100")->toolTip().isEmpty());
    }

    void generateKeepsTheScreen()
    {
        balancedPlan();
        enterAdjustment();
        drive::choose(form9(), "Combo2", "10");
        drive::click(form9(), "Command2");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        QCOMPARE(text(form9(), "Label103"), QString("2000"));
    }
};

QTEST_MAIN(TestAdjustmentScreen)
#include "test_adjustment_screen.moc"
