#include "calc/preliminary.h"
#include "state/number_rules.h"
#include "state/plan_state.h"

#include <QtTest>

#include <limits>

namespace {

// One paid service with the same quantity in every month.
void addService(PlanState& plan, const QString& quantity, const QString& labour, const QString& other,
                const QString& price = QStringLiteral("0"))
{
    const int i = plan.serviceCountValue() + 1;
    plan.serviceCount = i;
    ServiceRecord& record = plan.service(i);
    record.kind = FixedAmount::fromUnits(FixedAmount::kScale);
    record.price = price;
    record.labourCost = labour;
    record.otherCost = other;
    for (TaggedValue& q : record.qty)
        q = quantity;
}

// A category entered per quarter: the texts as typed, the total their sum.
void enterQuarters(Family& family, const QStringList& quarters)
{
    double total = 0.0;
    for (int k = 0; k < 4; ++k) {
        family.q[static_cast<std::size_t>(k)] = quarters[k];
        total += numbers::toNumber(quarters[k]);
    }
    family.total = total;
}

} // namespace

class TestPreliminary : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void revenueFigure_data()
    {
        QTest::addColumn<QString>("subsidy");
        QTest::addColumn<QString>("investments");
        QTest::addColumn<QString>("paidRevenue");
        QTest::addColumn<QString>("parentFee");
        QTest::addColumn<QString>("shown");
        QTest::newRow("subsidy and parental fee") << "1000000" << "0" << "" << "200000" << "1200000";
        QTest::newRow("every revenue") << "1000" << "200" << "30" << "4" << "1234";
        QTest::newRow("never entered counts as 0") << "0" << "" << "" << "" << "0";
        QTest::newRow("half rounds up") << "1000,5" << "" << "" << "" << "1001";
        QTest::newRow("negative half away from zero") << "-2,5" << "" << "" << "" << "-3";
        QTest::newRow("texts are added, not joined") << "0" << "100" << "" << "200" << "300";
    }
    void revenueFigure()
    {
        QFETCH(QString, subsidy);
        QFETCH(QString, investments);
        QFETCH(QString, paidRevenue);
        QFETCH(QString, parentFee);
        QFETCH(QString, shown);
        PlanState plan;
        plan.founderSubsidy = *FixedAmount::fromText(subsidy);
        if (!investments.isEmpty())
            plan.investments.total = investments;
        if (!paidRevenue.isEmpty())
            plan.paidRevenue.total = paidRevenue.toDouble();
        if (!parentFee.isEmpty())
            plan.parentFee.total = parentFee;
        const PreliminaryTotals totals = ComputePreliminaryTotals(plan);
        QVERIFY(totals.inRange);
        QCOMPARE(numbers::formatWhole(totals.revenues), shown);
    }

    void expenseFigure_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("shown");
        QTest::newRow("wages carry the accruals") << int(Category::Wages) << "100000" << "130200";
        QTest::newRow("other payments carry the accruals") << int(Category::OtherPayments) << "1000" << "1302";
        QTest::newRow("food does not") << int(Category::Food) << "1000" << "1000";
        QTest::newRow("materials") << int(Category::Materials) << "1000,4" << "1000";
        QTest::newRow("fixed assets") << int(Category::FixedAssets) << "-2,5" << "-3";
    }
    void expenseFigure()
    {
        QFETCH(int, category);
        QFETCH(QString, amount);
        QFETCH(QString, shown);
        PlanState plan;
        plan.expense(static_cast<Category>(category)).total = amount;
        QCOMPARE(numbers::formatWhole(ComputePreliminaryTotals(plan).expenses), shown);
    }

    void everyCategoryCounts()
    {
        PlanState plan;
        for (int c = 0; c < kCategoryCount; ++c)
            plan.expense(static_cast<Category>(c)).total = QString::number(1 << c);
        // 1 + 2 with accruals, then 4 + 8 + … + 2048.
        QCOMPARE(ComputePreliminaryTotals(plan).expenses, 3 * 1.302 + (4096 - 4));
    }

    void noServices()
    {
        PlanState plan;
        plan.serviceCount = 0;
        enterQuarters(plan.wages, {"100", "200", "300", "400,5"});
        enterQuarters(plan.otherExpenses, {"10", "20", "30", "40"});
        QVERIFY(ComputePreliminaryTotals(plan).inRange);
        for (std::size_t k = 0; k < 4; ++k) {
            QCOMPARE(plan.servicesLabour.q[k].numeric(), 0.0);
            QCOMPARE(plan.servicesOther.q[k].numeric(), 0.0);
            QCOMPARE(plan.baseWages.q[k].numeric(), plan.wages.q[k].numeric());
            QCOMPARE(plan.baseOtherExpenses.q[k].numeric(), plan.otherExpenses.q[k].numeric());
        }
        QCOMPARE(plan.servicesOther.q[3].kind(), TaggedValue::Kind::Fixed);
        QCOMPARE(plan.baseWages.total, TaggedValue(FixedAmount::fromUnits(10005000)));
        QCOMPARE(plan.baseOtherExpenses.total.numeric(), 100.0);
    }

    void serviceNeeds()
    {
        PlanState plan;
        addService(plan, "10", "100", "50");
        enterQuarters(plan.wages, {"25000", "25000", "25000", "25000"});
        enterQuarters(plan.otherExpenses, {"5000", "5000", "5000", "5000"});
        QVERIFY(ComputePreliminaryTotals(plan).inRange);
        for (std::size_t k = 0; k < 4; ++k) {
            QCOMPARE(plan.servicesLabour.q[k].numeric(), 3000.0);
            QCOMPARE(plan.servicesOther.q[k].numeric(), 1500.0);
            QCOMPARE(plan.baseWages.q[k].numeric(), 22000.0);
            QCOMPARE(plan.baseOtherExpenses.q[k].numeric(), 3500.0);
        }
        QCOMPARE(plan.servicesLabour.total.numeric(), 12000.0);
        QCOMPARE(plan.servicesOther.total.numeric(), 6000.0);
        QCOMPARE(plan.servicesOther.q[3], TaggedValue(FixedAmount::fromUnits(15000000)));
        QCOMPARE(plan.baseWages.total, TaggedValue(FixedAmount::fromUnits(880000000)));
        QCOMPARE(plan.baseOtherExpenses.total.numeric(), 14000.0);
    }

    void severalServicesAddUp()
    {
        PlanState plan;
        addService(plan, "10", "100", "50");
        addService(plan, "2", "300", "0");
        addService(plan, "0", "1000", "1000");
        ComputePreliminaryTotals(plan);
        QCOMPARE(plan.servicesLabour.q[0].numeric(), 3000.0 + 1800.0);
        QCOMPARE(plan.servicesLabour.total.numeric(), 4 * 4800.0);
        QCOMPARE(plan.servicesOther.total.numeric(), 6000.0);
    }

    void fourthQuarterRoundedAfterEveryService()
    {
        // Each service adds 0.00005 to the fourth quarter's other costs; rounded
        // to four decimals (halves to even) after each, the sum never grows.
        PlanState plan;
        for (int i = 0; i < 3; ++i) {
            addService(plan, "0", "0", "0,00005");
            plan.service(i + 1).qty[9] = "1";
        }
        ComputePreliminaryTotals(plan);
        QCOMPARE(plan.servicesOther.q[3], TaggedValue(FixedAmount{}));
    }

    void recomputedFromScratch()
    {
        // Running again (after going back to the expenses) starts the sums anew.
        PlanState plan;
        addService(plan, "10", "100", "50");
        plan.wages.total = "1000";
        ComputePreliminaryTotals(plan);
        plan.wages.total = "2000";
        const PreliminaryTotals totals = ComputePreliminaryTotals(plan);
        QCOMPARE(plan.servicesLabour.total.numeric(), 12000.0);
        QCOMPARE(totals.expenses, 2000 * 1.302);
        QCOMPARE(plan.baseWages.total.numeric(), -10000.0);
    }

    void outOfRangeLeavesPlanAsItWas_data()
    {
        QTest::addColumn<QString>("wages");
        QTest::addColumn<QString>("otherCost");
        QTest::addColumn<QString>("beyondADouble"); // two amounts of 1e308 that sum to infinity
        QTest::addColumn<double>("revenues");
        const double infinite = std::numeric_limits<double>::infinity();
        QTest::newRow("wages net of services") << "1e20" << "0" << "" << 1000.0;
        QTest::newRow("fourth quarter of other costs") << "0" << "1e18" << "" << 1000.0;
        QTest::newRow("expenses beyond a double") << "0" << "0" << "expenses" << 1000.0;
        QTest::newRow("revenues beyond a double") << "0" << "0" << "revenues" << infinite;
    }
    void outOfRangeLeavesPlanAsItWas()
    {
        QFETCH(QString, wages);
        QFETCH(QString, otherCost);
        QFETCH(QString, beyondADouble);
        QFETCH(double, revenues);
        PlanState plan;
        plan.founderSubsidy = *FixedAmount::fromText(QStringLiteral("1000"));
        addService(plan, "1", "5", otherCost);
        plan.wages.total = wages;
        if (beyondADouble == "expenses")
            plan.food.total = plan.otherServices.total = "1e308";
        else if (beyondADouble == "revenues")
            plan.investments.total = plan.parentFee.total = "1e308";
        plan.baseWages.total = FixedAmount::fromUnits(77);
        const PreliminaryTotals totals = ComputePreliminaryTotals(plan);
        QVERIFY(!totals.inRange);
        QCOMPARE(totals.revenues, revenues);
        QCOMPARE(plan.baseWages.total, TaggedValue(FixedAmount::fromUnits(77)));
        QVERIFY(plan.servicesLabour.total.isEmpty());
        QVERIFY(plan.servicesLabour.q[0].isEmpty());
        QCOMPARE(plan.servicesOther.q[3], TaggedValue(FixedAmount{}));
        QVERIFY(plan.baseOtherExpenses.total.isEmpty());
    }

    void referencesKeepKinds()
    {
        PlanState plan;
        addService(plan, "1", "100", "10");
        plan.paidRevenue.total = 5000.0;
        plan.paidCostTotal = 1320.0;
        enterQuarters(plan.wages, {"1000", "1000", "1000", "1000"});
        enterQuarters(plan.food, {"1", "2,5", "3", "4"});
        plan.otherPayments.total = "800";
        plan.otherExpenses.total = "900";
        plan.materials.q[3] = *FixedAmount::fromText(QStringLiteral("12,3456"));
        ComputePreliminaryTotals(plan);
        beginAdjustment(plan);

        QCOMPARE(plan.paidResultRef.numeric(), 3680.0);
        QCOMPARE(plan.adjustmentStage.toInt(), 1);
        QCOMPARE(plan.baseWagesRef.total, plan.baseWages.total);
        QCOMPARE(plan.baseWagesRef.total.kind(), TaggedValue::Kind::Fixed);
        QCOMPARE(plan.baseWagesRef.q[2].numeric(), 700.0);
        QCOMPARE(plan.baseOtherExpensesRef.total.numeric(), 900.0 - 120.0);
        QCOMPARE(plan.foodRef.q[1], TaggedValue("2,5")); // texts stay texts
        QCOMPARE(plan.otherPaymentsRef.total, TaggedValue("800"));
        QCOMPARE(plan.materialsRef.q[3], TaggedValue(FixedAmount::fromUnits(123456)));
        QVERIFY(plan.correctionsEnabled.isEmpty());
    }

    void initialDeficit_data()
    {
        QTest::addColumn<QString>("parentFee");
        QTest::addColumn<double>("deficit");
        QTest::newRow("deficit") << "1000" << 500.0;
        QTest::newRow("surplus") << "2000" << -500.0;
        QTest::newRow("balanced") << "1500" << 0.0;
    }
    void initialDeficit()
    {
        QFETCH(QString, parentFee);
        QFETCH(double, deficit);
        PlanState plan;
        plan.food.total = "1500";
        plan.parentFee.total = parentFee;
        ComputePreliminaryTotals(plan);
        QCOMPARE(computeInitialDeficit(plan), deficit);
        QCOMPARE(plan.initialDeficit.numeric(), deficit);
    }

    void initialDeficitCountsEveryRevenueAndAccruals()
    {
        PlanState plan;
        plan.wages.total = "1000";
        plan.otherPayments.total = "1000";
        plan.founderSubsidy = *FixedAmount::fromText(QStringLiteral("1000"));
        plan.investments.total = "100";
        plan.paidRevenue.total = 10.0;
        plan.parentFee.total = "1";
        QCOMPARE(computeInitialDeficit(plan), 2604.0 - 1111.0);
    }
};

QTEST_GUILESS_MAIN(TestPreliminary)
#include "test_preliminary.moc"
