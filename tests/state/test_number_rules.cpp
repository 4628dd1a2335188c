#include "state/number_rules.h"

#include <QtTest>

#include <cmath>

class TestNumberRules : public QObject {
    Q_OBJECT

    const QLocale m_ru{QLocale::Russian, QLocale::Russia};
    const QLocale m_en{QLocale::English, QLocale::UnitedStates};
    const QLocale m_de{QLocale::German, QLocale::Germany};

    const QLocale& locale(const QString& name) const {
        return name == "ru" ? m_ru : name == "en" ? m_en : m_de;
    }

private slots:
    void numberTest_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<double>("value");

        const QString ru = "ru", en = "en", de = "de";
        QTest::newRow("whole") << ru << "1500000" << true << 1500000.0;
        QTest::newRow("decimal comma") << ru << "1500000,50" << true << 1500000.5;
        QTest::newRow("negative") << ru << "-100" << true << -100.0;
        QTest::newRow("explicit plus") << ru << "+7" << true << 7.0;
        QTest::newRow("zero") << ru << "0" << true << 0.0;
        QTest::newRow("leading comma") << ru << ",5" << true << 0.5;
        QTest::newRow("trailing comma") << ru << "5," << true << 5.0;
        QTest::newRow("surrounding blanks") << ru << "  42 \t" << true << 42.0;
        QTest::newRow("no-break space grouping") << ru << QString("1\u00A0500\u00A0000") << true << 1500000.0;
        QTest::newRow("plain space grouping") << ru << "1 500 000,25" << true << 1500000.25;
        QTest::newRow("exponent") << ru << "1,5e3" << true << 1500.0;
        QTest::newRow("exponent upper, signed") << ru << "2E-2" << true << 0.02;
        QTest::newRow("point under comma locale") << ru << "1.5" << false << 0.0;
        QTest::newRow("empty") << ru << "" << false << 0.0;
        QTest::newRow("blanks only") << ru << "   " << false << 0.0;
        QTest::newRow("digits then letters") << ru << "12abc" << false << 0.0;
        QTest::newRow("letters") << ru << "abc" << false << 0.0;
        QTest::newRow("lone sign") << ru << "-" << false << 0.0;
        QTest::newRow("lone comma") << ru << "," << false << 0.0;
        QTest::newRow("exponent without digits") << ru << "1e" << false << 0.0;
        QTest::newRow("two commas") << ru << "1,2,3" << false << 0.0;
        QTest::newRow("inner blank gap") << ru << "1  000" << false << 0.0;
        QTest::newRow("nan") << ru << "nan" << false << 0.0;
        QTest::newRow("NaN") << ru << "NaN" << false << 0.0;
        QTest::newRow("inf") << ru << "inf" << false << 0.0;
        QTest::newRow("-Infinity") << ru << "-Infinity" << false << 0.0;
        QTest::newRow("overflowing double") << ru << "1e400" << false << 0.0;
        QTest::newRow("cyrillic") << ru << "сто" << false << 0.0;
        // Digits are grouped in threes; a separator anywhere else makes no number.
        QTest::newRow("grouped in threes") << ru << "12 345 678" << true << 12345678.0;
        QTest::newRow("group of two") << ru << "1 50" << false << 0.0;
        QTest::newRow("group of four") << ru << "1 5000" << false << 0.0;
        QTest::newRow("first group of four") << ru << "1500 000" << false << 0.0;
        QTest::newRow("grouping after the comma") << ru << "1,500 000" << false << 0.0;
        QTest::newRow("separator first") << ru << " -  500" << false << 0.0;
        // What a spreadsheet cell puts on the clipboard ends in a line break.
        QTest::newRow("copied cell") << ru << "1 000\n" << true << 1000.0;
        QTest::newRow("copied cell, CR LF") << ru << "\r\n2,5\r\n" << true << 2.5;
        QTest::newRow("inner line break") << ru << "4\n2" << false << 0.0;
        // Pasted from documents and spreadsheets: the typographic minus and the
        // no-break and narrow no-break spaces between digit groups.
        QTest::newRow("typographic minus") << ru << QString("\u2212100") << true << -100.0;
        QTest::newRow("typographic minus, grouped")
            << ru << QString("\u22122\u00A0100\u00A0000,5") << true << -2100000.5;
        QTest::newRow("narrow no-break grouping")
            << ru << QString("12\u202F500\u202F000,50") << true << 12500000.5;
        QTest::newRow("narrow no-break group of two") << ru << QString("1\u202F50") << false << 0.0;
        QTest::newRow("typographic minus alone") << ru << QString("\u2212") << false << 0.0;
        QTest::newRow("two minus signs") << ru << QString("-\u22121") << false << 0.0;
        QTest::newRow("en no-break grouping") << en << QString("1\u00A0500.5") << true << 1500.5;
        QTest::newRow("de narrow no-break grouping") << de << QString("1\u202F500,5") << true << 1500.5;
        QTest::newRow("en decimal point") << en << "1500000.50" << true << 1500000.5;
        QTest::newRow("en grouping") << en << "1,500,000" << true << 1500000.0;
        QTest::newRow("en grouping and decimals") << en << "1,500.5" << true << 1500.5;
        QTest::newRow("en decimal comma is no grouping") << en << "1500,50" << false << 0.0;
        QTest::newRow("en small decimal comma") << en << "0,00005" << false << 0.0;
        QTest::newRow("en comma, one digit") << en << "1,5" << false << 0.0;
        QTest::newRow("en groups of two") << en << "1,50,000" << false << 0.0;
        QTest::newRow("en plain space is no grouping") << en << "1 500" << false << 0.0;
        QTest::newRow("en nan") << en << "NAN" << false << 0.0;
        QTest::newRow("de grouping and decimals") << de << "1.500,5" << true << 1500.5;
        QTest::newRow("de grouping") << de << "1.500.000" << true << 1500000.0;
        QTest::newRow("de decimal comma") << de << "1,5" << true << 1.5;
        QTest::newRow("de point, one digit") << de << "1.5" << false << 0.0;
        QTest::newRow("de point after a decimal") << de << "1,500.000" << false << 0.0;
    }
    void numberTest()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, passes);
        QFETCH(double, value);
        const QLocale& l = this->locale(locale);
        QCOMPARE(numbers::isNumber(text, l), passes);
        QCOMPARE(numbers::toNumber(text, l), value);
    }

    void wholePattern_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << 1200000.0 << "1200000";
        QTest::newRow("half up") << 1000.5 << "1001";
        QTest::newRow("negative half away") << -2.5 << "-3";
        QTest::newRow("below half") << 1234.4 << "1234";
        QTest::newRow("above half") << 1234.6 << "1235";
        QTest::newRow("tiny negative is zero") << -0.4 << "0";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("large, no grouping") << 5760000000.0 << "5760000000";
    }
    void wholePattern()
    {
        QFETCH(double, value);
        QFETCH(QString, shown);
        QCOMPARE(numbers::formatWhole(value), shown);
    }

    void plainForm_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("whole") << "ru" << 182000.0 << "182000";
        QTest::newRow("decimal comma") << "ru" << 12345.5 << "12345,5";
        QTest::newRow("binary noise hidden") << "ru" << 130.20000000000002 << "130,2";
        QTest::newRow("negative") << "ru" << -2000.0 << "-2000";
        QTest::newRow("decimal point") << "en" << 12345.5 << "12345.5";
        QTest::newRow("no grouping") << "en" << 5760000000.0 << "5760000000";
        QTest::newRow("15 digits") << "ru" << 123456789012345.0 << "123456789012345";
        QTest::newRow("very large") << "ru" << 1e20 << "1E+20";
        QTest::newRow("very small") << "ru" << 0.00001 << "1E-05";
        QTest::newRow("zero") << "ru" << 0.0 << "0";
    }
    void plainForm()
    {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, shown);
        const QLocale& l = this->locale(locale);
        QCOMPARE(numbers::formatPlain(value, l), shown);
        // What the program shows reads back as the same number.
        QVERIFY(numbers::isNumber(shown, l));
        QVERIFY(std::abs(numbers::toNumber(shown, l) - value) <= std::abs(value) * 1e-14);
    }

    void listItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<double>("percent");
        QTest::newRow("negative half") << "-99,5" << -99.5;
        QTest::newRow("whole") << "100" << 100.0;
        QTest::newRow("zero") << "0" << 0.0;
        QTest::newRow("positive half") << "0,5" << 0.5;
    }
    void listItems()
    {
        QFETCH(QString, item);
        QFETCH(double, percent);
        // The program's own items keep their decimal comma under any locale.
        QLocale::setDefault(m_en);
        QCOMPARE(numbers::parseListItem(item), percent);
        QLocale::setDefault(m_ru);
        QCOMPARE(numbers::parseListItem(item), percent);
    }

    void regionalLocaleFallsBackToRussian()
    {
        const QLocale l = numbers::regionalLocale();
        if (QLocale::system().language() == QLocale::C)
            QCOMPARE(l.decimalPoint(), QString(","));
        else
            QCOMPARE(l.name(), QLocale::system().name());
    }
};

QTEST_GUILESS_MAIN(TestNumberRules)
#include "test_number_rules.moc"
