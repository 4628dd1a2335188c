#include "state/number_rules.h"
#include "workbook/cell_values.h"
#include "workbook/sheet_model.h"

#include <QtTest>

Q_DECLARE_METATYPE(TaggedValue)

namespace {

} // namespace

class TestSheetModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { numbers::applyRegionalConventions(); }

    void references_data();
    void references();
    void cellValues_data();
    void cellValues();
    void writes_data();
    void writes();
    void rangePropertyReachesEveryCell();
    void columnPropertyReachesWrittenAndMergedCells();
    void mergeKeepsTopLeftValue();
    void mergeCellsFalseUndoesMerge();
    void operationsRecordedInOrder();
};

void TestSheetModel::references_data() {
    QTest::addColumn<QString>("reference");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QList<int>>("range"); // first row, first column, last row, last column
    QTest::addColumn<bool>("wholeColumns");

    QTest::newRow("cell") << "A1" << true << QList<int>{1, 1, 1, 1} << false;
    QTest::newRow("lower case") << "g2" << true << QList<int>{2, 7, 2, 7} << false;
    QTest::newRow("block") << "D1:G1" << true << QList<int>{1, 4, 1, 7} << false;
    QTest::newRow("reversed block") << "B2:A1" << true << QList<int>{1, 1, 2, 2} << false;
    QTest::newRow("one column") << "A:A" << true << QList<int>{1, 1, CellRange::kMaxRow, 1} << true;
    QTest::newRow("columns") << "d:g" << true << QList<int>{1, 4, CellRange::kMaxRow, 7} << true;
    QTest::newRow("two letters") << "AB12" << true << QList<int>{12, 28, 12, 28} << false;
    QTest::newRow("last cell") << "XFD1048576" << true
                               << QList<int>{CellRange::kMaxRow, CellRange::kMaxColumn, CellRange::kMaxRow,
                                             CellRange::kMaxColumn}
                               << false;
    QTest::newRow("empty") << "" << false << QList<int>{} << false;
    QTest::newRow("row only") << "1" << false << QList<int>{} << false;
    QTest::newRow("letter only") << "A" << false << QList<int>{} << false;
    QTest::newRow("row zero") << "A0" << false << QList<int>{} << false;
    QTest::newRow("beyond last column") << "XFE1" << false << QList<int>{} << false;
    QTest::newRow("beyond last row") << "A1048577" << false << QList<int>{} << false;
    QTest::newRow("mixed block") << "A1:B" << false << QList<int>{} << false;
    QTest::newRow("garbage") << "A1!" << false << QList<int>{} << false;
}

void TestSheetModel::references() {
    QFETCH(QString, reference);
    QFETCH(bool, valid);
    QFETCH(QList<int>, range);
    QFETCH(bool, wholeColumns);

    const auto parsed = parseReference(reference);
    QCOMPARE(parsed.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE((QList<int>{parsed->firstRow, parsed->firstColumn, parsed->lastRow, parsed->lastColumn}), range);
    QCOMPARE(parsed->wholeColumns, wholeColumns);
}

void TestSheetModel::cellValues_data() {
    QTest::addColumn<TaggedValue>("value");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("empty value is blank") << TaggedValue() << QVariant();
    QTest::newRow("empty text is blank") << TaggedValue(QString()) << QVariant();
    QTest::newRow("box text with comma") << TaggedValue("1500,5") << QVariant(1500.5);
    QTest::newRow("code") << TaggedValue("900") << QVariant(900.0);
    QTest::newRow("the 0 of C3") << TaggedValue("0") << QVariant(0.0);
    QTest::newRow("grouped with blanks") << TaggedValue(" 1 000 ") << QVariant(1000.0);
    QTest::newRow("negative") << TaggedValue("-2,25") << QVariant(-2.25);
    QTest::newRow("hyphen stays text") << TaggedValue("-") << QVariant(QStringLiteral("-"));
    QTest::newRow("Cyrillic Ha") << TaggedValue("Х") << QVariant(QStringLiteral("Х"));
    QTest::newRow("formula-like text") << TaggedValue("=1+1") << QVariant(QStringLiteral("=1+1"));
    QTest::newRow("point is not the separator") << TaggedValue("1.5") << QVariant(QStringLiteral("1.5"));
    QTest::newRow("whole") << TaggedValue(42) << QVariant(42.0);
    QTest::newRow("double with kopecks") << TaggedValue(1234.56) << QVariant(1234.56);
    QTest::newRow("fixed") << TaggedValue(FixedAmount::fromUnits(12345)) << QVariant(1.2345);
    QTest::newRow("fixed zero is a number") << TaggedValue(FixedAmount{}) << QVariant(0.0);
}

void TestSheetModel::cellValues() {
    QFETCH(TaggedValue, value);
    QFETCH(QVariant, stored);
    QCOMPARE(shown(cellValueOf(value)), stored);
}

// A sequence of writes to one cell; the sheet keeps the last.
void TestSheetModel::writes_data() {
    QTest::addColumn<QList<TaggedValue>>("values");
    QTest::addColumn<QVariant>("kept");

    QTest::newRow("number then text")
        << QList<TaggedValue>{TaggedValue(5.0), TaggedValue("Х")} << QVariant(QStringLiteral("Х"));
    QTest::newRow("text then blank") << QList<TaggedValue>{TaggedValue("Х"), TaggedValue(QString())}
                                     << QVariant();
    QTest::newRow("blank then number") << QList<TaggedValue>{TaggedValue(), TaggedValue(7)} << QVariant(7.0);
}

void TestSheetModel::writes() {
    QFETCH(QList<TaggedValue>, values);
    QFETCH(QVariant, kept);

    for (const bool byReference : {false, true}) {
        SheetModel sheet;
        for (const TaggedValue& value : values) {
            if (byReference)
                sheet.setRangeValue(u"c5", value);
            else
                sheet.setCellValue(5, 3, value);
        }
        QCOMPARE(shown(sheet.value(5, 3)), kept);
        QCOMPARE(sheet.lastRow(), kept.isValid() ? 5 : 0);
    }
}

void TestSheetModel::rangePropertyReachesEveryCell() {
    SheetModel sheet;
    sheet.setCellValue(4, 1, "Поступления, всего:");
    sheet.setRangeProperty(u"A4:G4", SheetProperty::Bold, true);
    for (int column = 1; column <= 7; ++column)
        QVERIFY(sheet.style(4, column).bold.value_or(false));
    QVERIFY(!sheet.style(5, 1).bold.has_value());
    QVERIFY(!sheet.style(4, 8).bold.has_value());
    QCOMPARE(shown(sheet.value(4, 1)), QVariant(QStringLiteral("Поступления, всего:")));
}

void TestSheetModel::columnPropertyReachesWrittenAndMergedCells() {
    SheetModel sheet;
    sheet.setRangeValue(u"C1", "Всего, руб.");
    sheet.setRangeProperty(u"C1:C2", SheetProperty::HorizontalAlignment, xl::kCenter);
    sheet.mergeRange(u"C1:C2");
    sheet.setCellValue(30, 4, 12.5);
    sheet.setColumnProperty(u"C:G", SheetProperty::NumberFormat, QStringLiteral("0"));
    sheet.setColumnProperty(u"C:G", SheetProperty::VerticalAlignment, xl::kCenter);

    for (const auto& [row, column] : {std::pair{1, 3}, std::pair{2, 3}, std::pair{30, 4}}) {
        QCOMPARE(sheet.style(row, column).numberFormat, QStringLiteral("0"));
        QCOMPARE(sheet.style(row, column).vertical, std::optional<int>(xl::kCenter));
    }
    // The merged header keeps what was set on it before.
    QCOMPARE(sheet.style(1, 3).horizontal, std::optional<int>(xl::kCenter));
    // The column itself carries the format, for cells written later too.
    QCOMPARE(sheet.columnStyle(7).numberFormat, QStringLiteral("0"));
    sheet.setCellValue(40, 7, 1.0);
    QCOMPARE(sheet.style(40, 7).numberFormat, QStringLiteral("0"));
    QVERIFY(sheet.style(40, 2).numberFormat.isEmpty());
}

void TestSheetModel::mergeKeepsTopLeftValue() {
    SheetModel sheet;
    sheet.setRangeValue(u"d1", "в том числе");
    sheet.setRangeValue(u"e1", "лишнее");
    sheet.mergeRange(u"D1:G1");
    QCOMPARE(shown(sheet.value(1, 4)), QVariant(QStringLiteral("в том числе")));
    QCOMPARE(shown(sheet.value(1, 5)), QVariant());
    QCOMPARE(sheet.mergeAt(1, 6), parseReference(u"D1:G1"));
    QVERIFY(!sheet.mergeAt(2, 4));
}

void TestSheetModel::mergeCellsFalseUndoesMerge() {
    SheetModel sheet;
    sheet.mergeRange(u"A1:A2");
    sheet.mergeRange(u"B1:B2");
    sheet.setRangeProperty(u"A1:A2", SheetProperty::MergeCells, false);
    QCOMPARE(sheet.merges().size(), std::size_t(1));
    QCOMPARE(sheet.merges().front(), *parseReference(u"B1:B2"));
}

void TestSheetModel::operationsRecordedInOrder() {
    SheetModel sheet;
    sheet.setRangeValue(u"A1", "Наименование показателя");
    sheet.setCellValue(3, 3, "0");
    sheet.mergeRange(u"A1:A2");
    sheet.setColumnWidth(u"A:A", 44.86);
    sheet.setRangeProperty(u"nonsense", SheetProperty::Bold, true);
    sheet.show();
    QCOMPARE(sheet.operations(), (QStringList{
                                     QStringLiteral("cell 1,1 = \"Наименование показателя\""),
                                     QStringLiteral("cell 3,3 = 0"),
                                     QStringLiteral("merge A1:A2"),
                                     QStringLiteral("columns A:A ColumnWidth = 44.86"),
                                     QStringLiteral("range nonsense Bold = true"),
                                     QStringLiteral("show"),
                                 }));
    QVERIFY(sheet.isShown());
    QCOMPARE(sheet.columnWidth(1), std::optional<double>(44.86));
    QVERIFY(!sheet.columnWidth(2));
}

QTEST_GUILESS_MAIN(TestSheetModel)
#include "test_sheet_model.moc"
