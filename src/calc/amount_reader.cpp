#include "calc/amount_reader.h"

#include "state/tagged_value.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace {

constexpr int kMaxDigits = 15; // below 2^53: the digits form an exact double

constexpr std::array<double, kMaxDigits + 1> kPowersOfTen = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
};

// The value of [-]digits[<decimal>digits], or nothing for any other text.
std::optional<double> readSimple(const QString& text, QChar decimal)
{
    const qsizetype size = text.size();
    const QChar* c = text.constData();
    qsizetype i = 0;
    const bool negative = size > 0 && c[0] == QLatin1Char('-');
    if (negative)
        i = 1;

    std::int64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool inFraction = false;
    bool digitBefore = false;
    for (; i < size; ++i) {
        const char16_t u = c[i].unicode();
        if (u >= u'0' && u <= u'9') {
            if (++digits > kMaxDigits)
                return std::nullopt;
            mantissa = mantissa * 10 + (u - u'0');
            if (inFraction)
                ++fractionDigits;
            digitBefore = true;
        } else if (!inFraction && !decimal.isNull() && c[i] == decimal && digitBefore) {
            inFraction = true;
            digitBefore = false;
        } else {
            return std::nullopt;
        }
    }
    if (!digitBefore) // empty, a lone sign, or a separator without digits after it
        return std::nullopt;
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[static_cast<std::size_t>(fractionDigits)];
    return negative ? -magnitude : magnitude;
}

} // namespace

AmountReader::AmountReader()
    : AmountReader(QLocale())
{
}

AmountReader::AmountReader(const QLocale& locale)
{
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    // A separator of several characters, or one that also groups digits, is left
    // to the full conversion.
    if (decimal.size() == 1 && decimal != group && !decimal[0].isDigit() && decimal[0] != QLatin1Char('-'))
        m_decimal = decimal[0];
}

double AmountReader::operator()(const TaggedValue& value) const
{
    if (const QString* text = value.text()) {
        if (const auto simple = readSimple(*text, m_decimal))
            return *simple;
    }
    return value.numeric();
}
