#include "calc/amount_reader.h"
#include "state/number_rules.h"
#include "state/tagged_value.h"

#include <QtTest>

#include <bit>
#include <cstdint>

Q_DECLARE_METATYPE(TaggedValue)

// The quick reading must give bit for bit what the full regional conversion gives.
class TestAmountReader : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void agreesWithFullConversion_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        const char* texts[] = {"120",   "0",     "-0",     "007",        "1500,5",  "-99,5",  "0,1",
                               "1.5",   "1 500", "1e5",    "+5",         ",5",      "5,",     "-",
                               "",      "abc",   "12руб",  " 12",        "1,2,3",   "--1",
                               "123456789012345", "1234567890123456", "0,000000000000001", "9007199254,740993"};
        for (const char* locale : {"ru_RU", "en_US"})
            for (const char* text : texts)
                QTest::addRow("%s %s", locale, text) << locale << QString::fromUtf8(text);
    }
    void agreesWithFullConversion()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        const TaggedValue value(text);
        const double quick = AmountReader()(value);
        const double full = value.numeric();
        QCOMPARE(std::bit_cast<std::uint64_t>(quick), std::bit_cast<std::uint64_t>(full));
    }

    void otherKindsAsNumeric_data()
    {
        QTest::addColumn<TaggedValue>("value");
        QTest::addColumn<double>("number");
        QTest::newRow("empty") << TaggedValue() << 0.0;
        QTest::newRow("whole") << TaggedValue(40) << 40.0;
        QTest::newRow("double") << TaggedValue(250.25) << 250.25;
        QTest::newRow("fixed") << TaggedValue(FixedAmount::fromUnits(12345)) << 1.2345;
    }
    void otherKindsAsNumeric()
    {
        QFETCH(TaggedValue, value);
        QFETCH(double, number);
        QCOMPARE(AmountReader()(value), number);
    }
};

QTEST_GUILESS_MAIN(TestAmountReader)
#include "test_amount_reader.moc"
