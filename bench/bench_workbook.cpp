// Generating the plan workbook runs on a button press and should feel instant:
// a plan with 40 paid services written into a new file in well under 20 ms, and
// not much slower than writing the same cells and formats straight through the
// xlsx library (the durable variant flushes file and folder to disk, as the
// program must before it says the plan is saved).

#include "../tests/workbook/plan_fixture.h"
#include "state/number_rules.h"
#include "workbook/plan_generator.h"
#include "workbook/plan_layout.h"
#include "workbook/sheet_model.h"
#include "workbook/xlsx_renderer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Times one generator writing into a private folder; the files are removed
// outside the timing.
using Generator = GenerationResult (*)(PlanState&, const PlanOpener&, const QString&, const QDateTime&);
void timeGeneration(benchmark::State& state, PlanState& plan, Generator generate) {
    QTemporaryDir dir;
    const PlanOpener open = [](const QString&) { return true; };
    for (auto _ : state) {
        const GenerationResult result = generate(plan, open, dir.path(), {});
        if (!result.written) {
            state.SkipWithError(qPrintable(result.error));
            break;
        }
        state.PauseTiming();
        QFile::remove(result.filePath);
        state.ResumeTiming();
    }
}

void BM_GeneratePreliminaryPlan40(benchmark::State& state) {
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    timeGeneration(state, plan, generatePreliminaryPlan);
}
BENCHMARK(BM_GeneratePreliminaryPlan40)->Unit(benchmark::kMillisecond);

void BM_GenerateCorrectedPlan40(benchmark::State& state) {
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    fixture::enterAdjustment(plan);
    auto items = fixture::allAt("0");
    items[std::size_t(Correction::Food)] = QStringLiteral("-5");
    CalculateAdjustment(plan, items);
    timeGeneration(state, plan, generateCorrectedPlan);
}
BENCHMARK(BM_GenerateCorrectedPlan40)->Unit(benchmark::kMillisecond);

// The same sheet as plain data, prepared before timing.
struct FlatCell {
    lxw_row_t row;
    lxw_col_t column;
    int kind; // 0 blank, 1 number, 2 text
    double number;
    QByteArray text;
    int format; // index into the styles, -1 none
};

struct FlatSheet {
    std::vector<CellStyle> styles;
    std::vector<FlatCell> cells;
    std::vector<std::pair<int, std::pair<double, int>>> columns; // column → width, style
    std::vector<CellRange> merges;
};

int styleIndex(std::vector<CellStyle>& styles, const CellStyle& style) {
    if (style == CellStyle{})
        return -1;
    for (std::size_t i = 0; i < styles.size(); ++i)
        if (styles[i] == style)
            return int(i);
    styles.push_back(style);
    return int(styles.size() - 1);
}

FlatSheet flatten(const SheetModel& sheet) {
    FlatSheet flat;
    for (int column = 1; column <= 7; ++column)
        flat.columns.push_back(
            {column,
             {sheet.columnWidth(column).value_or(8.43), styleIndex(flat.styles, sheet.columnStyle(column))}});
    flat.merges = sheet.merges();
    for (const auto& [key, cell] : sheet.cells()) {
        FlatCell out{lxw_row_t(key.row - 1),
                     lxw_col_t(key.column - 1),
                     0,
                     0.0,
                     {},
                     styleIndex(flat.styles, cell.style)};
        if (const double* d = std::get_if<double>(&cell.value)) {
            out.kind = 1;
            out.number = *d;
        } else if (const QString* s = std::get_if<QString>(&cell.value)) {
            out.kind = 2;
            out.text = s->toUtf8();
        }
        flat.cells.push_back(out);
    }
    return flat;
}

// The library writing the sheet's cells straight into a file; with `durable`,
// the file and its folder are then flushed to disk as the program does before it
// says the plan is saved.
void directLibrary(benchmark::State& state, bool durable) {
    QTemporaryDir dir;
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    SheetModel sheet;
    plan::writePreliminaryPlan(plan, sheet);
    const FlatSheet flat = flatten(sheet);
    const QByteArray path = QFile::encodeName(QDir(dir.path()).filePath(QStringLiteral("baseline.xlsx")));
    QByteArray tmpdir = QFile::encodeName(dir.path());

    for (auto _ : state) {
        lxw_workbook_options options{};
        options.tmpdir = tmpdir.data();
        lxw_workbook* book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* ws = workbook_add_worksheet(book, "Лист1");
        std::vector<lxw_format*> formats;
        for (const CellStyle& s : flat.styles) {
            lxw_format* f = workbook_add_format(book);
            if (s.horizontal == xl::kCenter)
                format_set_align(f, LXW_ALIGN_CENTER);
            if (s.vertical == xl::kCenter)
                format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
            else if (s.vertical == xl::kBottom)
                format_set_align(f, LXW_ALIGN_VERTICAL_BOTTOM);
            if (s.wrap.value_or(false))
                format_set_text_wrap(f);
            if (s.bold.value_or(false))
                format_set_bold(f);
            if (!s.numberFormat.isEmpty())
                format_set_num_format(f, "0");
            format_set_border(f, LXW_BORDER_THIN); // the printed table's borders
            formats.push_back(f);
        }
        const auto fmt = [&](int i) { return i < 0 ? nullptr : formats[std::size_t(i)]; };
        for (const auto& [column, widthAndFormat] : flat.columns)
            worksheet_set_column(ws, lxw_col_t(column - 1), lxw_col_t(column - 1), widthAndFormat.first,
                                 fmt(widthAndFormat.second));
        worksheet_set_landscape(ws);
        worksheet_set_paper(ws, 9);
        worksheet_fit_to_pages(ws, 1, 0);
        worksheet_center_horizontally(ws);
        worksheet_repeat_rows(ws, 0, 1);
        for (const CellRange& m : flat.merges)
            worksheet_merge_range(ws, lxw_row_t(m.firstRow - 1), lxw_col_t(m.firstColumn - 1),
                                  lxw_row_t(m.lastRow - 1), lxw_col_t(m.lastColumn - 1), "", nullptr);
        for (const FlatCell& c : flat.cells) {
            if (c.kind == 1)
                worksheet_write_number(ws, c.row, c.column, c.number, fmt(c.format));
            else if (c.kind == 2)
                worksheet_write_string(ws, c.row, c.column, c.text.constData(), fmt(c.format));
            else
                worksheet_write_blank(ws, c.row, c.column, fmt(c.format));
        }
        if (workbook_close(book) != LXW_NO_ERROR) {
            state.SkipWithError("workbook_close failed");
            break;
        }
        if (durable) {
            const int file = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            const int folder = ::open(tmpdir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (file < 0 || folder < 0 || ::fsync(file) != 0 || ::fsync(folder) != 0) {
                state.SkipWithError("fsync failed");
                break;
            }
            ::close(file);
            ::close(folder);
        }
        state.PauseTiming(); // a new file every time, as the generator makes
        QFile::remove(QFile::decodeName(path));
        state.ResumeTiming();
    }
}
void BM_DirectLibraryBaseline40(benchmark::State& state) {
    directLibrary(state, false);
}
BENCHMARK(BM_DirectLibraryBaseline40)->Unit(benchmark::kMillisecond);
void BM_DirectLibraryBaselineDurable40(benchmark::State& state) {
    directLibrary(state, true);
}
BENCHMARK(BM_DirectLibraryBaselineDurable40)->Unit(benchmark::kMillisecond);

// The file alone, from a finished sheet.
void BM_RenderOnly40(benchmark::State& state) {
    QTemporaryDir dir;
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    SheetModel sheet;
    plan::writePreliminaryPlan(plan, sheet);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("render.xlsx"));
    for (auto _ : state) {
        const QString error = workbook::renderXlsx(sheet, path);
        if (!error.isEmpty()) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RenderOnly40)->Unit(benchmark::kMillisecond);

// The layout alone, into the recording model (no file).
void BM_LayoutOnly40(benchmark::State& state) {
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    for (auto _ : state) {
        SheetModel sheet;
        plan::writePreliminaryPlan(plan, sheet);
        benchmark::DoNotOptimize(sheet.lastRow());
    }
}
BENCHMARK(BM_LayoutOnly40)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    numbers::applyRegionalConventions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
