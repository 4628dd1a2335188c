#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// The regional number rules: what counts as a number, how it converts and how
// figures are shown. All functions use the process default QLocale unless a
// locale is passed.
namespace numbers {

// The desktop's conventions, or Russian (Russia) when the desktop has none ("C").
QLocale regionalLocale();
// Sets regionalLocale() as the process default and keeps the C library's
// numeric conventions at "C"; called once at start-up, after the application
// object exists.
void applyRegionalConventions();

// Whether a person would call the text a number under the conventions: optional
// sign, decimal separator, digit grouping, exponent, surrounding blanks. The empty
// text, "nan", "inf" and values beyond a double fail.
bool isNumber(QStringView text, const QLocale& locale);
bool isNumber(QStringView text);

// Whether the text is written as a number, whatever its size: like isNumber()
// but also true for values beyond a double ("1e400").
bool isNumeral(QStringView text, const QLocale& locale);
bool isNumeral(QStringView text);

// The value of a text that passes isNumber(); 0 for any other text.
double toNumber(QStringView text, const QLocale& locale);
double toNumber(QStringView text);

// The text in a canonical form: no blanks or grouping, '.' as decimal point,
// exponent kept ("-1500000.5", "1e5"). Empty when the text is not a number.
QString canonicalDecimal(QStringView text, const QLocale& locale);

// Pattern "0": whole number, halves away from zero, no grouping, leading minus.
QString formatWhole(double value);
// Plain text form: at most 15 significant digits, regional decimal separator,
// no grouping, no trailing zeros, exponent only for very large or small values.
QString formatPlain(double value, const QLocale& locale);
QString formatPlain(double value);

// The program's own list items ("-99,5"): always a decimal comma, whatever the
// locale. Returns the percentage as a number (-99.5).
double parseListItem(QStringView item);

} // namespace numbers
