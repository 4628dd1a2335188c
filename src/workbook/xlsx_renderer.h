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
