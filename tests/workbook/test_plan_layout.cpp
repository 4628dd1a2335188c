#include "calc/amount_reader.h"
#include "state/number_rules.h"
#include "workbook/cell_values.h"
#include "workbook/plan_fixture.h"
#include "workbook/plan_layout.h"
#include "workbook/sheet_model.h"

#include <QtTest>

#include <cmath>

namespace {

double number(const SheetModel& sheet, int row, int column) {
    const CellValue value = sheet.value(row, column);
    if (const double* d = std::get_if<double>(&value))
        return *d;
    qWarning("cell %d,%d holds no number", row, column);
    return std::nan("");
}

QString text(const SheetModel& sheet, int row, int column) {
    const CellValue value = sheet.value(row, column);
    if (const QString* s = std::get_if<QString>(&value))
        return *s;
    return {};
}

bool isBlank(const SheetModel& sheet, int row, int column) {
    return std::holds_alternative<std::monostate>(sheet.value(row, column));
}

bool close(double a, double b) {
    return std::abs(a - b) <= 1e-6 * std::max(1.0, std::abs(b));
}

SheetModel preliminary(PlanState& plan) {
    SheetModel sheet;
    plan::writePreliminaryPlan(plan, sheet);
    return sheet;
}

SheetModel corrected(PlanState& plan) {
    SheetModel sheet;
    plan::writeCorrectedPlan(plan, sheet);
    return sheet;
}

// Row of a line below the services (1 … 26) for n services.
int tail(int services, int line) {
    return 10 + services + line;
}

// The subsidy split as the plan defines it, from the category amounts.
double expectedShare(const PlanState& p, int quarter) {
    const auto need = [&](int k) {
        const auto v = [&](const Family& f) {
            return k < 0 ? f.total.numeric() : f.q[std::size_t(k)].numeric();
        };
        const double pay = v(p.wages) + v(p.otherPayments);
        double sum = pay * 1.302;
        for (const Family* f : {&p.communication, &p.transport, &p.utilities, &p.rent, &p.maintenance,
                                &p.otherServices, &p.food, &p.fixedAssets, &p.materials, &p.otherExpenses})
            sum += v(*f);
        return sum - v(p.paidRevenue) - v(p.investments);
    };
    return p.founderSubsidy.numeric() * need(quarter) / need(-1);
}

bool same(const Family& a, const Family& b) {
    return a.total == b.total && a.q == b.q;
}

void compareFamilies(const Family& actual, const Family& expected, const char* what) {
    QVERIFY2(same(actual, expected), what);
}

} // namespace

Q_DECLARE_METATYPE(TaggedValue)

class TestPlanLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { numbers::applyRegionalConventions(); }

    void rowsFollowServices_data();
    void rowsFollowServices();
    void texts_data();
    void texts();
    void totalsEqualTheirQuarters_data();
    void totalsEqualTheirQuarters();
    void subsidyShares_data();
    void subsidyShares();
    void zeroNeedSplitsEvenly_data();
    void zeroNeedSplitsEvenly();
    void preliminaryBringsFiguresUpToDate();
    void twoGenerationsGiveIdenticalSheets();
    void kopecksKeptInTheCell();
    void cellsTakeVariablesAsHeld_data();
    void cellsTakeVariablesAsHeld();
    void formatting();
    void writeOrder_data();
    void writeOrder();
    void formattingSequence();
    void correctedAtZeroEqualsPreliminary_data();
    void correctedAtZeroEqualsPreliminary();
    void correctedCategoryAtZero();
    void correctedWritesOnlySubsidy();
    void correctedRowsFollowServiceCountAtPress_data();
    void correctedRowsFollowServiceCountAtPress();
};

void TestPlanLayout::rowsFollowServices_data() {
    QTest::addColumn<int>("services");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("two") << 2;
    QTest::newRow("forty") << 40;
}

void TestPlanLayout::rowsFollowServices() {
    QFETCH(int, services);
    PlanState plan = fixture::makePlan(services);
    const SheetModel sheet = preliminary(plan);
    const int r = 10 + services;

    QCOMPARE(sheet.lastRow(), 36 + services);
    QCOMPARE(text(sheet, 10, 1), QStringLiteral("в том числе:"));
    for (int i = 1; i <= services; ++i) {
        QCOMPARE(text(sheet, 10 + i, 1), QStringLiteral("Услуга №%1 - Кружок %1").arg(i));
        if (i < services)
            QCOMPARE(text(sheet, 10 + i, 2), QStringLiteral("Х"));
    }
    // The code cell of the last service row (row 10 without services) is blank.
    QVERIFY(isBlank(sheet, r, 2));
    if (services > 0)
        QCOMPARE(text(sheet, 10, 2), QStringLiteral("Х"));
    QCOMPARE(text(sheet, r + 1, 1),
             QStringLiteral("Поступления от иной приносящей доход деятельности, всего:"));
    QCOMPARE(text(sheet, 36 + services, 1), QStringLiteral("Объем публичных обязательств, всего"));
    QVERIFY(isBlank(sheet, 37 + services, 1));
    if (services == 0) {
        for (int column = 3; column <= 7; ++column)
            QCOMPARE(number(sheet, 9, column), 0.0);
        QCOMPARE(plan.paidRevenue.total.numeric(), 0.0);
        QCOMPARE(plan.paidLabour.total.numeric(), 0.0);
    }
}

void TestPlanLayout::texts_data() {
    QTest::addColumn<int>("row"); // a fixed row, or 100 + line below the services
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("expected");

    const auto s = [](const char* t) { return QVariant(QString::fromUtf8(t)); };
    QTest::newRow("A1") << 1 << 1 << s("Наименование показателя");
    QTest::newRow("B1") << 1 << 2
                        << s("Код по бюджетной классификации операции сектора государственного управления");
    QTest::newRow("C1") << 1 << 3 << s("Всего, руб.");
    QTest::newRow("D1") << 1 << 4 << s("в том числе");
    QTest::newRow("E1 not written") << 1 << 5 << QVariant();
    QTest::newRow("A2 not written") << 2 << 1 << QVariant();
    QTest::newRow("D2") << 2 << 4 << s("I кв.");
    QTest::newRow("G2") << 2 << 7 << s("IV кв.");
    QTest::newRow("B3 Cyrillic Ha") << 3 << 2 << QVariant(QString(QChar(0x0425)));
    QTest::newRow("C3 zero as number") << 3 << 3 << QVariant(0.0);
    QTest::newRow("D3 hyphen") << 3 << 4 << s("-");
    QTest::newRow("G3 hyphen") << 3 << 7 << s("-");
    QTest::newRow("A4") << 4 << 1 << s("Поступления, всего:");
    QTest::newRow("C5 blank") << 5 << 3 << QVariant();
    QTest::newRow("A6") << 6 << 1 << s("Субсидии на выполнении государственного задания");
    QTest::newRow("A9 with its double blank") << 9 << 1
                                              << s("Поступления от оказания государственным бюджетным "
                                                   "учреждением  (подразделением) услуг (выполнения "
                                                   "работ), предоставление которых для физических и "
                                                   "юридических лиц осуществляется на платной основе, "
                                                   "всего");
    QTest::newRow("R+1 zero") << 101 << 3 << QVariant(0.0);
    QTest::newRow("R+1 quarter zero") << 101 << 7 << QVariant(0.0);
    QTest::newRow("R+2 code 900 as number") << 102 << 2 << QVariant(900.0);
    QTest::newRow("R+4 blank code") << 104 << 2 << QVariant();
    QTest::newRow("R+4 blank total") << 104 << 3 << QVariant();
    QTest::newRow("R+9") << 109 << 1 << s("Начисления на выплаты по оплате труда");
    QTest::newRow("R+18 code") << 118 << 2 << QVariant(290.0);
    QTest::newRow("R+21 code") << 121 << 2 << QVariant(340.0);
    QTest::newRow("R+22 without colon") << 122 << 1 << s("в том числе");
    QTest::newRow("R+23 blank code") << 123 << 2 << QVariant();
    QTest::newRow("R+24 blank total") << 124 << 3 << QVariant();
    QTest::newRow("R+24 code") << 124 << 2 << QVariant(500.0);
    QTest::newRow("R+26 code") << 126 << 2 << QVariant(QString(QChar(0x0425)));
    QTest::newRow("R+26 blank quarter") << 126 << 6 << QVariant();
}

void TestPlanLayout::texts() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QVariant, expected);
    for (const int services : {0, 2}) {
        PlanState plan = fixture::makePlan(services);
        const SheetModel sheet = preliminary(plan);
        const int at = row > 100 ? tail(services, row - 100) : row;
        QCOMPARE(shown(sheet.value(at, column)), expected);
    }
}

void TestPlanLayout::totalsEqualTheirQuarters_data() {
    QTest::addColumn<int>("services");
    QTest::newRow("three") << 3;
    QTest::newRow("forty") << 40;
}

void TestPlanLayout::totalsEqualTheirQuarters() {
    QFETCH(int, services);
    PlanState plan = fixture::makePlan(services);
    const SheetModel sheet = preliminary(plan);
    const auto quarters = [&](int row) {
        return number(sheet, row, 4) + number(sheet, row, 5) + number(sheet, row, 6) + number(sheet, row, 7);
    };
    for (int row = 9; row <= 10 + services; ++row) {
        if (row == 10)
            continue;
        QVERIFY2(close(number(sheet, row, 3), quarters(row)), qPrintable(QString::number(row)));
    }
    QVERIFY(number(sheet, 9, 3) > 0);
    // The payments follow the categories' quarters the same way.
    for (const int line : {2, 3, 5, 7, 9, 10, 19, 21})
        QVERIFY2(close(number(sheet, tail(services, line), 3), quarters(tail(services, line))),
                 qPrintable(QString::number(line)));
}

void TestPlanLayout::subsidyShares_data() {
    QTest::addColumn<double>("investmentsQ1");
    QTest::addColumn<bool>("negativeFirstQuarter");
    QTest::newRow("ordinary") << 10000.0 << false;
    QTest::newRow("investments exceed the first quarter's need") << 2500000.0 << true;
}

void TestPlanLayout::subsidyShares() {
    QFETCH(double, investmentsQ1);
    QFETCH(bool, negativeFirstQuarter);
    PlanState plan = fixture::makePlan(2);
    fixture::enterQuarters(plan.investments, investmentsQ1, 20000, 0, 5000);
    const SheetModel sheet = preliminary(plan);

    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
        const double share = number(sheet, 6, 4 + k);
        QVERIFY(close(share, expectedShare(plan, k)));
        QCOMPARE(plan.subsidyQ[std::size_t(k)].numeric(), share);
        sum += share;
    }
    QVERIFY(close(sum, number(sheet, 6, 3)));
    QCOMPARE(number(sheet, 6, 3), 2400000.0);
    QCOMPARE(number(sheet, 6, 4) < 0, negativeFirstQuarter);
    // Row 4 adds the shares to the other revenues of the quarter.
    QVERIFY(close(number(sheet, 4, 4), number(sheet, 6, 4) + investmentsQ1 + 30000 + number(sheet, 9, 4)));
}

void TestPlanLayout::zeroNeedSplitsEvenly_data() {
    QTest::addColumn<bool>("emptyPlan");
    QTest::addColumn<double>("leftOver"); // need left for the year beyond paid services and investments
    QTest::addColumn<bool>("even");
    QTest::newRow("nothing entered") << true << 0.0 << true;
    QTest::newRow("investments cover every payment") << false << 0.0 << true;
    QTest::newRow("one rouble of need") << false << 1.0 << false;
}

void TestPlanLayout::zeroNeedSplitsEvenly() {
    QFETCH(bool, emptyPlan);
    QFETCH(double, leftOver);
    QFETCH(bool, even);

    PlanState plan = emptyPlan ? PlanState() : fixture::makePlan(2);
    plan.founderSubsidy = fixture::fixed("1000");
    if (!emptyPlan) {
        // Work out the year's payments and paid revenue, then let investments cover them.
        PlanState probe = plan;
        preliminary(probe);
        const double payments = plan::payments(probe, plan::kYear);
        const double q = (payments - probe.paidRevenue.total.numeric() - leftOver) / 4;
        fixture::enterQuarters(plan.investments, q, q, q, q);
        plan.investments.total = 4 * q;
    }
    SheetModel sheet;
    const plan::LayoutOutcome outcome = plan::writePreliminaryPlan(plan, sheet);
    QCOMPARE(outcome.evenSplit, even);
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
        QVERIFY(std::isfinite(number(sheet, 6, 4 + k)));
        if (even)
            QCOMPARE(number(sheet, 6, 4 + k), 250.0);
        sum += number(sheet, 6, 4 + k);
    }
    QVERIFY(close(sum, 1000.0) || !even);
}

void TestPlanLayout::preliminaryBringsFiguresUpToDate() {
    PlanState plan = fixture::makePlan(3);
    plan.wages.total = "999"; // stale: the generator starts from the base amounts
    preliminary(plan);

    double revenue = 0.0;
    for (int k = 0; k < 4; ++k) {
        double quarter = 0.0;
        double labour = 0.0;
        for (int i = 1; i <= 3; ++i) {
            const ServiceRecord& s = plan.service(i);
            const double qty = serviceQuantities(s, AmountReader()).quarter[std::size_t(k)];
            QCOMPARE(s.revenueQ[std::size_t(k)].numeric(), s.price.numeric() * qty);
            quarter += s.price.numeric() * qty;
            labour += s.labourCost.numeric() * qty;
        }
        QVERIFY(close(plan.paidRevenue.q[std::size_t(k)].numeric(), quarter));
        QVERIFY(close(plan.wages.q[std::size_t(k)].numeric(),
                      plan.baseWages.q[std::size_t(k)].numeric() + labour));
        revenue += quarter;
    }
    QVERIFY(close(plan.paidRevenue.total.numeric(), revenue));
    QVERIFY(
        close(plan.wages.total.numeric(), plan.baseWages.total.numeric() + plan.paidLabour.total.numeric()));
    QVERIFY(close(plan.otherExpenses.total.numeric(),
                  plan.baseOtherExpenses.total.numeric() + plan.paidOtherCost.total.numeric()));
    QCOMPARE(plan.paidOtherCost.total.kind(), TaggedValue::Kind::Fixed);
    // The entered wages equal base + paid labour again.
    QVERIFY(close(plan.wages.total.numeric(), fixture::makePlan(3).wages.total.numeric()));
}

void TestPlanLayout::twoGenerationsGiveIdenticalSheets() {
    PlanState plan = fixture::makePlan(5);
    const SheetModel first = preliminary(plan);
    const PlanState afterFirst = plan;
    const SheetModel second = preliminary(plan);
    QVERIFY(first.sameSheet(second));
    QCOMPARE(first.operations(), second.operations());
    QVERIFY(same(plan.wages, afterFirst.wages));
    QVERIFY(same(plan.otherExpenses, afterFirst.otherExpenses));
    QVERIFY(plan.subsidyQ == afterFirst.subsidyQ);
}

void TestPlanLayout::kopecksKeptInTheCell() {
    PlanState plan = fixture::makePlan(0);
    plan.communication.q[1] = "6600,55";
    plan.parentFee.q[3] = fixture::fixed("30000,1234");
    const SheetModel sheet = preliminary(plan);
    QCOMPARE(number(sheet, tail(0, 12), 5), 6600.55);
    QCOMPARE(number(sheet, 8, 7), 30000.1234);
    QCOMPARE(sheet.style(tail(0, 12), 5).numberFormat, QStringLiteral("0"));
}

void TestPlanLayout::cellsTakeVariablesAsHeld_data() {
    QTest::addColumn<QString>("serviceName");
    QTest::addColumn<TaggedValue>("foodQ3");
    QTest::addColumn<QVariant>("foodCell");
    QTest::newRow("formula-like name, text amount")
        << QStringLiteral("=1+1") << TaggedValue("1 500,5") << QVariant(1500.5);
    QTest::newRow("plain name, number amount")
        << QStringLiteral("Бассейн") << TaggedValue(42.0) << QVariant(42.0);
    QTest::newRow("empty amount is blank") << QStringLiteral("Бассейн") << TaggedValue() << QVariant();
}

void TestPlanLayout::cellsTakeVariablesAsHeld() {
    QFETCH(QString, serviceName);
    QFETCH(TaggedValue, foodQ3);
    QFETCH(QVariant, foodCell);
    PlanState plan = fixture::makePlan(1);
    plan.service(1).name = serviceName;
    plan.food.q[2] = foodQ3;
    const SheetModel sheet = preliminary(plan);
    QCOMPARE(text(sheet, 11, 1), QStringLiteral("Услуга №1 - ") + serviceName);
    QCOMPARE(shown(sheet.value(tail(1, 23), 6)), foodCell);
    // Sums take an empty value as 0.
    QVERIFY(close(number(sheet, tail(1, 21), 6), plan.materials.q[2].numeric() + foodQ3.numeric()));
}

void TestPlanLayout::formatting() {
    PlanState plan = fixture::makePlan(2);
    const SheetModel sheet = preliminary(plan);
    QVERIFY(sheet.isShown());
    QCOMPARE(sheet.operations().constLast(), QStringLiteral("show"));

    std::vector<CellRange> merges;
    for (const QStringView block : {u"A1:A2", u"B1:B2", u"C1:C2", u"D1:G1"})
        merges.push_back(*parseReference(block));
    QVERIFY(sheet.merges() == merges);

    const double widths[] = {44.86, 17.43, 17.57, 16.71, 16.71, 16.71, 16.71};
    for (int column = 1; column <= 7; ++column)
        QCOMPARE(sheet.columnWidth(column), std::optional<double>(widths[column - 1]));

    const auto check = [&](int row, int column, std::optional<int> horizontal, int vertical, bool wrap,
                           const QString& format) {
        const CellStyle s = sheet.style(row, column);
        const QString where = QStringLiteral("%1,%2").arg(row).arg(column);
        QVERIFY2(s.horizontal == horizontal, qPrintable(where));
        QVERIFY2(s.vertical == std::optional<int>(vertical), qPrintable(where));
        QVERIFY2(s.wrap == std::optional<bool>(wrap), qPrintable(where));
        QVERIFY2(s.numberFormat == format, qPrintable(where));
    };
    const QString none;
    const QString whole = QStringLiteral("0");
    // Column A: bottom, wrapped; its merged header also centred.
    check(1, 1, xl::kCenter, xl::kBottom, true, none);
    check(2, 1, xl::kCenter, xl::kBottom, true, none);
    check(9, 1, std::nullopt, xl::kBottom, true, none);
    check(38, 1, std::nullopt, xl::kBottom, true, none);
    // Column B: centred both ways, wrapped, header included.
    for (const int row : {1, 2, 3, 12, 38, 200})
        check(row, 2, xl::kCenter, xl::kCenter, true, none);
    // Columns C to G: centred, not wrapped, whole numbers.
    for (const int column : {3, 4, 5, 6, 7})
        for (const int row : {1, 2, 3, 11, 38, 200})
            check(row, column, xl::kCenter, xl::kCenter, false, whole);
    // Column H is untouched.
    QVERIFY(sheet.style(1, 8) == CellStyle{});

    // Row 4 and no other row is bold.
    for (const auto& [key, cell] : sheet.cells())
        QVERIFY2(cell.style.bold.value_or(false) == (key.row == 4),
                 qPrintable(QStringLiteral("%1,%2").arg(key.row).arg(key.column)));
    for (int column = 1; column <= 7; ++column)
        QVERIFY(sheet.style(4, column).bold.value_or(false));
}

void TestPlanLayout::writeOrder_data() {
    QTest::addColumn<int>("services");
    QTest::newRow("none") << 0;
    QTest::newRow("two") << 2;
}

// The header, then column A top to bottom, then column B top to bottom with the
// last service row's code blanked right after the service rows, then C to G.
void TestPlanLayout::writeOrder() {
    QFETCH(int, services);
    PlanState plan = fixture::makePlan(services);
    const SheetModel sheet = preliminary(plan);
    const int r = 10 + services;
    const int last = 36 + services;

    QList<QPair<int, int>> expected{{1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 4}, {2, 5}, {2, 6}, {2, 7}};
    for (int column = 1; column <= 7; ++column)
        for (int row = 3; row <= last; ++row) {
            expected.append({row, column});
            if (column == 2 && row == r)
                expected.append({r, 2});
        }
    QCOMPARE(expected.size(), 247 + 7 * services);

    QList<QPair<int, int>> written;
    QString lastCodeWrite;
    const QRegularExpression cell(QStringLiteral("^cell (\\d+),(\\d+) = (.*)$"));
    for (const QString& line : sheet.operations()) {
        const QRegularExpressionMatch m = cell.match(line);
        if (!m.hasMatch())
            continue;
        written.append({m.captured(1).toInt(), m.captured(2).toInt()});
        if (written.constLast() == qMakePair(r, 2))
            lastCodeWrite = m.captured(3);
    }
    QCOMPARE(written, expected);
    QCOMPARE(lastCodeWrite, QStringLiteral("blank"));
}

// The formatting steps in their order, after every value and before the show.
void TestPlanLayout::formattingSequence() {
    PlanState plan = fixture::makePlan(1);
    const SheetModel sheet = preliminary(plan);

    QStringList expected;
    const auto pass = [&](const QString& target, const QString& horizontal, int vertical, bool wrap) {
        if (!horizontal.isEmpty())
            expected << target + QStringLiteral(" HorizontalAlignment = ") + horizontal;
        expected << target + QStringLiteral(" VerticalAlignment = %1").arg(vertical)
                 << target + QStringLiteral(" WrapText = ") + QLatin1String(wrap ? "true" : "false")
                 << target + QStringLiteral(" Orientation = 0") << target + QStringLiteral(" AddIndent = false")
                 << target + QStringLiteral(" IndentLevel = 0") << target + QStringLiteral(" ShrinkToFit = false")
                 << target + QStringLiteral(" ReadingOrder = -5002");
    };
    for (const char* block : {"A1:A2", "B1:B2", "C1:C2", "D1:G1"}) {
        const QString range = QStringLiteral("range ") + QLatin1String(block);
        pass(range, QStringLiteral("-4108"), -4107, false);
        expected << range + QStringLiteral(" MergeCells = false") << QStringLiteral("merge ") + QLatin1String(block);
    }
    expected << QStringLiteral("columns A:A ColumnWidth = 44.86") << QStringLiteral("columns B:B ColumnWidth = 17.43")
             << QStringLiteral("columns C:C ColumnWidth = 17.57") << QStringLiteral("columns D:G ColumnWidth = 16.71");
    pass(QStringLiteral("columns A:A"), QString(), -4107, true);
    expected << QStringLiteral("columns C:G NumberFormat = \"0\"");
    for (const char* horizontal : {"", "1", "-4108"})
        pass(QStringLiteral("columns C:G"), QLatin1String(horizontal), -4108, false);
    pass(QStringLiteral("columns B:B"), QString(), -4107, true);
    pass(QStringLiteral("columns B:B"), QString(), -4108, true);
    pass(QStringLiteral("columns B:B"), QStringLiteral("1"), -4108, true);
    pass(QStringLiteral("columns B:B"), QStringLiteral("-4108"), -4108, true);
    expected << QStringLiteral("range A4:G4 Bold = true") << QStringLiteral("show");

    const QStringList operations = sheet.operations();
    qsizetype firstFormat = 0;
    while (firstFormat < operations.size() && operations[firstFormat].startsWith(QStringLiteral("cell ")))
        ++firstFormat;
    QCOMPARE(firstFormat, 247 + 7);
    QCOMPARE(operations.mid(firstFormat), expected);
}

void TestPlanLayout::correctedAtZeroEqualsPreliminary_data() {
    QTest::addColumn<int>("services");
    QTest::addColumn<bool>("preliminaryFirst");
    QTest::addColumn<bool>("listsChosen");

    for (const int n : {0, 3}) {
        const QByteArray s = QByteArray::number(n) + " services, ";
        QTest::newRow(s + "after the preliminary workbook, lists at 0") << n << true << true;
        QTest::newRow(s + "after the preliminary workbook, no list chosen") << n << true << false;
        QTest::newRow(s + "no preliminary workbook, lists at 0") << n << false << true;
        QTest::newRow(s + "no preliminary workbook, no list chosen") << n << false << false;
    }
}

void TestPlanLayout::correctedAtZeroEqualsPreliminary() {
    QFETCH(int, services);
    QFETCH(bool, preliminaryFirst);
    QFETCH(bool, listsChosen);

    PlanState reference = fixture::makePlan(services);
    const SheetModel expected = preliminary(reference);

    PlanState plan = fixture::makePlan(services);
    if (preliminaryFirst)
        preliminary(plan);
    fixture::enterAdjustment(plan);
    if (listsChosen)
        CalculateAdjustment(plan, fixture::allAt("0"));
    const PlanState before = plan;

    const SheetModel sheet = corrected(plan);
    QVERIFY(sheet.sameSheet(expected));
    QVERIFY(plan.subsidyQ == reference.subsidyQ);
    // Consistent: row 9's quarters add up, the shares add up to the subsidy.
    QVERIFY(close(number(sheet, 9, 3),
                  number(sheet, 9, 4) + number(sheet, 9, 5) + number(sheet, 9, 6) + number(sheet, 9, 7)));
    QVERIFY(close(number(sheet, 6, 3),
                  number(sheet, 6, 4) + number(sheet, 6, 5) + number(sheet, 6, 6) + number(sheet, 6, 7)));
    // Nothing but the shares changed: the adjustment screen's figures stay.
    QVERIFY(same(plan.paidRevenue, before.paidRevenue));
    QVERIFY(same(plan.wages, before.wages));
    QVERIFY(plan.wagesCorrection == before.wagesCorrection);
}

void TestPlanLayout::correctedCategoryAtZero() {
    PlanState plan = fixture::makePlan(2);
    const SheetModel first = preliminary(plan);
    fixture::enterAdjustment(plan);
    auto items = fixture::allAt("0");
    items[std::size_t(Correction::Communication)] = QStringLiteral("-100");
    CalculateAdjustment(plan, items);

    const SheetModel sheet = corrected(plan);
    const int row = tail(2, 12);
    QCOMPARE(text(sheet, row, 1), QStringLiteral("Услуги связи"));
    for (int column = 3; column <= 7; ++column) {
        QCOMPARE(number(sheet, row, column), 0.0);
        // The works block drops by the communication amounts it had before.
        QVERIFY(close(number(sheet, tail(2, 10), column),
                      number(first, tail(2, 10), column) - number(first, row, column)));
    }
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
        const double share = number(sheet, 6, 4 + k);
        QVERIFY(close(share, expectedShare(plan, k)));
        QVERIFY(!close(share, number(first, 6, 4 + k)));
        sum += share;
    }
    QVERIFY(close(sum, number(sheet, 6, 3)));
}

void TestPlanLayout::correctedWritesOnlySubsidy() {
    PlanState plan = fixture::makePlan(4);
    preliminary(plan);
    fixture::enterAdjustment(plan);
    auto items = fixture::allAt("0");
    items[std::size_t(Correction::Food)] = QStringLiteral("-5");
    CalculateAdjustment(plan, items);
    plan.subsidyQ.fill(TaggedValue());
    const PlanState before = plan;

    corrected(plan);
    for (int c = 0; c < kCategoryCount; ++c)
        compareFamilies(plan.expense(Category(c)), before.expense(Category(c)), "category");
    compareFamilies(plan.paidRevenue, before.paidRevenue, "paid revenue");
    compareFamilies(plan.paidLabour, before.paidLabour, "paid labour");
    compareFamilies(plan.paidOtherCost, before.paidOtherCost, "paid other costs");
    for (int i = 1; i <= 4; ++i)
        QVERIFY(plan.service(i).revenueQ == before.service(i).revenueQ);
    QVERIFY(plan.planDeficit == before.planDeficit);
    for (const TaggedValue& share : plan.subsidyQ)
        QCOMPARE(share.kind(), TaggedValue::Kind::Double);
}

void TestPlanLayout::correctedRowsFollowServiceCountAtPress_data() {
    QTest::addColumn<int>("servicesAtPress");
    QTest::newRow("one more") << 3;
    QTest::newRow("one removed") << 1;
    QTest::newRow("all removed") << 0;
}

void TestPlanLayout::correctedRowsFollowServiceCountAtPress() {
    QFETCH(int, servicesAtPress);
    PlanState plan = fixture::makePlan(2);
    const PlanState full = fixture::makePlan(3);
    plan.services[2] = full.services[2]; // the record the editor may add
    preliminary(plan);
    fixture::enterAdjustment(plan);
    plan.serviceCount = servicesAtPress;
    CalculateAdjustment(plan, fixture::allAt("0"));

    const SheetModel sheet = corrected(plan);
    QCOMPARE(sheet.lastRow(), 36 + servicesAtPress);
    QVERIFY(isBlank(sheet, 10 + servicesAtPress, 2));
    if (servicesAtPress > 0)
        QCOMPARE(text(sheet, 10 + servicesAtPress, 1),
                 QStringLiteral("Услуга №%1 - Кружок %1").arg(servicesAtPress));
    QVERIFY(close(number(sheet, 9, 3), plan.paidRevenue.total.numeric()));
}

QTEST_GUILESS_MAIN(TestPlanLayout)
#include "test_plan_layout.moc"
