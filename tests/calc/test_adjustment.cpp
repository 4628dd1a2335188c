#include "calc/adjustment.h"
#include "calc/amount_reader.h"
#include "calc/paid_services.h"
#include "calc/preliminary.h"
#include "state/number_rules.h"
#include "state/plan_state.h"

#include <QtTest>

namespace {

using Items = std::array<QString, kCorrectionCount>;

Items allItems(const QString& item)
{
    Items items;
    items.fill(item);
    return items;
}

Items oneItem(Correction c, const QString& item)
{
    Items items = allItems(QStringLiteral("0"));
    items[static_cast<std::size_t>(c)] = item;
    return items;
}

void addService(PlanState& plan, const QString& price, const QString& labour, const QString& other,
                const QStringList& months)
{
    const int i = plan.serviceCountValue() + 1;
    plan.serviceCount = i;
    ServiceRecord& record = plan.service(i);
    record.price = price;
    record.labourCost = labour;
    record.otherCost = other;
    for (int m = 0; m < ServiceRecord::kMonths; ++m)
        record.qty[static_cast<std::size_t>(m)] = months[m];
}

// The paid-service totals the editor computes when the list is finished.
void finishServices(PlanState& plan)
{
    double revenue = 0.0;
    double cost = 0.0;
    for (int i = 1; i <= plan.serviceCountValue(); ++i) {
        const ServiceRecord& r = plan.service(i);
        const double quantity = serviceQuantities(r, AmountReader()).year;
        revenue += r.price.numeric() * quantity;
        cost += (r.labourCost.numeric() + r.otherCost.numeric()) * quantity;
    }
    plan.paidRevenue.total = revenue;
    plan.paidCostTotal = cost;
}

// A plan as it stands when the adjustment screen is entered: two services, every
// category entered per quarter (texts), the totals their sums.
PlanState enteredPlan()
{
    PlanState plan;
    plan.serviceCount = 0;
    const QStringList busy = {"20", "20", "20", "20", "20", "0", "0", "0", "20", "20", "20", "20"};
    addService(plan, "1000", "300", "200", busy);
    addService(plan, "500", "100", "10", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});
    finishServices(plan);
    plan.founderSubsidy = *FixedAmount::fromText(QStringLiteral("5000000"));
    plan.investments.total = "100000";
    plan.parentFee.total = 240000.0;
    for (int c = 0; c < kCategoryCount; ++c) {
        Family& family = plan.expense(static_cast<Category>(c));
        double total = 0.0;
        for (int k = 0; k < 4; ++k) {
            const QString text = QStringLiteral("%1,25").arg(10000 * (c + 1) + 1000 * k);
            family.q[static_cast<std::size_t>(k)] = text;
            total += numbers::toNumber(text);
        }
        family.total = total;
    }
    // The fourth quarter of material reserves is held as a fixed-point amount.
    plan.materials.q[3] = *FixedAmount::fromText(plan.materials.q[3].toText());
    ComputePreliminaryTotals(plan);
    beginAdjustment(plan);
    plan.correctionsEnabled = 1;
    computeInitialDeficit(plan);
    return plan;
}

// The amounts of every expense category as first entered.
std::array<std::array<double, 5>, kCategoryCount> enteredAmounts(const PlanState& plan)
{
    std::array<std::array<double, 5>, kCategoryCount> amounts;
    for (int c = 0; c < kCategoryCount; ++c) {
        const Family& f = plan.expense(static_cast<Category>(c));
        amounts[static_cast<std::size_t>(c)] = {f.total.numeric(), f.q[0].numeric(), f.q[1].numeric(),
                                                f.q[2].numeric(), f.q[3].numeric()};
    }
    return amounts;
}

// Everything the calculation writes, as numbers.
QList<double> written(const PlanState& plan)
{
    QList<double> values;
    for (int c = 0; c < kCategoryCount; ++c) {
        const Family& f = plan.expense(static_cast<Category>(c));
        values << f.total.numeric();
        for (const TaggedValue& q : f.q)
            values << q.numeric();
    }
    for (const Family* f : {&plan.paidRevenue, &plan.paidLabour, &plan.paidOtherCost}) {
        values << f->total.numeric();
        for (const TaggedValue& q : f->q)
            values << q.numeric();
    }
    for (int k = 0; k < kCorrectionCount; ++k)
        values << plan.correction(static_cast<Correction>(k)).numeric();
    for (int i = 1; i <= plan.serviceCountValue(); ++i)
        for (const TaggedValue& q : plan.service(i).revenueQ)
            values << q.numeric();
    values << plan.planDeficit.numeric();
    return values;
}

constexpr std::size_t at(Category c) { return static_cast<std::size_t>(c); }

// The category each list corrects, besides wages' other payments.
constexpr std::array<Category, kCorrectionCount> kCorrected = {
    Category::Wages, Category::Communication, Category::Transport,     Category::Utilities,
    Category::Rent,  Category::Maintenance,   Category::OtherServices, Category::Food,
    Category::OtherExpenses, Category::FixedAssets, Category::Materials,
};

} // namespace

class TestAdjustment : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void listItemsAsFractions_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<double>("fraction");
        QTest::newRow("lowest") << "-100" << -1.0;
        QTest::newRow("negative half") << "-99,5" << -0.995;
        QTest::newRow("zero") << "0" << 0.0;
        QTest::newRow("positive half") << "0,5" << 0.005;
        QTest::newRow("ten") << "10" << 0.1;
        QTest::newRow("highest") << "100" << 1.0;
    }
    void listItemsAsFractions()
    {
        QFETCH(QString, item);
        QFETCH(double, fraction);
        for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::Russian, QLocale::Russia)}) {
            QLocale::setDefault(locale);
            QCOMPARE(correctionFraction(item), fraction);
        }
    }

    void allZeroRestoresEnteredAmounts()
    {
        PlanState plan = enteredPlan();
        const auto entered = enteredAmounts(plan);
        const AdjustmentFigures figures = CalculateAdjustment(plan, allItems("0"));
        QVERIFY(figures.inRange);
        const auto now = enteredAmounts(plan);
        for (std::size_t c = 0; c < entered.size(); ++c)
            for (std::size_t v = 0; v < 5; ++v)
                QCOMPARE(now[c][v], entered[c][v]);
        QCOMPARE(plan.wages.total.numeric(), plan.baseWagesRef.total.numeric() + plan.paidLabour.total.numeric());
        QCOMPARE(figures.paidResultChange, 0.0);
        QCOMPARE(figures.changes, (std::array<double, kCorrectionCount>{}));
        QCOMPARE(figures.balance, plan.initialDeficit.numeric());
        // From now on every category holds numbers; materialsQ4 stays fixed-point.
        QCOMPARE(plan.food.q[1].kind(), TaggedValue::Kind::Double);
        QCOMPARE(plan.materials.q[3].kind(), TaggedValue::Kind::Fixed);
        QCOMPARE(plan.planDeficit.kind(), TaggedValue::Kind::Fixed);
    }

    void sameFactorEverywhere_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<double>("factor");
        QTest::newRow("-100 zeroes") << "-100" << 0.0;
        QTest::newRow("100 doubles") << "100" << 2.0;
        QTest::newRow("-99,5") << "-99,5" << 0.005;
        QTest::newRow("10") << "10" << 1.1;
    }
    void sameFactorEverywhere()
    {
        QFETCH(QString, item);
        QFETCH(double, factor);
        PlanState plan = enteredPlan();
        const auto entered = enteredAmounts(plan);
        QVERIFY(CalculateAdjustment(plan, allItems(item)).inRange);
        const auto now = enteredAmounts(plan);
        const double f = 1.0 + correctionFraction(item); // as the calculation forms it
        QCOMPARE(f, factor);
        for (int c = 0; c < kCategoryCount; ++c) {
            const auto category = static_cast<Category>(c);
            const Family& ref = plan.reference(category);
            // Wages and other expenses keep the paid services' share uncorrected.
            const Family* share = category == Category::Wages           ? &plan.paidLabour
                                  : category == Category::OtherExpenses ? &plan.paidOtherCost
                                                                        : nullptr;
            QCOMPARE(now[at(category)][0], ref.total.numeric() * f + (share ? share->total.numeric() : 0.0));
            for (std::size_t k = 0; k < 4; ++k) {
                double expected = ref.q[k].numeric() * f + (share ? share->q[k].numeric() : 0.0);
                if (category == Category::Materials && k == 3) // fixed-point: four decimals
                    expected = FixedAmount::fromDouble(expected)->toDouble();
                QCOMPARE(now[at(category)][k + 1], expected);
            }
            if (!share)
                QCOMPARE(now[at(category)][0], entered[at(category)][0] * factor);
        }
        if (factor == 0.0) {
            QCOMPARE(plan.food.total.numeric(), 0.0);
            QVERIFY(plan.wages.total.numeric() > 0.0);
            QCOMPARE(plan.wages.total.numeric(), plan.paidLabour.total.numeric());
            QCOMPARE(plan.otherExpenses.q[2].numeric(), plan.paidOtherCost.q[2].numeric());
        }
    }

    void eachListCorrectsItsOwnCategory_data()
    {
        QTest::addColumn<int>("list");
        for (int k = 0; k < kCorrectionCount; ++k)
            QTest::addRow("Combo%d", k + 1) << k;
    }
    void eachListCorrectsItsOwnCategory()
    {
        QFETCH(int, list);
        PlanState plan = enteredPlan();
        const auto entered = enteredAmounts(plan);
        const auto correction = static_cast<Correction>(list);
        const AdjustmentFigures figures = CalculateAdjustment(plan, oneItem(correction, "50"));
        const auto now = enteredAmounts(plan);
        for (int c = 0; c < kCategoryCount; ++c) {
            const auto category = static_cast<Category>(c);
            const bool corrected = category == kCorrected[static_cast<std::size_t>(list)]
                                   || (correction == Correction::Wages && category == Category::OtherPayments);
            QVERIFY2(corrected == (now[at(category)][0] != entered[at(category)][0]),
                     qPrintable(QString::number(c)));
        }
        for (int k = 0; k < kCorrectionCount; ++k) {
            QCOMPARE(plan.correction(static_cast<Correction>(k)).numeric(), k == list ? 0.5 : 0.0);
            QCOMPARE(figures.changes[static_cast<std::size_t>(k)] != 0.0, k == list);
        }
        const Category base = kCorrected[static_cast<std::size_t>(list)];
        const double expected = correction == Correction::Wages
                                    ? 1.302 * 0.5 * (plan.otherPaymentsRef.total.numeric()
                                                     + plan.baseWagesRef.total.numeric())
                                    : 0.5 * plan.reference(base).total.numeric();
        QCOMPARE(figures.changes[static_cast<std::size_t>(list)], expected);
    }

    void changeAmounts_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("categoryTotal");
        // Communication 20000, base wages 900, other payments 100, food 1000.
        QTest::newRow("communication +10 %") << int(Correction::Communication) << "10" << "2000" << 22000.0;
        QTest::newRow("communication -100 %") << int(Correction::Communication) << "-100" << "-20000" << 0.0;
        QTest::newRow("wages with accruals") << int(Correction::Wages) << "10" << "130,2" << 990.0;
        QTest::newRow("food -99,5 %") << int(Correction::Food) << "-99,5" << "-995" << 5.0;
        QTest::newRow("unchanged") << int(Correction::Food) << "0" << "0" << 1000.0;
    }
    void changeAmounts()
    {
        QFETCH(int, list);
        QFETCH(QString, item);
        QFETCH(QString, shown);
        QFETCH(double, categoryTotal);
        PlanState plan;
        plan.communicationRef.total = "20000";
        plan.baseWagesRef.total = FixedAmount::fromUnits(9000000);
        plan.otherPaymentsRef.total = 100.0;
        plan.foodRef.total = "1000";
        const auto correction = static_cast<Correction>(list);
        const AdjustmentFigures figures = CalculateAdjustment(plan, oneItem(correction, item));
        QCOMPARE(numbers::formatPlain(figures.changes[static_cast<std::size_t>(list)]), shown);
        const Category category = kCorrected[static_cast<std::size_t>(list)];
        QCOMPARE(plan.expense(category).total.numeric(), categoryTotal);
    }

    void balance_data()
    {
        QTest::addColumn<QString>("food");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("deficit");
        QTest::addColumn<QString>("shown");
        // Revenues are 1000 in all.
        QTest::newRow("deficit") << "1500" << "0" << true << "500";
        QTest::newRow("surplus") << "500" << "0" << false << "500";
        QTest::newRow("exactly balanced") << "1000" << "0" << true << "0";
        QTest::newRow("balanced by a correction") << "2000" << "-50" << true << "0";
        QTest::newRow("surplus rounds half up") << "-234,6" << "0" << false << "1235";
        QTest::newRow("deficit below a half") << "1000,4" << "0" << true << "0";
    }
    void balance()
    {
        QFETCH(QString, food);
        QFETCH(QString, item);
        QFETCH(bool, deficit);
        QFETCH(QString, shown);
        PlanState plan;
        plan.founderSubsidy = *FixedAmount::fromText(QStringLiteral("600"));
        plan.investments.total = "300";
        plan.parentFee.total = 100.0;
        plan.foodRef.total = food;
        const AdjustmentFigures figures = CalculateAdjustment(plan, oneItem(Correction::Food, item));
        QVERIFY(figures.inRange);
        QCOMPARE(plan.planDeficit.numeric(), figures.balance);
        const BalanceLine line = balanceLine(figures.balance);
        QCOMPARE(line.deficit, deficit);
        QCOMPARE(numbers::formatWhole(line.amount), shown);
    }

    void balanceCountsAccrualsAndPaidRevenue()
    {
        PlanState plan;
        addService(plan, "100", "0", "0", {"1", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"});
        plan.baseWagesRef.total = FixedAmount::fromUnits(10000000); // 1000
        plan.otherPaymentsRef.total = "1000";
        plan.materialsRef.total = "50";
        const AdjustmentFigures figures = CalculateAdjustment(plan, allItems("0"));
        QCOMPARE(figures.balance, 2604.0 + 50.0 - 100.0);
        QCOMPARE(plan.planDeficit, TaggedValue(FixedAmount::fromUnits(25540000)));
    }

    void paidServiceFigures()
    {
        PlanState plan;
        addService(plan, "1000", "300", "200",
                   {"20", "20", "20", "20", "20", "0", "0", "0", "20", "20", "20", "20"});
        addService(plan, "10", "1", "2", {"1", "1", "1", "0", "0", "0", "0", "0", "0", "0", "0", "5"});
        // A third record beyond serviceCount is not counted.
        addService(plan, "999", "999", "999", QStringList(12, "9"));
        plan.serviceCount = 2;
        CalculateAdjustment(plan, allItems("0"));
        QCOMPARE(plan.service(1).revenueQ[0].numeric(), 60000.0);
        QCOMPARE(plan.service(1).revenueQ[1].numeric(), 40000.0);
        QCOMPARE(plan.service(1).revenueQ[2].numeric(), 20000.0);
        QCOMPARE(plan.service(2).revenueQ[0].numeric(), 30.0);
        QVERIFY(plan.service(3).revenueQ[0].isEmpty());
        QCOMPARE(plan.paidRevenue.q[0].numeric(), 60030.0);
        QCOMPARE(plan.paidRevenue.q[3].numeric(), 60050.0);
        QCOMPARE(plan.paidRevenue.total.numeric(), 180080.0);
        QCOMPARE(plan.paidLabour.q[1].numeric(), 12000.0);
        QCOMPARE(plan.paidLabour.total.numeric(), 54008.0);
        QCOMPARE(plan.paidOtherCost.q[0].numeric(), 12006.0);
        QCOMPARE(plan.paidOtherCost.total, TaggedValue(FixedAmount::fromUnits(360160000)));
    }

    void paidResultChange_data()
    {
        QTest::addColumn<int>("services");
        QTest::addColumn<double>("paidResultRef");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no services: minus the result at entry") << 0 << 1234.4 << "-1234";
        QTest::newRow("no services, half") << 0 << 2.5 << "-3";
        QTest::newRow("services unchanged since entry") << 1 << 90000.0 << "0";
        QTest::newRow("services changed since entry") << 1 << 80000.0 << "10000";
    }
    void paidResultChange()
    {
        QFETCH(int, services);
        QFETCH(double, paidResultRef);
        QFETCH(QString, shown);
        PlanState plan;
        plan.serviceCount = 0;
        if (services)
            addService(plan, "1000", "300", "200",
                       {"20", "20", "20", "20", "20", "0", "0", "0", "20", "20", "20", "20"});
        plan.paidResultRef = paidResultRef;
        const AdjustmentFigures figures = CalculateAdjustment(plan, allItems("0"));
        QCOMPARE(numbers::formatWhole(figures.paidResultChange), shown);
    }

    void revisedServicesReachWagesAndOtherExpenses()
    {
        PlanState plan = enteredPlan();
        const double baseWages = plan.baseWagesRef.total.numeric();
        plan.service(1).labourCost = "400"; // 180 child-months at 400 instead of 300
        plan.service(1).otherCost = "0";
        CalculateAdjustment(plan, allItems("10"));
        QCOMPARE(plan.wages.total.numeric(), baseWages * 1.1 + 180 * 400.0 + 78 * 100.0);
        QCOMPARE(plan.otherExpenses.total.numeric(),
                 plan.baseOtherExpensesRef.total.numeric() * 1.1 + 78 * 10.0);
    }

    void runningAgainChangesNothing()
    {
        PlanState plan = enteredPlan();
        const Items items = {"-5", "10", "-99,5", "0,5", "100", "-100", "3", "-12,5", "7", "-1", "50"};
        const AdjustmentFigures first = CalculateAdjustment(plan, items);
        const QList<double> once = written(plan);
        const AdjustmentFigures second = CalculateAdjustment(plan, items);
        QCOMPARE(written(plan), once);
        QCOMPARE(second.balance, first.balance);
        QCOMPARE(second.changes, first.changes);
        QCOMPARE(second.paidResultChange, first.paidResultChange);
    }

    void orderOfChoicesDoesNotMatter()
    {
        const Items target = {"-5", "10", "-99,5", "0,5", "100", "-100", "3", "-12,5", "7", "-1", "50"};
        PlanState forward = enteredPlan();
        PlanState backward = enteredPlan();
        Items shownForward = allItems("0");
        Items shownBackward = allItems("0");
        AdjustmentFigures a;
        AdjustmentFigures b;
        for (std::size_t k = 0; k < kCorrectionCount; ++k) {
            shownForward[k] = target[k];
            a = CalculateAdjustment(forward, shownForward);
            const std::size_t j = kCorrectionCount - 1 - k;
            shownBackward[j] = target[j];
            b = CalculateAdjustment(backward, shownBackward);
        }
        QCOMPARE(written(forward), written(backward));
        QCOMPARE(a.balance, b.balance);
        QCOMPARE(a.changes, b.changes);
    }

    void listItemsKeepTheirCommaUnderAnyLocale()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        PlanState plan;
        plan.foodRef.total = 1000.0;
        const AdjustmentFigures figures = CalculateAdjustment(plan, oneItem(Correction::Food, "-99,5"));
        QCOMPARE(plan.foodCorrection.numeric(), -0.995);
        QCOMPARE(plan.food.total.numeric(), 5.0);
        QCOMPARE(figures.changes[at(Category::Food) - 1], -995.0);
    }

    void outOfRangeLeavesPlanAsItWas_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("material reserves, fourth quarter") << "materialsQ4";
        QTest::newRow("balance") << "planDeficit";
        QTest::newRow("paid services' other costs") << "paidOtherCostTotal";
    }
    void outOfRangeLeavesPlanAsItWas()
    {
        QFETCH(QString, what);
        PlanState plan = enteredPlan();
        CalculateAdjustment(plan, allItems("-5"));
        const QList<double> before = written(plan);
        if (what == "materialsQ4") {
            plan.materialsRef.q[3] = FixedAmount::fromUnits(std::int64_t(600000000000000) * FixedAmount::kScale);
        } else if (what == "planDeficit") {
            plan.foodRef.total = "500000000000000";
        } else {
            plan.service(2).otherCost = "1e15";
        }
        const AdjustmentFigures figures = CalculateAdjustment(plan, allItems("100"));
        QVERIFY(!figures.inRange);
        QCOMPARE(written(plan), before);
        QCOMPARE(plan.foodCorrection.numeric(), -0.05);
    }
};

QTEST_GUILESS_MAIN(TestAdjustment)
#include "test_adjustment.moc"
