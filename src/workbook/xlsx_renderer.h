#pragma once

#include "workbook/sheet_model.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace workbook {

// The temporary location as the user's settings name it, even when it does not exist.
QString temporaryLocation();

// The program's own folder for generated workbooks under the user's temporary
// location, readable and writable by the owner only. Empty, with the reason in
// *error, when no such folder can be had.
QString outputFolder(QString* error = nullptr);

// A new empty file with a unique name ("<stem>-XXXXXX.xlsx") in the folder,
// created exclusively with owner-only permissions, so no existing file is ever
// replaced. Empty, with the reason in *error, on failure.
QString createUniqueFile(const QString& folder, const QString& stem, QString* error = nullptr);

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

// Writes the sheet as the first worksheet of a new .xlsx at path: values,
// merges, column widths and formats as the model holds them, presented as asked.
// Returns an empty text on success, otherwise what went wrong. The bytes written
// do not depend on the process locale.
QString renderXlsx(const SheetModel& sheet, const QString& path, const Presentation& presentation = {});

} // namespace workbook
