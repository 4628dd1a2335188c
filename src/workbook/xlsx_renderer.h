#pragma once

#include "workbook/sheet_model.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace workbook {

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

// Writes the sheet as the first worksheet of a new .xlsx at path: values,
// merges, column widths and formats as the model holds them. Returns an empty
// text on success, otherwise what went wrong. The bytes written do not depend on
// the process locale.
QString renderXlsx(const SheetModel& sheet, const QString& path);

} // namespace workbook
