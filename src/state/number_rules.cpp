#include "state/number_rules.h"

#include <charconv>
#include <clocale>
#include <cmath>

namespace numbers {

namespace {

// Blanks around a number, line breaks included: a figure copied from a
// spreadsheet cell arrives with its line break.
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QChar(0x00A0) || c == QChar(0x202F);
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Reads the text as sign, integer digits (grouped in threes or not), optional
// fraction and optional exponent; returns the canonical C form.
QString canonicalize(QStringView text, const QLocale& locale)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    if (begin == end)
        return {};

    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    // Where the desktop groups digits with a no-break space, people type a plain one.
    const bool spaceGroups = group == QString(QChar(0x00A0)) || group == QString(QChar(0x202F));
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();

    QString out;
    qsizetype i = begin;
    auto at = [&](const QString& s) { return !s.isEmpty() && text.sliced(i, end - i).startsWith(s); };

    // A minus pasted from a document or spreadsheet is often the typographic one.
    if (at(minus) || text[i] == QLatin1Char('-') || text[i] == QChar(0x2212)) {
        out += QLatin1Char('-');
        i += at(minus) ? minus.size() : 1;
    } else if (at(plus) || text[i] == QLatin1Char('+')) {
        i += at(plus) ? plus.size() : 1;
    }

    // The whole part. Where it is grouped, the first group has one to three digits
    // and every later group exactly three ("1 500 000", "1,500"); any other use of
    // the separator makes the text no number, so that a decimal comma typed under
    // a point locale is not silently read as grouping.
    int digits = 0;
    int groupDigits = 0; // digits since the start or the last separator
    bool grouped = false;
    while (i < end) {
        const QChar c = text[i];
        if (isDigit(c)) {
            out += c;
            ++digits;
            ++groupDigits;
            ++i;
            continue;
        }
        qsizetype separator = 0;
        if (!group.isEmpty() && group != decimal && at(group))
            separator = group.size();
        else if ((spaceGroups && c == QLatin1Char(' ')) || c == QChar(0x00A0) || c == QChar(0x202F))
            separator = 1; // spreadsheets group with a no-break or narrow no-break space
        if (separator == 0)
            break;
        if (groupDigits == 0 || groupDigits > 3 || (grouped && groupDigits != 3))
            return {};
        grouped = true;
        groupDigits = 0;
        i += separator;
    }
    if (grouped && groupDigits != 3)
        return {};
    if (i < end && at(decimal)) {
        out += QLatin1Char('.');
        i += decimal.size();
        while (i < end && isDigit(text[i])) {
            out += text[i];
            ++digits;
            ++i;
        }
    }
    if (digits == 0)
        return {};
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        QString exponent = QStringLiteral("e");
        ++i;
        if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
            exponent += text[i];
            ++i;
        }
        int expDigits = 0;
        while (i < end && isDigit(text[i])) {
            exponent += text[i];
            ++expDigits;
            ++i;
        }
        if (expDigits == 0)
            return {};
        out += exponent;
    }
    if (i != end)
        return {};
    return out;
}

double parseCanonical(const QString& canonical, bool* ok)
{
    const QByteArray bytes = canonical.toLatin1();
    double value = 0;
    const auto result = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    *ok = result.ec == std::errc() && result.ptr == bytes.constData() + bytes.size() && std::isfinite(value);
    return *ok ? value : 0.0;
}

} // namespace

QLocale regionalLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Russian, QLocale::Russia);
    return system;
}

void applyRegionalConventions()
{
    QLocale::setDefault(regionalLocale());
    // The application object has set the C library's locale from the desktop;
    // every number the program reads or shows goes through QLocale, so the C
    // library's numbers stay in the "C" form that file formats and libraries
    // expect.
    std::setlocale(LC_NUMERIC, "C");
}

QString canonicalDecimal(QStringView text, const QLocale& locale)
{
    QString canonical = canonicalize(text, locale);
    if (canonical.isEmpty())
        return {};
    bool ok = false;
    parseCanonical(canonical, &ok);
    return ok ? canonical : QString();
}

bool isNumeral(QStringView text, const QLocale& locale) {
    return !canonicalize(text, locale).isEmpty();
}
bool isNumeral(QStringView text) {
    return isNumeral(text, QLocale());
}

bool isNumber(QStringView text, const QLocale& locale) { return !canonicalDecimal(text, locale).isEmpty(); }
bool isNumber(QStringView text) { return isNumber(text, QLocale()); }

double toNumber(QStringView text, const QLocale& locale)
{
    const QString canonical = canonicalDecimal(text, locale);
    if (canonical.isEmpty())
        return 0.0;
    bool ok = false;
    return parseCanonical(canonical, &ok);
}
double toNumber(QStringView text) { return toNumber(text, QLocale()); }

QString formatWhole(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    const double rounded = std::round(value); // halves away from zero
    if (rounded == 0.0)
        return QStringLiteral("0");
    return QString::number(rounded, 'f', 0);
}

QString formatPlain(double value, const QLocale& locale)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0.0)
        return QStringLiteral("0");
    char buffer[64];
    // Like %.15G but independent of the C library's locale: at most 15 significant
    // digits, trailing zeros dropped, exponent only below 1e-4 or from 1e15 on.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer).toUpper();
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, locale.negativeSign());
    return text;
}
QString formatPlain(double value) { return formatPlain(value, QLocale()); }

double parseListItem(QStringView item)
{
    QString text = item.toString().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = parseCanonical(text, &ok);
    return ok ? value : 0.0;
}

} // namespace numbers
