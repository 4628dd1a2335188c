#include "workbook/plan_layout.h"

#include "calc/adjustment.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace plan {

namespace {

// Below half a ten-thousandth of a rouble the year's need counts as zero: a
// difference of that size is only the rounding of the sums.
constexpr double kZeroNeed = 0.00005;

const TaggedValue& part(const Family& family, int period)
{
    return period == kYear ? family.total : family.q.at(static_cast<std::size_t>(period));
}
double num(const Family& family, int period) { return part(family, period).numeric(); }

TaggedValue fixedOrDouble(double value)
{
    if (const auto fixed = FixedAmount::fromDouble(value))
        return *fixed;
    return value; // beyond the fixed-point range: keep the number rather than fail
}

int serviceRows(const PlanState& state) { return std::clamp(state.serviceCountValue(), 0, PlanState::kMaxServices); }

// A cell source: the value of a row for a period; nullptr writes a blank.
using Source = TaggedValue (*)(const PlanState&, int period);

struct Row {
    const char* name;
    const char* code; // "" writes a blank code cell
    Source value;
};

const QString kHa = QStringLiteral("Х"); // Cyrillic capital Ha

// Rows 3 to 10.
const Row kRevenueRows[] = {
    {"Планируемый остаток средств на начало планируемого года", "Х",
     [](const PlanState&, int p) { return TaggedValue(p == kYear ? "0" : "-"); }},
    {"Поступления, всего:", "Х",
     [](const PlanState& s, int p) {
         if (p == kYear)
             return TaggedValue(s.founderSubsidy.numeric() + num(s.investments, p) + num(s.paidRevenue, p)
                                + num(s.parentFee, p));
         return TaggedValue(s.subsidyQ.at(std::size_t(p)).numeric() + num(s.investments, p)
                            + num(s.paidRevenue, p) + num(s.parentFee, p));
     }},
    {"в том числе:", "Х", nullptr},
    {"Субсидии на выполнении государственного задания", "Х",
     [](const PlanState& s, int p) { return p == kYear ? s.founderSubsidy : s.subsidyQ.at(std::size_t(p)); }},
    {"Бюджетные инвестиции", "Х", [](const PlanState& s, int p) { return part(s.investments, p); }},
    {"Родительская плата", "Х", [](const PlanState& s, int p) { return part(s.parentFee, p); }},
    {"Поступления от оказания государственным бюджетным учреждением  (подразделением) услуг (выполнения "
     "работ), предоставление которых для физических и юридических лиц осуществляется на платной основе, всего",
     "Х", [](const PlanState& s, int p) { return part(s.paidRevenue, p); }},
    {"в том числе:", "Х", nullptr},
};

// Rows R + 1 to R + 26.
const Row kTailRowsTable[] = {
    {"Поступления от иной приносящей доход деятельности, всего:", "Х",
     [](const PlanState&, int) { return TaggedValue(0); }},
    {"Выплаты, всего:", "900", [](const PlanState& s, int p) { return TaggedValue(payments(s, p)); }},
    {"Расходы", "200", [](const PlanState& s, int p) { return TaggedValue(expenses(s, p)); }},
    {"в том числе:", "", nullptr},
    {"Оплата труда и начисления на выплаты по оплате труда, всего", "210",
     [](const PlanState& s, int p) { return TaggedValue(labourBlock(s, p)); }},
    {"из них:", "", nullptr},
    {"Заработная плата", "211", [](const PlanState& s, int p) { return part(s.wages, p); }},
    {"Прочие выплаты", "212", [](const PlanState& s, int p) { return part(s.otherPayments, p); }},
    {"Начисления на выплаты по оплате труда", "213",
     [](const PlanState& s, int p) { return TaggedValue(charges(s, p)); }},
    {"Оплата работ, услуг, всего", "220", [](const PlanState& s, int p) { return TaggedValue(worksBlock(s, p)); }},
    {"из них:", "", nullptr},
    {"Услуги связи", "221", [](const PlanState& s, int p) { return part(s.communication, p); }},
    {"Транспортные услуги", "222", [](const PlanState& s, int p) { return part(s.transport, p); }},
    {"Коммунальные услуги", "223", [](const PlanState& s, int p) { return part(s.utilities, p); }},
    {"Арендная плата за пользование имуществом", "224", [](const PlanState& s, int p) { return part(s.rent, p); }},
    {"Работы, услуги по содержанию имущества", "225",
     [](const PlanState& s, int p) { return part(s.maintenance, p); }},
    {"Прочие работы, услуги", "226", [](const PlanState& s, int p) { return part(s.otherServices, p); }},
    {"Прочие расходы", "290", [](const PlanState& s, int p) { return part(s.otherExpenses, p); }},
    {"Поступление нефинансовых активов, всего", "300",
     [](const PlanState& s, int p) {
         return TaggedValue(num(s.fixedAssets, p) + num(s.materials, p) + num(s.food, p));
     }},
    {"Увеличение стоимости основных средств", "310", [](const PlanState& s, int p) { return part(s.fixedAssets, p); }},
    {"Увеличение стоимости материальных запасов", "340",
     [](const PlanState& s, int p) { return TaggedValue(num(s.materials, p) + num(s.food, p)); }},
    {"в том числе", "", nullptr},
    {"приобретение продуктов питания", "", [](const PlanState& s, int p) { return part(s.food, p); }},
    {"Поступление финансовых активов, всего", "500", nullptr},
    {"Справочно:", "", nullptr},
    {"Объем публичных обязательств, всего", "Х", nullptr},
};
static_assert(std::size(kTailRowsTable) == kTailRows);

constexpr int kFirstRevenueRow = 3;

// Step 1 of the sheet: the header, then column A, then column B, top to bottom.
void writeNamesAndCodes(const PlanState& state, SheetWriter& sheet)
{
    sheet.setRangeValue(u"A1", "Наименование показателя");
    sheet.setRangeValue(u"b1", "Код по бюджетной классификации операции сектора государственного управления");
    sheet.setRangeValue(u"c1", "Всего, руб.");
    sheet.setRangeValue(u"d1", "в том числе");
    sheet.setRangeValue(u"d2", "I кв.");
    sheet.setRangeValue(u"e2", "II кв.");
    sheet.setRangeValue(u"f2", "III кв.");
    sheet.setRangeValue(u"g2", "IV кв.");

    const int n = serviceRows(state);
    const int r = kFirstServiceRow - 1 + n;
    for (int column = 1; column <= 2; ++column) {
        int row = kFirstRevenueRow;
        for (const Row& line : kRevenueRows)
            sheet.setCellValue(row++, column, QString::fromUtf8(column == 1 ? line.name : line.code));
        for (int i = 1; i <= n; ++i) {
            const ServiceRecord& service = state.service(i);
            sheet.setCellValue(row++, column, column == 1 ? service.label.toText() + service.name : kHa);
        }
        for (const Row& line : kTailRowsTable)
            sheet.setCellValue(row++, column, QString::fromUtf8(column == 1 ? line.name : line.code));
    }
    // The code cell of the last service row (row 10 without services) stays blank.
    sheet.setCellValue(r, 2, QString());
}

// Columns C to G, each top to bottom.
void writeFigures(const PlanState& state, SheetWriter& sheet)
{
    const int n = serviceRows(state);
    for (int column = 3; column <= 7; ++column) {
        const int period = column == 3 ? kYear : column - 4;
        int row = kFirstRevenueRow;
        for (const Row& line : kRevenueRows)
            sheet.setCellValue(row++, column, line.value ? line.value(state, period) : TaggedValue(QString()));
        for (int i = 1; i <= n; ++i) {
            const ServiceRecord& service = state.service(i);
            if (period == kYear) {
                double sum = 0.0;
                for (const TaggedValue& quarter : service.revenueQ)
                    sum += quarter.numeric();
                sheet.setCellValue(row++, column, sum);
            } else {
                sheet.setCellValue(row++, column, service.revenueQ.at(std::size_t(period)));
            }
        }
        for (const Row& line : kTailRowsTable)
            sheet.setCellValue(row++, column, line.value ? line.value(state, period) : TaggedValue(QString()));
    }
}

// One alignment pass over a range or over whole columns.
void alignmentPass(SheetWriter& sheet, QStringView reference, bool columns, std::optional<int> horizontal,
                   int vertical, bool wrap)
{
    const auto set = [&](SheetProperty property, const PropertyValue& value) {
        if (columns)
            sheet.setColumnProperty(reference, property, value);
        else
            sheet.setRangeProperty(reference, property, value);
    };
    if (horizontal)
        set(SheetProperty::HorizontalAlignment, *horizontal);
    set(SheetProperty::VerticalAlignment, vertical);
    set(SheetProperty::WrapText, wrap);
    set(SheetProperty::Orientation, 0);
    set(SheetProperty::AddIndent, false);
    set(SheetProperty::IndentLevel, 0);
    set(SheetProperty::ShrinkToFit, false);
    set(SheetProperty::ReadingOrder, xl::kReadingContext);
}

void formatSheet(SheetWriter& sheet)
{
    for (const QStringView block : {u"A1:A2", u"B1:B2", u"C1:C2", u"D1:G1"}) {
        alignmentPass(sheet, block, false, xl::kCenter, xl::kBottom, false);
        sheet.setRangeProperty(block, SheetProperty::MergeCells, false);
        sheet.mergeRange(block);
    }

    sheet.setColumnWidth(u"A:A", 44.86);
    sheet.setColumnWidth(u"B:B", 17.43);
    sheet.setColumnWidth(u"C:C", 17.57);
    sheet.setColumnWidth(u"D:G", 16.71);

    alignmentPass(sheet, u"A:A", true, std::nullopt, xl::kBottom, true);

    sheet.setColumnProperty(u"C:G", SheetProperty::NumberFormat, QStringLiteral("0"));
    for (const std::optional<int> horizontal : {std::optional<int>(), std::optional<int>(xl::kGeneral),
                                                 std::optional<int>(xl::kCenter)})
        alignmentPass(sheet, u"C:G", true, horizontal, xl::kCenter, false);

    alignmentPass(sheet, u"B:B", true, std::nullopt, xl::kBottom, true);
    alignmentPass(sheet, u"B:B", true, std::nullopt, xl::kCenter, true);
    alignmentPass(sheet, u"B:B", true, xl::kGeneral, xl::kCenter, true);
    alignmentPass(sheet, u"B:B", true, xl::kCenter, xl::kCenter, true);

    sheet.setRangeProperty(u"A4:G4", SheetProperty::Bold, true);
}

// Steps 4 to 6 shared by both plans: split, figures, formatting, show.
LayoutOutcome finishSheet(PlanState& state, SheetWriter& sheet)
{
    const SubsidySplit split = splitSubsidy(state);
    for (std::size_t k = 0; k < 4; ++k)
        state.subsidyQ[k] = split.quarter[k];
    writeFigures(state, sheet);
    formatSheet(sheet);
    sheet.show();
    return {split.even};
}

} // namespace

double charges(const PlanState& s, int p) { return kPayrollChargeRate * (num(s.otherPayments, p) + num(s.wages, p)); }

double labourBlock(const PlanState& s, int p) { return num(s.wages, p) + num(s.otherPayments, p) + charges(s, p); }

double worksBlock(const PlanState& s, int p)
{
    return num(s.communication, p) + num(s.transport, p) + num(s.utilities, p) + num(s.rent, p)
           + num(s.maintenance, p) + num(s.otherServices, p);
}

double payments(const PlanState& s, int p)
{
    return labourBlock(s, p) + worksBlock(s, p) + num(s.food, p) + num(s.fixedAssets, p) + num(s.materials, p)
           + num(s.otherExpenses, p);
}

double expenses(const PlanState& s, int p) { return labourBlock(s, p) + worksBlock(s, p) + num(s.otherExpenses, p); }

void updatePaidServiceFigures(PlanState& state)
{
    std::array<double, 4> revenue{}, labour{}, other{};
    const int n = serviceRows(state);
    for (int i = 1; i <= n; ++i) {
        ServiceRecord& service = state.service(i);
        for (int k = 0; k < 4; ++k) {
            const double quantity = quarterQuantity(service, k + 1);
            const double serviceRevenue = service.price.numeric() * quantity;
            service.revenueQ[std::size_t(k)] = serviceRevenue;
            revenue[std::size_t(k)] += serviceRevenue;
            labour[std::size_t(k)] += service.labourCost.numeric() * quantity;
            other[std::size_t(k)] += service.otherCost.numeric() * quantity;
        }
    }
    for (std::size_t k = 0; k < 4; ++k) {
        state.paidRevenue.q[k] = revenue[k];
        state.paidLabour.q[k] = labour[k];
        state.paidOtherCost.q[k] = other[k];
    }
    state.paidRevenue.total = revenue[0] + revenue[1] + revenue[2] + revenue[3];
    state.paidLabour.total = labour[0] + labour[1] + labour[2] + labour[3];
    state.paidOtherCost.total = fixedOrDouble(other[0] + other[1] + other[2] + other[3]);
}

void addPaidServiceCosts(PlanState& state)
{
    for (std::size_t k = 0; k < 4; ++k) {
        state.wages.q[k] = state.baseWages.q[k].numeric() + state.paidLabour.q[k].numeric();
        state.otherExpenses.q[k] = state.baseOtherExpenses.q[k].numeric() + state.paidOtherCost.q[k].numeric();
    }
    state.wages.total = state.baseWages.total.numeric() + state.paidLabour.total.numeric();
    state.otherExpenses.total = state.baseOtherExpenses.total.numeric() + state.paidOtherCost.total.numeric();
}

SubsidySplit splitSubsidy(const PlanState& s)
{
    SubsidySplit split;
    const double subsidy = s.founderSubsidy.numeric();
    const double yearNeed = payments(s, kYear) - num(s.paidRevenue, kYear) - num(s.investments, kYear);
    if (std::isnan(yearNeed) || std::abs(yearNeed) < kZeroNeed) {
        split.even = true;
        split.quarter.fill(subsidy / 4);
        return split;
    }
    for (int k = 0; k < 4; ++k) {
        const double need = payments(s, k) - num(s.paidRevenue, k) - num(s.investments, k);
        split.quarter[std::size_t(k)] = subsidy * need / yearNeed;
    }
    return split;
}

bool awaitsFirstAdjustment(const PlanState& state)
{
    if (state.correctionsEnabled.toInt() != 1)
        return false;
    for (int c = 0; c < kCorrectionCount; ++c)
        if (!state.correction(static_cast<Correction>(c)).isEmpty())
            return false;
    return true;
}

LayoutOutcome writePreliminaryPlan(PlanState& state, SheetWriter& sheet)
{
    writeNamesAndCodes(state, sheet);
    updatePaidServiceFigures(state);
    addPaidServiceCosts(state);
    return finishSheet(state, sheet);
}

LayoutOutcome writeCorrectedPlan(PlanState& state, SheetWriter& sheet)
{
    if (awaitsFirstAdjustment(state)) {
        // Nothing has been corrected yet: show the plan as every correction at "0"
        // leaves it, without touching the amounts the adjustment screen shows.
        PlanState corrected = state;
        std::array<QString, kCorrectionCount> zero;
        zero.fill(QStringLiteral("0"));
        CalculateAdjustment(corrected, zero);
        writeNamesAndCodes(corrected, sheet);
        const LayoutOutcome outcome = finishSheet(corrected, sheet);
        state.subsidyQ = corrected.subsidyQ;
        return outcome;
    }
    writeNamesAndCodes(state, sheet);
    return finishSheet(state, sheet);
}

} // namespace plan
