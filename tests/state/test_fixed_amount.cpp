#include "state/fixed_amount.h"
#include "state/plan_state.h"
#include "support/tagged_values.h"

#include <QtTest>

#include <limits>

class TestFixedAmount : public QObject {
    Q_OBJECT

    const QLocale m_ru{QLocale::Russian, QLocale::Russia};

private slots:
    void initTestCase() { QLocale::setDefault(m_ru); }

    void fromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("units");
        QTest::newRow("kopecks") << "1500000,50" << true << qint64(15000005000);
        QTest::newRow("negative") << "-100" << true << qint64(-1000000);
        QTest::newRow("zero") << "0" << true << qint64(0);
        QTest::newRow("four decimals kept") << "0,0001" << true << qint64(1);
        QTest::newRow("half to even, down") << "0,00005" << true << qint64(0);
        QTest::newRow("half to even, up") << "0,00015" << true << qint64(2);
        QTest::newRow("above half") << "0,000051" << true << qint64(1);
        QTest::newRow("negative half to even") << "-2,00025" << true << qint64(-20002);
        QTest::newRow("tiny") << "0,00001" << true << qint64(0);
        QTest::newRow("exponent") << "1,5e3" << true << qint64(15000000);
        QTest::newRow("negative exponent") << "25e-6" << true << qint64(0);
        QTest::newRow("grouped") << "1 000,5" << true << qint64(10005000);
        QTest::newRow("largest") << "922337203685477,5807" << true << std::numeric_limits<qint64>::max();
        QTest::newRow("smallest") << "-922337203685477,5808" << true << std::numeric_limits<qint64>::min();
        QTest::newRow("just beyond") << "922337203685477,5808" << false << qint64(0);
        QTest::newRow("far beyond") << "1e15" << false << qint64(0);
        QTest::newRow("beyond by rounding") << "922337203685477,58075" << false << qint64(0);
        QTest::newRow("not a number") << "12abc" << false << qint64(0);
        QTest::newRow("empty") << "" << false << qint64(0);
    }
    void fromText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(qint64, units);
        const auto amount = FixedAmount::fromText(text);
        QCOMPARE(amount.has_value(), ok);
        if (ok)
            QCOMPARE(amount->units(), units);
    }

    void fromDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("units");
        QTest::newRow("quarter of 1001") << 1001.0 / 4 << true << qint64(2502500);
        QTest::newRow("quarter of 100") << 25.0 << true << qint64(250000);
        QTest::newRow("tiny quotient") << 0.00001 / 4 << true << qint64(0);
        QTest::newRow("half to even") << 0.00025 << true << qint64(2);
        QTest::newRow("binary noise") << 130.20000000000002 << true << qint64(1302000);
        QTest::newRow("negative") << -1.23456 << true << qint64(-12346);
        QTest::newRow("too large") << 1e15 << false << qint64(0);
        QTest::newRow("too small") << -1e300 << false << qint64(0);
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false << qint64(0);
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << false << qint64(0);
    }
    void fromDouble()
    {
        QFETCH(double, value);
        QFETCH(bool, ok);
        QFETCH(qint64, units);
        const auto amount = FixedAmount::fromDouble(value);
        QCOMPARE(amount.has_value(), ok);
        if (ok)
            QCOMPARE(amount->units(), units);
    }

    void decimalText_data()
    {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << qint64(250000) << "25" << 25.0;
        QTest::newRow("fraction") << qint64(-25) << "-0.0025" << -0.0025;
        QTest::newRow("minimum") << std::numeric_limits<qint64>::min() << "-922337203685477.5808"
                                 << -922337203685477.5808;
    }
    void decimalText()
    {
        QFETCH(qint64, units);
        QFETCH(QString, text);
        QFETCH(double, value);
        const FixedAmount a = FixedAmount::fromUnits(units);
        QCOMPARE(a.toDecimalString(), text);
        QCOMPARE(a.toDouble(), value);
    }

    void taggedNumericValue_data()
    {
        QTest::addColumn<TaggedValue>("value");
        QTest::addColumn<double>("numeric");
        QTest::newRow("empty") << TaggedValue() << 0.0;
        QTest::newRow("text with decimal comma") << TaggedValue("1500,5") << 1500.5;
        QTest::newRow("whole") << TaggedValue(40) << 40.0;
        QTest::newRow("double") << TaggedValue(250.25) << 250.25;
        QTest::newRow("fixed") << TaggedValue(FixedAmount::fromUnits(250000)) << 25.0;
    }
    void taggedNumericValue()
    {
        QFETCH(TaggedValue, value);
        QFETCH(double, numeric);
        QCOMPARE(value.numeric(), numeric);
    }

    void textsAddAsNumbers()
    {
        const TaggedValue a("100"), b("200"), c("1500,5");
        QCOMPARE(a.numeric() + b.numeric(), 300.0);
        QCOMPARE(a.numeric() + c.numeric(), 1600.5);
    }

    void initialPlanState()
    {
        const PlanState state;
        QVERIFY(state.serviceCount.isEmpty());
        QVERIFY(state.wages.total.isEmpty());
        QVERIFY(state.founderSubsidy.fixed() && state.founderSubsidy.fixed()->units() == 0);
        QVERIFY(state.materials.q[3].fixed());
        QVERIFY(state.parentFee.q[3].fixed());
        QVERIFY(state.planDeficit.fixed());
        QVERIFY(state.service(40).kind.fixed());
        // An untouched plan computes as zeros.
        double sum = 0;
        for (int c = 0; c < kCategoryCount; ++c)
            sum += state.expense(Category(c)).total.numeric();
        QCOMPARE(sum, 0.0);
    }

    void serviceIndexOutsideRecordsIsRejected_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("valid");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("1") << 1 << true;
        QTest::newRow("40") << 40 << true;
        QTest::newRow("41") << 41 << false;
        QTest::newRow("-1") << -1 << false;
    }
    void serviceIndexOutsideRecordsIsRejected()
    {
        QFETCH(int, index);
        QFETCH(bool, valid);
        PlanState state;
        bool threw = false;
        try {
            state.service(index).name = "x";
        } catch (const std::out_of_range&) {
            threw = true;
        }
        QCOMPARE(threw, !valid);
    }
};

QTEST_GUILESS_MAIN(TestFixedAmount)
#include "test_fixed_amount.moc"
