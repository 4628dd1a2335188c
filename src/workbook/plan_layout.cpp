#include "workbook/plan_layout.h"

#include "calc/adjustment.h"
#include "calc/amount_reader.h"
#include "calc/paid_services.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace plan {

namespace {

// Below half a ten-thousandth of a rouble the year's need counts as zero: a
// difference of that size is only the rounding of the sums.
constexpr double kZeroNeed = 0.00005;

const TaggedValue& part(const Family& family, int period) {
    return period == kYear ? family.total : family.q.at(static_cast<std::size_t>(period));
}

TaggedValue fixedOrDouble(double value) {
    if (const auto fixed = FixedAmount::fromDouble(value))
        return *fixed;
    return value; // beyond the fixed-point range: keep the number rather than fail
}

int serviceRows(const PlanState& state) {
    return std::clamp(state.serviceCountValue(), 0, PlanState::kMaxServices);
}

// The plan's amounts read as numbers once per sheet; every sum of the sheet is
// taken from here.
class Figures {
public:
    using Five = std::array<double, 5>; // the year, then quarters 1 … 4

    explicit Figures(const PlanState& plan)
        : state(plan) {
        const AmountReader read;
        const auto load = [&](const Family& f) {
            return Five{read(f.total), read(f.q[0]), read(f.q[1]), read(f.q[2]), read(f.q[3])};
        };
        investments = load(plan.investments);
        parentFee = load(plan.parentFee);
        paidRevenue = load(plan.paidRevenue);
        for (int c = 0; c < kCategoryCount; ++c)
            categories[std::size_t(c)] = load(plan.expense(Category(c)));
        subsidy[0] = read(plan.founderSubsidy);
        for (std::size_t k = 0; k < 4; ++k)
            subsidy[k + 1] = read(plan.subsidyQ[k]);
    }

    static double of(const Five& f, int period) { return f[std::size_t(period + 1)]; }
    double of(Category c, int period) const { return of(categories[std::size_t(c)], period); }

    double charges(int p) const {
        return kPayrollChargeRate * (of(Category::OtherPayments, p) + of(Category::Wages, p));
    }
    double labourBlock(int p) const {
        return of(Category::Wages, p) + of(Category::OtherPayments, p) + charges(p);
    }
    double worksBlock(int p) const {
        return of(Category::Communication, p) + of(Category::Transport, p) + of(Category::Utilities, p) +
               of(Category::Rent, p) + of(Category::Maintenance, p) + of(Category::OtherServices, p);
    }
    double payments(int p) const {
        return labourBlock(p) + worksBlock(p) + of(Category::Food, p) + of(Category::FixedAssets, p) +
               of(Category::Materials, p) + of(Category::OtherExpenses, p);
    }
    double expenses(int p) const { return labourBlock(p) + worksBlock(p) + of(Category::OtherExpenses, p); }
    double revenues(int p) const {
        return of(subsidy, p) + of(investments, p) + of(paidRevenue, p) + of(parentFee, p);
    }

    SubsidySplit split() const {
        SubsidySplit result;
        const double whole = of(subsidy, kYear);
        const double yearNeed = payments(kYear) - of(paidRevenue, kYear) - of(investments, kYear);
        if (std::isnan(yearNeed) || std::abs(yearNeed) < kZeroNeed) {
            result.even = true;
            result.quarter.fill(whole / 4);
            return result;
        }
        for (int k = 0; k < 4; ++k)
            result.quarter[std::size_t(k)] =
                whole * (payments(k) - of(paidRevenue, k) - of(investments, k)) / yearNeed;
        return result;
    }
    void setSubsidy(const SubsidySplit& split) {
        for (std::size_t k = 0; k < 4; ++k)
            subsidy[k + 1] = split.quarter[k];
    }

    const PlanState& state;
    Five subsidy{};
    Five investments{};
    Five parentFee{};
    Five paidRevenue{};
    std::array<Five, kCategoryCount> categories{};
};

// A cell source: the value of a row for a period; nullptr writes a blank.
using Source = TaggedValue (*)(const Figures&, int period);

struct Row {
    const char* name;
    const char* code; // "" writes a blank code cell
    Source value;
};

const QString kHa = QStringLiteral("Х"); // Cyrillic capital Ha

// Rows 3 to 10.
const Row kRevenueRows[] = {
    {"Планируемый остаток средств на начало планируемого года", "Х",
     [](const Figures&, int p) { return TaggedValue(p == kYear ? "0" : "-"); }},
    {"Поступления, всего:", "Х", [](const Figures& f, int p) { return TaggedValue(f.revenues(p)); }},
    {"в том числе:", "Х", nullptr},
    {"Субсидии на выполнении государственного задания", "Х",
     [](const Figures& f, int p) {
         return p == kYear ? f.state.founderSubsidy : f.state.subsidyQ.at(std::size_t(p));
     }},
    {"Бюджетные инвестиции", "Х", [](const Figures& f, int p) { return part(f.state.investments, p); }},
    {"Родительская плата", "Х", [](const Figures& f, int p) { return part(f.state.parentFee, p); }},
    {"Поступления от оказания государственным бюджетным учреждением  (подразделением) услуг (выполнения "
     "работ), предоставление которых для физических и юридических лиц осуществляется на платной основе, "
     "всего",
     "Х", [](const Figures& f, int p) { return part(f.state.paidRevenue, p); }},
    {"в том числе:", "Х", nullptr},
};

// Rows R + 1 to R + 26.
const Row kTailRowsTable[] = {
    {"Поступления от иной приносящей доход деятельности, всего:", "Х",
     [](const Figures&, int) { return TaggedValue(0); }},
    {"Выплаты, всего:", "900", [](const Figures& f, int p) { return TaggedValue(f.payments(p)); }},
    {"Расходы", "200", [](const Figures& f, int p) { return TaggedValue(f.expenses(p)); }},
    {"в том числе:", "", nullptr},
    {"Оплата труда и начисления на выплаты по оплате труда, всего", "210",
     [](const Figures& f, int p) { return TaggedValue(f.labourBlock(p)); }},
    {"из них:", "", nullptr},
    {"Заработная плата", "211", [](const Figures& f, int p) { return part(f.state.wages, p); }},
    {"Прочие выплаты", "212", [](const Figures& f, int p) { return part(f.state.otherPayments, p); }},
    {"Начисления на выплаты по оплате труда", "213",
     [](const Figures& f, int p) { return TaggedValue(f.charges(p)); }},
    {"Оплата работ, услуг, всего", "220",
     [](const Figures& f, int p) { return TaggedValue(f.worksBlock(p)); }},
    {"из них:", "", nullptr},
    {"Услуги связи", "221", [](const Figures& f, int p) { return part(f.state.communication, p); }},
    {"Транспортные услуги", "222", [](const Figures& f, int p) { return part(f.state.transport, p); }},
    {"Коммунальные услуги", "223", [](const Figures& f, int p) { return part(f.state.utilities, p); }},
    {"Арендная плата за пользование имуществом", "224",
     [](const Figures& f, int p) { return part(f.state.rent, p); }},
    {"Работы, услуги по содержанию имущества", "225",
     [](const Figures& f, int p) { return part(f.state.maintenance, p); }},
    {"Прочие работы, услуги", "226", [](const Figures& f, int p) { return part(f.state.otherServices, p); }},
    {"Прочие расходы", "290", [](const Figures& f, int p) { return part(f.state.otherExpenses, p); }},
    {"Поступление нефинансовых активов, всего", "300",
     [](const Figures& f, int p) {
         return TaggedValue(f.of(Category::FixedAssets, p) + f.of(Category::Materials, p) +
                            f.of(Category::Food, p));
     }},
    {"Увеличение стоимости основных средств", "310",
     [](const Figures& f, int p) { return part(f.state.fixedAssets, p); }},
    {"Увеличение стоимости материальных запасов", "340",
     [](const Figures& f, int p) {
         return TaggedValue(f.of(Category::Materials, p) + f.of(Category::Food, p));
     }},
    {"в том числе", "", nullptr},
    {"приобретение продуктов питания", "", [](const Figures& f, int p) { return part(f.state.food, p); }},
    {"Поступление финансовых активов, всего", "500", nullptr},
    {"Справочно:", "", nullptr},
    {"Объем публичных обязательств, всего", "Х", nullptr},
};
static_assert(std::size(kTailRowsTable) == kTailRows);

constexpr int kFirstRevenueRow = 3;

// Step 1 of the sheet: the header, then column A, then column B, top to bottom.
void writeNamesAndCodes(const PlanState& state, SheetWriter& sheet) {
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
        // The code cell of the last service row (row 10 without services) is
        // written once more, blank, before the codes below the services.
        if (column == 2)
            sheet.setCellValue(r, 2, QString());
        for (const Row& line : kTailRowsTable)
            sheet.setCellValue(row++, column, QString::fromUtf8(column == 1 ? line.name : line.code));
    }
}

// Columns C to G, each top to bottom. Returns false when a figure is not a
// finite number (a sum too large for a double), which no sheet can show.
bool writeFigures(const Figures& figures, SheetWriter& sheet) {
    const PlanState& state = figures.state;
    const AmountReader read;
    const int n = serviceRows(state);
    bool finite = true;
    const auto put = [&](int row, int column, const TaggedValue& value) {
        if (value.kind() == TaggedValue::Kind::Double && !std::isfinite(value.numeric()))
            finite = false;
        sheet.setCellValue(row, column, value);
    };
    for (int column = 3; column <= 7; ++column) {
        const int period = column == 3 ? kYear : column - 4;
        int row = kFirstRevenueRow;
        for (const Row& line : kRevenueRows)
            put(row++, column, line.value ? line.value(figures, period) : TaggedValue(QString()));
        for (int i = 1; i <= n; ++i) {
            const ServiceRecord& service = state.service(i);
            if (period == kYear) {
                double sum = 0.0;
                for (const TaggedValue& quarter : service.revenueQ)
                    sum += read(quarter);
                put(row++, column, sum);
            } else {
                put(row++, column, service.revenueQ.at(std::size_t(period)));
            }
        }
        for (const Row& line : kTailRowsTable)
            put(row++, column, line.value ? line.value(figures, period) : TaggedValue(QString()));
    }
    return finite;
}

// One alignment pass over a range or over whole columns.
void alignmentPass(SheetWriter& sheet, QStringView reference, bool columns, std::optional<int> horizontal,
                   int vertical, bool wrap) {
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

void formatSheet(SheetWriter& sheet) {
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
    for (const std::optional<int> horizontal :
         {std::optional<int>(), std::optional<int>(xl::kGeneral), std::optional<int>(xl::kCenter)})
        alignmentPass(sheet, u"C:G", true, horizontal, xl::kCenter, false);

    alignmentPass(sheet, u"B:B", true, std::nullopt, xl::kBottom, true);
    alignmentPass(sheet, u"B:B", true, std::nullopt, xl::kCenter, true);
    alignmentPass(sheet, u"B:B", true, xl::kGeneral, xl::kCenter, true);
    alignmentPass(sheet, u"B:B", true, xl::kCenter, xl::kCenter, true);

    sheet.setRangeProperty(u"A4:G4", SheetProperty::Bold, true);
}

// Steps 4 to 6 shared by both plans: split, figures, formatting, show.
// A plan with a figure that is not a finite number is refused like one beyond the
// fixed-point range: the subsidy split is not stored and the sheet is not shown.
LayoutOutcome finishSheet(PlanState& state, SheetWriter& sheet) {
    Figures figures(state);
    const SubsidySplit split = figures.split();
    for (const double share : split.quarter)
        if (!std::isfinite(share))
            return LayoutOutcome{.evenSplit = false, .outOfRange = true};
    for (std::size_t k = 0; k < 4; ++k)
        state.subsidyQ[k] = split.quarter[k];
    figures.setSubsidy(split);
    if (!writeFigures(figures, sheet))
        return LayoutOutcome{.evenSplit = false, .outOfRange = true};
    formatSheet(sheet);
    sheet.show();
    return {split.even};
}

} // namespace

double charges(const PlanState& s, int p) {
    return Figures(s).charges(p);
}
double labourBlock(const PlanState& s, int p) {
    return Figures(s).labourBlock(p);
}
double worksBlock(const PlanState& s, int p) {
    return Figures(s).worksBlock(p);
}
double payments(const PlanState& s, int p) {
    return Figures(s).payments(p);
}
double expenses(const PlanState& s, int p) {
    return Figures(s).expenses(p);
}

void updatePaidServiceFigures(PlanState& state) {
    const AmountReader read;
    std::array<double, 4> revenue{}, labour{}, other{};
    const int n = serviceRows(state);
    for (int i = 1; i <= n; ++i) {
        ServiceRecord& service = state.service(i);
        const double price = read(service.price);
        const double labourCost = read(service.labourCost);
        const double otherCost = read(service.otherCost);
        // The three months of each quarter, each taken as a number.
        const std::array<double, 4> quantities = serviceQuantities(service, read).quarter;
        for (std::size_t k = 0; k < 4; ++k) {
            const double quantity = quantities[k];
            const double serviceRevenue = price * quantity;
            service.revenueQ[k] = serviceRevenue;
            revenue[k] += serviceRevenue;
            labour[k] += labourCost * quantity;
            other[k] += otherCost * quantity;
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

void addPaidServiceCosts(PlanState& state) {
    for (std::size_t k = 0; k < 4; ++k) {
        state.wages.q[k] = state.baseWages.q[k].numeric() + state.paidLabour.q[k].numeric();
        state.otherExpenses.q[k] =
            state.baseOtherExpenses.q[k].numeric() + state.paidOtherCost.q[k].numeric();
    }
    state.wages.total = state.baseWages.total.numeric() + state.paidLabour.total.numeric();
    state.otherExpenses.total = state.baseOtherExpenses.total.numeric() + state.paidOtherCost.total.numeric();
}

SubsidySplit splitSubsidy(const PlanState& s) {
    return Figures(s).split();
}

bool awaitsFirstAdjustment(const PlanState& state) {
    if (state.correctionsEnabled.toInt() != 1)
        return false;
    for (int c = 0; c < kCorrectionCount; ++c)
        if (!state.correction(static_cast<Correction>(c)).isEmpty())
            return false;
    return true;
}

namespace {

// A text the user typed, as header and footer texts take it.
QString pageText(QString text, qsizetype longest) {
    text = text.simplified();
    if (text.size() > longest)
        text = text.left(longest - 1).trimmed() + QChar(0x2026);
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

bool isCaption(const char* name) {
    const QString text = QString::fromUtf8(name);
    return text.startsWith(QStringLiteral("в том числе")) || text == QStringLiteral("из них:");
}

} // namespace

void describePrintout(const PlanState& state, const QString& kind, const QDateTime& at, SheetWriter& sheet) {
    // A header or footer holds 255 characters at most.
    QString whose = pageText(state.institutionName.toText(), 150);
    const QString settlement = pageText(state.settlementType, 20);
    if (!settlement.isEmpty())
        whose +=
            (whose.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("тип НП: ") + settlement;
    sheet.setPageHeader(
        {whose, QStringLiteral("ПФХД ") + kind, at.toString(QStringLiteral("dd.MM.yyyy HH:mm"))});

    QString author = pageText(state.userSurname.toText(), 60);
    QString initials;
    for (const TaggedValue* initial : {&state.userFirstInitial, &state.userPatronymicInitial}) {
        const QString letter = pageText(initial->toText(), 5);
        if (!letter.isEmpty())
            initials += letter.endsWith(QLatin1Char('.')) ? letter : letter + QLatin1Char('.');
    }
    if (!initials.isEmpty())
        author += (author.isEmpty() ? QString() : QStringLiteral(" ")) + initials;
    sheet.setPageFooter({author, QString(), QStringLiteral("Страница &P из &N")});

    int row = kFirstRevenueRow;
    const auto keep = [&](const Row& line) {
        if (isCaption(line.name))
            sheet.keepRowsTogether(row - 1, row + 1);
        ++row;
    };
    for (const Row& line : kRevenueRows)
        keep(line);
    row += serviceRows(state);
    for (const Row& line : kTailRowsTable)
        keep(line);
}

LayoutOutcome writePreliminaryPlan(PlanState& state, SheetWriter& sheet) {
    writeNamesAndCodes(state, sheet);
    updatePaidServiceFigures(state);
    addPaidServiceCosts(state);
    return finishSheet(state, sheet);
}

LayoutOutcome writeCorrectedPlan(PlanState& state, SheetWriter& sheet) {
    if (awaitsFirstAdjustment(state)) {
        // Nothing has been corrected yet: show the plan as every correction at "0"
        // leaves it, without touching the amounts the adjustment screen shows.
        PlanState corrected = state;
        std::array<QString, kCorrectionCount> zero;
        zero.fill(QStringLiteral("0"));
        if (!CalculateAdjustment(corrected, zero).inRange)
            return LayoutOutcome{.evenSplit = false, .outOfRange = true};
        writeNamesAndCodes(corrected, sheet);
        const LayoutOutcome outcome = finishSheet(corrected, sheet);
        state.subsidyQ = corrected.subsidyQ;
        return outcome;
    }
    writeNamesAndCodes(state, sheet);
    return finishSheet(state, sheet);
}

} // namespace plan
