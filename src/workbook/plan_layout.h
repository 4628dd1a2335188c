#pragma once

#include "state/plan_state.h"
#include "workbook/sheet_writer.h"

#include <QDateTime>

#include <array>

// The plan of financial and economic activity as one worksheet: rows 1–2 header,
// rows 3–10 revenues, one row per paid service, then 26 rows of payments.
namespace plan {

// The period a figure belongs to: the year, or quarter 0 … 3.
inline constexpr int kYear = -1;

inline constexpr int kFirstServiceRow = 11;
inline constexpr int kTailRows = 26;
// The last row of the sheet for n services (36 + n).
constexpr int lastRow(int services) {
    return kFirstServiceRow - 1 + services + kTailRows;
}

// Sums of the sheet for a period (kYear or a quarter 0 … 3).
double charges(const PlanState& state, int period);
double labourBlock(const PlanState& state, int period);
double worksBlock(const PlanState& state, int period);
double payments(const PlanState& state, int period);
double expenses(const PlanState& state, int period);

// Brings the paid-service figures up to date from the records: the revenue of each
// service per quarter and the paid services' revenue, labour and other costs per
// quarter and year.
void updatePaidServiceFigures(PlanState& state);
// Wages and other expenses become their amounts net of paid services plus the
// paid services' labour and other costs.
void addPaidServiceCosts(PlanState& state);

// The founder's subsidy over the quarters in proportion to each quarter's need for
// money not covered by paid services and budget investments. When the year's need
// is zero there is nothing to be proportional to: the subsidy is split evenly.
struct SubsidySplit {
    std::array<double, 4> quarter{};
    bool even = false;
};
SubsidySplit splitSubsidy(const PlanState& state);

// Whether the adjustment screen has been prepared but no correction calculated yet.
bool awaitsFirstAdjustment(const PlanState& state);

struct LayoutOutcome {
    bool evenSplit = false; // the year's need for money was zero
    bool outOfRange = false; // the plan's amounts cannot be held (or are not finite); nothing is shown
};

// The preliminary plan: header and columns A and B, the paid-service figures and
// wages and other expenses brought up to date in the plan state, the subsidy split
// written to subsidyQ, columns C to G, formatting, show.
LayoutOutcome writePreliminaryPlan(PlanState& state, SheetWriter& sheet);

// The corrected plan: the same sheet from the amounts as the adjustment left them;
// only subsidyQ is written back. Before any correction has been calculated the
// sheet shows the plan with every correction at "0"; when that plan's amounts
// cannot be held, nothing is written and the outcome says so.
LayoutOutcome writeCorrectedPlan(PlanState& state, SheetWriter& sheet);

// The printed pages of a plan written for `state`: whose plan it is (the
// institution and its settlement type), what it is ("ПФХД предварительный"),
// when it was made and by whom, "Страница N из M"; and each caption row ("из
// них:", "в том числе:") kept on one page with the total above it and the first
// detail below it. Changes no cell.
void describePrintout(const PlanState& state, const QString& kind, const QDateTime& at, SheetWriter& sheet);

} // namespace plan
