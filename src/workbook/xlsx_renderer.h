#pragma once

#include "workbook/sheet_model.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <utility>
#include <vector>

namespace workbook {

// The temporary location as the user's settings name it, even when it does not exist.
QString temporaryLocation();

// The program's own folder for generated workbooks under the user's temporary
// location, readable and writable by the owner only. Empty, with the reason in
// *error, when no such folder can be had.
QString outputFolder(QString* error = nullptr);

// The text as a spreadsheet must store it to give it back as typed: a run that
// reads like the format's own escape of a character ("_x000D_", any case of hex
// digits) gets its underscore escaped as "_x005F_", so that readers do not turn
// it into the character it names.
QString escapeLookalikes(QStringView text);

// The text as UTF-8 that XML 1.0 accepts: each character it does not allow (C0
// controls other than tab, line feed and carriage return, a lone surrogate,
// U+FFFE, U+FFFF) becomes U+FFFD; NUL included, so nothing after it is lost.
QByteArray xmlSafeUtf8(QStringView text);

// How a sheet is presented beyond what its cells hold. None of it changes a
// cell's value, number format, alignment, merge or a column's width.
struct Presentation {
    QString sheetName; // empty: the library's own
    // Rows whose wrapped texts need more than one line at the default font get
    // the height that shows all of it; one-line rows keep the default height.
    bool rowsFitText = false;
    // The printed page: A4 landscape, one page wide and as many tall as needed,
    // the first `repeatedRows` rows on every page, centred across the page.
    bool printLandscapeOnePageWide = false;
    int repeatedRows = 0;
    // Thin borders around every cell from A1 to the last used column and row.
    bool cellBorders = false;
};

// The lines a text takes when wrapped in a column `width` characters wide at the
// default font (widths in the spreadsheet's units: the digit "0"). An estimate
// that errs on the side of an extra line rather than a clipped one.
int wrappedLines(QStringView text, double width, bool bold = false);

// The tallest row a spreadsheet allows, in points.
constexpr double kMaxRowPoints = 409.0;

// Every call the xlsx library is to make for a sheet, worked out beforehand, in
// the order it makes them: formats by number, in the order of their first use.
struct LibraryCalls {
    struct Format {
        CellStyle style;
        bool bordered = false;
    };
    struct Column {
        int column; // 0-based, as the library counts
        double width;
        int format; // -1: none
    };
    struct Merge {
        CellRange block; // 1-based
        int format;
    };
    struct Cell {
        enum Kind { Number, Text, Blank } kind;
        int row; // 0-based
        int column;
        double number;
        QByteArray text; // UTF-8, safe for XML
        int format;
    };
    QByteArray sheetName;
    std::vector<Format> formats;
    std::vector<Column> columns;
    std::vector<Merge> merges;
    std::vector<Cell> cells;
    std::vector<std::pair<int, double>> rowHeights; // 0-based row, points
    bool printLandscapeOnePageWide = false;
    int repeatedRows = 0;
    QByteArray header;
    QByteArray footer;
    std::vector<uint32_t> pageBreaks; // rows after which a page ends, then 0
};

LibraryCalls libraryCalls(const SheetModel& sheet, const Presentation& presentation);

// Makes the calls into a new workbook at `target`, the library's scratch files
// in `scratchFolder`. Empty on success, otherwise what went wrong.
QString makeLibraryCalls(const LibraryCalls& calls, const QByteArray& target, const QByteArray& scratchFolder);

// Writes the sheet as a new workbook in the folder, named "<name>.xlsx" or, when
// that is taken, "<name> (2).xlsx", "<name> (3).xlsx" …: rendered into a hidden
// file created exclusively in the folder, flushed to disk, and only then given
// its name, without replacing or writing through anything found there. The file's
// permissions follow the user's umask. Nothing is left in the folder when it
// fails. Returns the new file's path, or empty with the reason in *error.
QString writeNewWorkbook(const SheetModel& sheet, const QString& folder, const QString& name,
                         const Presentation& presentation, QString* error);

// Writes the sheet as the first worksheet of a new .xlsx at path: values,
// merges, column widths and formats as the model holds them, presented as asked.
// Returns an empty text on success, otherwise what went wrong. The bytes written
// do not depend on the process locale.
QString renderXlsx(const SheetModel& sheet, const QString& path, const Presentation& presentation = {});

} // namespace workbook
