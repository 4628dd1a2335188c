#include "workbook/xlsx_renderer.h"

#include "state/files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#ifdef PLANIUM_XLSXWRITER_LIBRARY
#include <dlfcn.h>
#endif

#ifdef Q_OS_UNIX
#include <locale.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <clocale>
#include <string>
#endif

namespace workbook {

namespace {

// The xlsx library's functions the renderer calls.
#define PLANIUM_XLSX_FUNCTIONS(X)                                                                            \
    X(workbook_new_opt)                                                                                      \
    X(workbook_add_worksheet)                                                                                \
    X(workbook_add_format)                                                                                   \
    X(workbook_close)                                                                                        \
    X(worksheet_set_column)                                                                                  \
    X(worksheet_merge_range)                                                                                 \
    X(worksheet_write_number)                                                                                \
    X(worksheet_write_string)                                                                                \
    X(worksheet_write_blank)                                                                                 \
    X(worksheet_set_row)                                                                                     \
    X(worksheet_set_landscape)                                                                               \
    X(worksheet_set_paper)                                                                                   \
    X(worksheet_fit_to_pages)                                                                                \
    X(worksheet_center_horizontally)                                                                         \
    X(worksheet_repeat_rows)                                                                                 \
    X(worksheet_set_header)                                                                                  \
    X(worksheet_set_footer)                                                                                  \
    X(worksheet_set_h_pagebreaks)                                                                            \
    X(format_set_border)                                                                                     \
    X(format_set_align)                                                                                      \
    X(format_set_text_wrap)                                                                                  \
    X(format_set_rotation)                                                                                   \
    X(format_set_indent)                                                                                     \
    X(format_set_shrink)                                                                                     \
    X(format_set_bold)                                                                                       \
    X(format_set_num_format)                                                                                 \
    X(lxw_strerror)

struct XlsxLibrary {
#define PLANIUM_XLSX_POINTER(name) decltype(&::name) name = nullptr;
    PLANIUM_XLSX_FUNCTIONS(PLANIUM_XLSX_POINTER)
#undef PLANIUM_XLSX_POINTER
};

// The xlsx library, or null with the reason in *error. Where the build names its
// file (PLANIUM_XLSXWRITER_LIBRARY), it is loaded when the first workbook is
// made rather than with the program: it and the libraries it needs (minizip,
// libcrypto) would otherwise be mapped and relocated at every start, for what
// happens at the end of a plan.
const XlsxLibrary* xlsxLibrary(QString* error) {
#ifdef PLANIUM_XLSXWRITER_LIBRARY
    static const auto loaded = []() -> std::pair<std::optional<XlsxLibrary>, QString> {
        void* handle = ::dlopen(PLANIUM_XLSXWRITER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return {std::nullopt, QString::fromLocal8Bit(::dlerror())};
        XlsxLibrary library;
        QStringList missing;
#define PLANIUM_XLSX_RESOLVE(name)                                                                           \
    library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                              \
    if (!library.name)                                                                                       \
        missing << QStringLiteral(#name);
        PLANIUM_XLSX_FUNCTIONS(PLANIUM_XLSX_RESOLVE)
#undef PLANIUM_XLSX_RESOLVE
        if (!missing.isEmpty())
            return {std::nullopt, QStringLiteral(PLANIUM_XLSXWRITER_LIBRARY " lacks ") + missing.join(u", ")};
        return {library, QString()};
    }();
    if (!loaded.first && error)
        *error = loaded.second;
    return loaded.first ? &*loaded.first : nullptr;
#else
    Q_UNUSED(error);
    static const XlsxLibrary linked{
#define PLANIUM_XLSX_ADDRESS(name) &::name,
        PLANIUM_XLSX_FUNCTIONS(PLANIUM_XLSX_ADDRESS)
#undef PLANIUM_XLSX_ADDRESS
    };
    return &linked;
#endif
}

constexpr QFile::Permissions kOwnerOnlyDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                       QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
// A spreadsheet cell holds at most this many characters.
constexpr qsizetype kMaxCellText = 32767;

// Whether a folder is ours alone: a real directory, owned by this user, closed
// to everyone else (tightened if we own it).
bool isPrivateFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return false;
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::getuid())
        return false;
    if (info.permissions() & kOthers)
        return QFile::setPermissions(path, kOwnerOnlyDir);
#endif
    return true;
}

// The library prints every number (cell values, column widths, margins) with the
// C library's printf, which follows the thread's locale: under a Russian or
// German desktop "0.7" would come out as "0,7" and every spreadsheet would misread
// the file. Rendering therefore runs under the "C" locale on this thread, whatever
// the process has set, and puts the thread's own locale back afterwards.
class ClassicLocaleScope {
public:
#ifdef Q_OS_UNIX
    ClassicLocaleScope()
        : m_previous(classic() ? ::uselocale(classic()) : locale_t{}) {}
    ~ClassicLocaleScope() {
        if (m_previous)
            ::uselocale(m_previous);
    }

private:
    static locale_t classic() {
        static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t{});
        return c;
    }
    locale_t m_previous;
#elif defined(Q_OS_WIN)
    // The C runtime MinGW links (msvcrt) has no locale of a thread's own: the
    // process's numbers are "C" while the library writes, and then what they were.
    // Nothing else in the program prints numbers through the C library.
    ClassicLocaleScope() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        m_previous = current ? current : "C";
        if (m_previous != "C")
            std::setlocale(LC_NUMERIC, "C");
    }
    ~ClassicLocaleScope() {
        if (m_previous != "C")
            std::setlocale(LC_NUMERIC, m_previous.c_str());
    }

private:
    std::string m_previous;
#else
    ClassicLocaleScope() = default;
#endif
    ClassicLocaleScope(const ClassicLocaleScope&) = delete;
    ClassicLocaleScope& operator=(const ClassicLocaleScope&) = delete;
};

// Formats are shared between cells of the same style, numbered in the order of
// their first use.
class FormatTable {
public:
    explicit FormatTable(std::vector<LibraryCalls::Format>& formats)
        : m_formats(formats) {}

    int indexFor(const CellStyle& style, bool bordered = false) {
        if (!bordered && style == CellStyle{})
            return -1;
        for (std::size_t i = 0; i < m_formats.size(); ++i)
            if (m_formats[i].bordered == bordered && m_formats[i].style == style)
                return int(i);
        m_formats.push_back({style, bordered});
        return int(m_formats.size() - 1);
    }

private:
    std::vector<LibraryCalls::Format>& m_formats;
};

lxw_format* libraryFormat(const XlsxLibrary& xlsx, lxw_workbook* book, const LibraryCalls::Format& wanted) {
    const CellStyle& style = wanted.style;
    lxw_format* format = xlsx.workbook_add_format(book);
    if (wanted.bordered)
        xlsx.format_set_border(format, LXW_BORDER_THIN);
    if (style.horizontal == xl::kCenter)
        xlsx.format_set_align(format, LXW_ALIGN_CENTER);
    else if (style.horizontal == xl::kLeft)
        xlsx.format_set_align(format, LXW_ALIGN_LEFT);
    else if (style.horizontal == xl::kRight)
        xlsx.format_set_align(format, LXW_ALIGN_RIGHT);
    if (style.vertical == xl::kCenter)
        xlsx.format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    else if (style.vertical == xl::kBottom)
        xlsx.format_set_align(format, LXW_ALIGN_VERTICAL_BOTTOM);
    else if (style.vertical == xl::kTop)
        xlsx.format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
    if (style.wrap.value_or(false))
        xlsx.format_set_text_wrap(format);
    if (style.orientation.value_or(0) != 0)
        xlsx.format_set_rotation(format, static_cast<int16_t>(style.orientation.value_or(0)));
    if (style.indentLevel.value_or(0) > 0)
        xlsx.format_set_indent(format, static_cast<uint8_t>(std::min(style.indentLevel.value_or(0), 250)));
    if (style.shrinkToFit.value_or(false))
        xlsx.format_set_shrink(format);
    if (style.bold.value_or(false))
        xlsx.format_set_bold(format);
    if (!style.numberFormat.isEmpty())
        xlsx.format_set_num_format(format, style.numberFormat.toUtf8().constData());
    return format;
}

// The default font's line, and so a one-line row, in points.
constexpr double kLinePoints = 15.0;
// A4 in the spreadsheet's paper sizes.
constexpr uint8_t kPaperA4 = 9;

// The width of a character of the default font in widths of the digit "0",
// rounded up: narrow punctuation and letters, wide capitals and the widest
// Cyrillic letters, the rest as wide as a digit.
double characterWidth(QChar c) {
    static const QString narrow = QStringLiteral(" .,:;'!|()[]ilIjtfr1-гтзсэ");
    static const QString wide = QStringLiteral("mwшщжмюыфъMWШЩЖМЮЫФДЦ№%");
    if (narrow.contains(c))
        return 0.55;
    if (wide.contains(c))
        return 1.45;
    if (c.isUpper())
        return 1.2;
    return 1.0;
}

// The heights that make every wrapped text of the sheet show in full: for each
// row that needs more than one line, its height in points. A merged block's
// extra lines go to its first row.
std::map<int, double> rowHeightsForText(const SheetModel& sheet) {
    const auto width = [&](int column) { return sheet.columnWidth(column).value_or(LXW_DEF_COL_WIDTH); };
    std::map<int, double> needed;
    for (const auto& [key, cell] : sheet.cells()) {
        const QString* text = std::get_if<QString>(&cell.value);
        const CellStyle& style = cell.style;
        if (!text || !style.wrap.value_or(false))
            continue;
        int firstRow = key.row;
        int rows = 1;
        double columns = width(key.column);
        if (const auto merge = sheet.mergeAt(key.row, key.column)) {
            if (merge->firstRow != key.row || merge->firstColumn != key.column)
                continue; // a hidden cell of the block
            columns = 0;
            for (int c = merge->firstColumn; c <= merge->lastColumn; ++c)
                columns += width(c);
            rows = merge->lastRow - merge->firstRow + 1;
        }
        const int lines = wrappedLines(*text, columns, style.bold.value_or(false));
        if (lines <= rows)
            continue;
        // Taller than a spreadsheet allows, the row keeps the tallest height; the text still wraps.
        const double points = std::min((lines - (rows - 1)) * kLinePoints, kMaxRowPoints);
        needed[firstRow] = std::max(needed[firstRow], points);
    }
    return needed;
}

// One side of a printed page as a header or footer string ("&L…&C…&R…"),
// at most 255 characters.
QByteArray pageString(const PageTexts& texts) {
    QString all;
    if (!texts.left.isEmpty())
        all += QStringLiteral("&L") + texts.left;
    if (!texts.centre.isEmpty())
        all += QStringLiteral("&C") + texts.centre;
    if (!texts.right.isEmpty())
        all += QStringLiteral("&R") + texts.right;
    if (all.size() > 255)
        all.truncate(255);
    if (all.endsWith(QLatin1Char('&')) && !all.endsWith(QStringLiteral("&&")))
        all.chop(1); // no code cut in half
    return xmlSafeUtf8(all);
}

// The page a landscape A4 sheet prints the rows on, in points at the sheet's own
// size: the paper less the default top and bottom margins, enlarged by the
// scale that fits the used columns to the paper's width (as the spreadsheet
// applications reckon column widths in pixels at the default font).
double pageHeightPoints(const SheetModel& sheet, int lastColumn) {
    constexpr double kPaperWidth = 841.89, kPaperHeight = 595.28; // A4 landscape
    constexpr double kSideMargins = 2 * 0.7 * 72, kTopAndBottomMargins = 2 * 0.75 * 72;
    double pixels = 0;
    for (int column = 1; column <= lastColumn; ++column) {
        const double width = sheet.columnWidth(column).value_or(LXW_DEF_COL_WIDTH);
        pixels += std::floor(width * 7 + 0.5) + 5;
    }
    const double scale = std::min(1.0, (kPaperWidth - kSideMargins) / (pixels * 0.75));
    return (kPaperHeight - kTopAndBottomMargins) / (std::floor(scale * 100) / 100);
}

// Where the printed pages end: by height, except that a page never ends inside
// a block of rows kept together (the break moves up to the block's first row).
// Rows after the first break each page; nothing when the table fits on one page.
// The pages are reckoned a little short, so that no break of the spreadsheet
// application's own comes before one of these.
std::vector<lxw_row_t> pageBreaks(const SheetModel& sheet, const std::map<int, double>& heights,
                                  int repeatedRows, int lastColumn) {
    const auto height = [&](int row) {
        const auto it = heights.find(row);
        return it == heights.end() ? LXW_DEF_ROW_HEIGHT : it->second;
    };
    double titles = 0;
    for (int row = 1; row <= repeatedRows; ++row)
        titles += height(row);
    const double room = pageHeightPoints(sheet, lastColumn) * 0.95 - titles;
    const int lastRow = sheet.lastRow();
    std::vector<lxw_row_t> breaks;
    if (room <= LXW_DEF_ROW_HEIGHT)
        return breaks;
    int pageStart = repeatedRows + 1;
    double used = 0;
    for (int row = pageStart; row <= lastRow; ++row) {
        if (used + height(row) <= room || row == pageStart) {
            used += height(row);
            continue;
        }
        int next = row; // the first row of the next page
        for (const auto& [first, last] : sheet.rowsKeptTogether())
            if (first < next && next <= last && first > pageStart)
                next = first;
        breaks.push_back(static_cast<lxw_row_t>(next - 1));
        pageStart = next;
        used = 0;
        for (int r = next; r <= row; ++r)
            used += height(r);
    }
    breaks.push_back(0); // the library's end mark
    return breaks;
}

// Keeps the first error of a sequence of library calls.
struct FirstError {
    lxw_error error = LXW_NO_ERROR;
    void operator()(lxw_error e) {
        if (error == LXW_NO_ERROR)
            error = e;
    }
};

LibraryCalls::Cell cellCall(int row, int column, const CellValue& value, int format) {
    LibraryCalls::Cell call{LibraryCalls::Cell::Blank, row - 1, column - 1, 0.0, {}, format};
    if (const double* number = std::get_if<double>(&value)) {
        if (std::isfinite(*number)) {
            call.kind = LibraryCalls::Cell::Number;
            call.number = *number;
        } else {
            // A cell cannot hold an infinite amount; show what it is rather than spoil the file.
            call.kind = LibraryCalls::Cell::Text;
            call.text = QByteArray::number(*number);
        }
    } else if (const QString* text = std::get_if<QString>(&value)) {
        // Always a string, never a formula, even when it starts with "=".
        call.kind = LibraryCalls::Cell::Text;
        call.text = xmlSafeUtf8(escapeLookalikes(QStringView(*text).left(kMaxCellText)));
    }
    return call;
}

} // namespace

int wrappedLines(QStringView text, double width, bool bold) {
    // Room for text once the cell's padding is taken off; every character counted
    // a little wider than it is, so that an estimate near the edge takes a line more.
    const double room = std::max(1.0, width - 0.8);
    const double scale = bold ? 1.2 : 1.1;
    int lines = 0;
    for (const QStringView paragraph : text.split(QLatin1Char('\n'))) {
        ++lines;
        double used = 0;
        for (const QStringView word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            double length = 0;
            for (const QChar c : word)
                length += characterWidth(c) * scale;
            const double space = used > 0 ? characterWidth(QLatin1Char(' ')) * scale : 0;
            if (used + space + length <= room) {
                used += space + length;
            } else if (length <= room) {
                ++lines;
                used = length;
            } else {
                // A word longer than the line is broken wherever it reaches the edge.
                if (used > 0)
                    ++lines;
                lines += static_cast<int>(length / room);
                used = std::fmod(length, room);
            }
        }
    }
    return std::max(lines, 1);
}

QString escapeLookalikes(QStringView text) {
    const auto isHex = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    };
    const auto startsEscape = [&](qsizetype at) {
        if (at + 7 > text.size() || text[at] != u'_' || text[at + 1] != u'x' || text[at + 6] != u'_')
            return false;
        return isHex(text[at + 2]) && isHex(text[at + 3]) && isHex(text[at + 4]) && isHex(text[at + 5]);
    };
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u"_x"); at >= 0; at = text.indexOf(u"_x", at + 1)) {
        if (!startsEscape(at))
            continue;
        if (out.isEmpty())
            out.reserve(text.size() + 7);
        out += text.mid(copied, at - copied);
        out += u"_x005F";
        copied = at; // the underscore itself ends the escape and starts the run again
    }
    if (copied == 0 && out.isEmpty())
        return text.toString(); // the usual case: nothing looks like an escape
    out += text.mid(copied);
    return out;
}

QByteArray xmlSafeUtf8(QStringView text) {
    const auto allowed = [](char16_t u) {
        return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u < 0xD800) || (u >= 0xE000 && u <= 0xFFFD);
    };
    qsizetype i = 0;
    while (i < text.size() && allowed(text[i].unicode()))
        ++i;
    if (i == text.size())
        return text.toUtf8(); // the usual case: nothing to replace
    QString safe = text.left(i).toString();
    safe.reserve(text.size());
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            safe += c; // a character beyond the basic plane, as a whole pair
            safe += text[++i];
        } else {
            safe += allowed(c.unicode()) ? c : QChar(QChar::ReplacementCharacter);
        }
    }
    return safe.toUtf8();
}

QString temporaryLocation() {
    const QString location = QDir::tempPath(); // empty when the folder does not exist
    if (!location.isEmpty())
        return location;
    const QString fromEnvironment = qEnvironmentVariable("TMPDIR");
    return fromEnvironment.isEmpty() ? QStringLiteral("/tmp") : QDir::cleanPath(fromEnvironment);
}

QString outputFolder(QString* error) {
    const QString base = temporaryLocation();
    if (!QFileInfo(base).isDir()) { // never a folder relative to wherever the program was started
        if (error)
            *error = QStringLiteral("the temporary folder does not exist");
        return {};
    }
    const QString own = QDir(base).filePath(QStringLiteral("planium"));
    if (QDir().mkdir(own, kOwnerOnlyDir) || QFileInfo::exists(own)) {
        if (isPrivateFolder(own))
            return own;
    }
    // The usual name is taken by something that is not ours: use a fresh private one.
    QTemporaryDir fresh(QDir(base).filePath(QStringLiteral("planium-XXXXXX")));
    if (fresh.isValid()) {
        fresh.setAutoRemove(false);
        return fresh.path();
    }
    if (error)
        *error = fresh.errorString();
    return {};
}

LibraryCalls libraryCalls(const SheetModel& sheet, const Presentation& presentation) {
    LibraryCalls calls;
    calls.sheetName = xmlSafeUtf8(presentation.sheetName);
    FormatTable formats(calls.formats);

    std::set<int> columns;
    for (const auto& [column, width] : sheet.columnWidths())
        columns.insert(column);
    for (const auto& [column, style] : sheet.columnStyles())
        columns.insert(column);
    for (const int column : columns)
        calls.columns.push_back({column - 1, sheet.columnWidth(column).value_or(LXW_DEF_COL_WIDTH),
                                 formats.indexFor(sheet.columnStyle(column))});

    // The bordered block: A1 to the last used column and row.
    const int lastRow = sheet.lastRow();
    int lastColumn = columns.empty() ? 0 : *columns.rbegin();
    for (const auto& [key, cell] : sheet.cells())
        lastColumn = std::max(lastColumn, key.column);
    const auto bordered = [&](int row, int column) {
        return presentation.cellBorders && row <= lastRow && column <= lastColumn;
    };

    // A merge lays its top-left format over the block; the cells written next put
    // back each cell's own value and format.
    for (const CellRange& merge : sheet.merges())
        calls.merges.push_back({merge, formats.indexFor(sheet.style(merge.firstRow, merge.firstColumn),
                                                        bordered(merge.firstRow, merge.firstColumn))});

    // Blank cells are written with their format too, for readers that ignore the
    // column formats.
    calls.cells.reserve(sheet.cells().size());
    for (const auto& [key, cell] : sheet.cells())
        calls.cells.push_back(
            cellCall(key.row, key.column, cell.value, formats.indexFor(cell.style, bordered(key.row, key.column))));

    // The cells of the bordered block that hold nothing get their border too, in
    // their column's format.
    if (presentation.cellBorders && lastRow > 0 && lastColumn > 0) {
        const auto at = [&](int row, int column) { return std::size_t(row - 1) * lastColumn + (column - 1); };
        std::vector<bool> taken(std::size_t(lastRow) * lastColumn);
        for (const auto& [key, cell] : sheet.cells())
            if (key.row <= lastRow && key.column <= lastColumn)
                taken[at(key.row, key.column)] = true;
        for (const CellRange& m : sheet.merges())
            for (int row = m.firstRow; row <= std::min(m.lastRow, lastRow); ++row)
                for (int column = m.firstColumn; column <= std::min(m.lastColumn, lastColumn); ++column)
                    taken[at(row, column)] = true;
        std::vector<int> columnFormat(std::size_t(lastColumn) + 1, -2);
        for (int row = 1; row <= lastRow; ++row)
            for (int column = 1; column <= lastColumn; ++column) {
                if (taken[at(row, column)])
                    continue;
                int& format = columnFormat[std::size_t(column)];
                if (format == -2)
                    format = formats.indexFor(sheet.columnStyle(column), true);
                calls.cells.push_back({LibraryCalls::Cell::Blank, row - 1, column - 1, 0.0, {}, format});
            }
    }

    const std::map<int, double> heights =
        presentation.rowsFitText ? rowHeightsForText(sheet) : std::map<int, double>{};
    for (const auto& [row, points] : heights)
        calls.rowHeights.emplace_back(row - 1, points);
    calls.printLandscapeOnePageWide = presentation.printLandscapeOnePageWide;
    calls.repeatedRows = presentation.repeatedRows;
    if (sheet.pageHeader() != PageTexts{})
        calls.header = pageString(sheet.pageHeader());
    if (sheet.pageFooter() != PageTexts{})
        calls.footer = pageString(sheet.pageFooter());
    // Breaks of its own where a page would end inside rows kept together.
    if (presentation.printLandscapeOnePageWide && !sheet.rowsKeptTogether().empty())
        calls.pageBreaks = pageBreaks(sheet, heights, presentation.repeatedRows, lastColumn);
    return calls;
}

QString makeLibraryCalls(const LibraryCalls& calls, const QByteArray& target, const QByteArray& scratchFolder) {
    QString unavailable;
    const XlsxLibrary* library = xlsxLibrary(&unavailable);
    if (!library)
        return QStringLiteral("cannot load the xlsx library: ") + unavailable;
    const XlsxLibrary& xlsx = *library;
    const ClassicLocaleScope classicNumbers;
    QByteArray scratch = scratchFolder;
    lxw_workbook_options options{};
    options.tmpdir = scratch.data();
    lxw_workbook* book = xlsx.workbook_new_opt(target.constData(), &options);
    if (!book)
        return QStringLiteral("cannot start the workbook");
    lxw_worksheet* worksheet =
        xlsx.workbook_add_worksheet(book, calls.sheetName.isEmpty() ? nullptr : calls.sheetName.constData());
    if (!worksheet) {
        xlsx.workbook_close(book);
        return QStringLiteral("cannot add a worksheet");
    }

    std::vector<lxw_format*> formats;
    formats.reserve(calls.formats.size());
    for (const LibraryCalls::Format& format : calls.formats)
        formats.push_back(libraryFormat(xlsx, book, format));
    const auto format = [&](int index) { return index < 0 ? nullptr : formats[std::size_t(index)]; };
    FirstError failed;

    for (const LibraryCalls::Column& c : calls.columns) {
        const auto column = static_cast<lxw_col_t>(c.column);
        failed(xlsx.worksheet_set_column(worksheet, column, column, c.width, format(c.format)));
    }
    for (const auto& [block, index] : calls.merges)
        failed(xlsx.worksheet_merge_range(worksheet, static_cast<lxw_row_t>(block.firstRow - 1),
                                          static_cast<lxw_col_t>(block.firstColumn - 1),
                                          static_cast<lxw_row_t>(block.lastRow - 1),
                                          static_cast<lxw_col_t>(block.lastColumn - 1), "", format(index)));
    for (const LibraryCalls::Cell& cell : calls.cells) {
        const auto row = static_cast<lxw_row_t>(cell.row);
        const auto column = static_cast<lxw_col_t>(cell.column);
        if (cell.kind == LibraryCalls::Cell::Number)
            failed(xlsx.worksheet_write_number(worksheet, row, column, cell.number, format(cell.format)));
        else if (cell.kind == LibraryCalls::Cell::Text)
            failed(xlsx.worksheet_write_string(worksheet, row, column, cell.text.constData(),
                                               format(cell.format)));
        else if (cell.format >= 0)
            failed(xlsx.worksheet_write_blank(worksheet, row, column, format(cell.format)));
    }
    for (const auto& [row, points] : calls.rowHeights)
        failed(xlsx.worksheet_set_row(worksheet, static_cast<lxw_row_t>(row), points, nullptr));
    if (calls.printLandscapeOnePageWide) {
        xlsx.worksheet_set_landscape(worksheet);
        xlsx.worksheet_set_paper(worksheet, kPaperA4);
        xlsx.worksheet_fit_to_pages(worksheet, 1, 0);
        xlsx.worksheet_center_horizontally(worksheet);
    }
    if (calls.repeatedRows > 0)
        failed(xlsx.worksheet_repeat_rows(worksheet, 0, static_cast<lxw_row_t>(calls.repeatedRows - 1)));
    if (!calls.header.isEmpty())
        failed(xlsx.worksheet_set_header(worksheet, calls.header.constData()));
    if (!calls.footer.isEmpty())
        failed(xlsx.worksheet_set_footer(worksheet, calls.footer.constData()));
    if (calls.pageBreaks.size() > 1) {
        std::vector<lxw_row_t> breaks(calls.pageBreaks.begin(), calls.pageBreaks.end());
        failed(xlsx.worksheet_set_h_pagebreaks(worksheet, breaks.data()));
    }

    failed(xlsx.workbook_close(book));
    if (failed.error != LXW_NO_ERROR)
        return QString::fromUtf8(xlsx.lxw_strerror(failed.error));
    return {};
}

namespace {

// Where the library's scratch files (each removed as soon as it is made) cost
// least: a folder in memory of the user's session, else the shared one in
// memory, else none (the output's own folder then).
QByteArray scratchInMemory() {
    static const QByteArray found = [] {
        for (const QString& candidate :
             {qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("/dev/shm")}) {
            const QFileInfo info(candidate);
            if (!candidate.isEmpty() && info.isDir() && info.isWritable() && info.isExecutable())
                return QFile::encodeName(candidate);
        }
        return QByteArray();
    }();
    return found;
}

} // namespace

QString writeNewWorkbook(const SheetModel& sheet, const QString& folder, const QString& name,
                         const Presentation& presentation, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QString();
    };
    // Whatever goes wrong before it is published, nothing is left in the folder.
    files::NewFile file(folder, name);
    if (!file.isOpen())
        return fail(file.error());
    const QByteArray folderName = QFile::encodeName(folder);
    const QByteArray memory = scratchInMemory();
    const LibraryCalls calls = libraryCalls(sheet, presentation);
    QString failure = makeLibraryCalls(calls, file.writablePath(), memory.isEmpty() ? folderName : memory);
    if (!failure.isEmpty() &&
        !memory.isEmpty()) // that memory may be full: the folder has room for scratch too
        failure = makeLibraryCalls(calls, file.writablePath(), folderName);
    if (failure.isEmpty() && file.size() <= 0)
        failure = QStringLiteral("the workbook came out empty");
    if (!failure.isEmpty())
        return fail(failure);
    const QString path = file.publish(QStringLiteral(".xlsx"));
    if (path.isEmpty())
        return fail(file.error());
    return path;
}

QString renderXlsx(const SheetModel& sheet, const QString& path, const Presentation& presentation) {
    return makeLibraryCalls(libraryCalls(sheet, presentation), QFile::encodeName(path),
                            QFile::encodeName(QFileInfo(path).absolutePath()));
}

} // namespace workbook
