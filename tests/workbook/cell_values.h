#pragma once

#include "workbook/sheet_model.h"

#include <QVariant>

// A cell's value as QtTest compares it: a number, a text, or an invalid variant for a blank.
inline QVariant shown(const CellValue& value) {
    if (const double* d = std::get_if<double>(&value))
        return *d;
    if (const QString* s = std::get_if<QString>(&value))
        return *s;
    return {};
}
