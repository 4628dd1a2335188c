#include "calc/amount_reader.h"
#include "calc/paid_services.h"
#include "state/plan_state.h"

#include <QtTest>

#include <bit>

namespace {

// One record as the editor stores it: list texts, January first.
struct Record {
    TaggedValue price;
    TaggedValue labour;
    TaggedValue other;
    QList<TaggedValue> qty; // missing months stay empty
};

Record record(const char* price, const char* labour, const char* other, QList<TaggedValue> qty)
{
    return {price, labour, other, std::move(qty)};
}

// 20 children in every month except June, July and August.
QList<TaggedValue> nineMonthsOfTwenty()
{
    QList<TaggedValue> qty(12, TaggedValue("20"));
    qty[5] = qty[6] = qty[7] = TaggedValue("0");
    return qty;
}

} // namespace

Q_DECLARE_METATYPE(QList<Record>)

class TestPaidServices : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void totals_data()
    {
        QTest::addColumn<QList<Record>>("records");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("revenue");
        QTest::addColumn<double>("cost");

        const Record recurring = record("1000", "300", "200", nineMonthsOfTwenty());
        QList<TaggedValue> march(12, TaggedValue("0"));
        march[2] = "4";
        const Record oneOff = record("500", "100", "0", march);

        QTest::newRow("no services") << QList<Record>{recurring} << 0 << 0.0 << 0.0;
        QTest::newRow("one service") << QList<Record>{recurring} << 1 << 180000.0 << 90000.0;
        QTest::newRow("two services") << QList<Record>{recurring, oneOff} << 2 << 182000.0 << 90400.0;
        QTest::newRow("slots above the count are not counted")
            << QList<Record>{recurring, oneOff} << 1 << 180000.0 << 90000.0;
        // Texts are converted and added as numbers, never joined.
        QTest::newRow("quantities added as numbers")
            << QList<Record>{record("10", "1", "2", {"1", "2"})} << 1 << 30.0 << 9.0;
        QTest::newRow("regional decimal comma")
            << QList<Record>{record("1500,5", "0,25", "0,5", {"2"})} << 1 << 3001.0 << 1.5;
        QTest::newRow("empty values count as 0")
            << QList<Record>{Record{}, record("", "", "", {})} << 2 << 0.0 << 0.0;
        // The fresh first record holds the number 0, not a text.
        QTest::newRow("fresh record")
            << QList<Record>{record("0", "0", "0", QList<TaggedValue>(12, TaggedValue(0)))} << 1 << 0.0
            << 0.0;
        QList<Record> full(PlanState::kMaxServices,
                           record("10000", "10000", "10000", QList<TaggedValue>(12, TaggedValue("600"))));
        QTest::newRow("forty records at the top of every list")
            << full << PlanState::kMaxServices << 2880000000.0 << 5760000000.0;
    }
    void totals()
    {
        QFETCH(QList<Record>, records);
        QFETCH(int, count);
        QFETCH(double, revenue);
        QFETCH(double, cost);

        PlanState plan;
        for (int i = 0; i < records.size(); ++i) {
            ServiceRecord& slot = plan.service(i + 1);
            slot.price = records[i].price;
            slot.labourCost = records[i].labour;
            slot.otherCost = records[i].other;
            for (int month = 0; month < records[i].qty.size(); ++month)
                slot.qty[month] = records[i].qty[month];
        }
        plan.serviceCount = count;

        const PaidServiceTotals totals = computePaidServiceTotals(plan);
        QCOMPARE(totals.revenue, revenue);
        QCOMPARE(totals.cost, cost);
    }

    void quantitiesAddTheirMonths() {
        ServiceRecord r;
        for (int m = 0; m < 12; ++m)
            r.qty[m] = QString::number(m + 1);
        ServiceQuantities quantities = serviceQuantities(r, AmountReader());
        QCOMPARE(quantities.quarter[0], 6.0);
        QCOMPARE(quantities.quarter[3], 33.0);
        QCOMPARE(quantities.year, 78.0);
        // The year is its months added in order, not its quarters: the two round differently.
        r.qty.fill(QStringLiteral("0,1"));
        quantities = serviceQuantities(r, AmountReader());
        double months = 0.0;
        for (int m = 0; m < 12; ++m)
            months += 0.1;
        QVERIFY(months != quantities.quarter[0] + quantities.quarter[1] + quantities.quarter[2] +
                              quantities.quarter[3]);
        QCOMPARE(std::bit_cast<quint64>(quantities.year), std::bit_cast<quint64>(months));
    }
};

QTEST_GUILESS_MAIN(TestPaidServices)
#include "test_paid_services.moc"
