#include "state/fixed_amount.h"

#include "state/number_rules.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Exact conversion of a canonical decimal ("-12.345e2") to ten-thousandths,
// halves to even; nullopt when the result does not fit in 64 bits.
std::optional<std::int64_t> exactUnits(QStringView canonical)
{
    bool negative = false;
    qsizetype i = 0;
    if (i < canonical.size() && canonical[i] == QLatin1Char('-')) {
        negative = true;
        ++i;
    }
    QString digits;
    long long pointShift = 0; // value = digits * 10^pointShift
    bool afterPoint = false;
    for (; i < canonical.size(); ++i) {
        const QChar c = canonical[i];
        if (c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (c.isDigit()) {
            // Leading zeros add nothing, but after the point they still move it.
            if (!(digits.isEmpty() && c == QLatin1Char('0')))
                digits += c;
            if (afterPoint)
                --pointShift;
        } else {
            break;
        }
    }
    if (i < canonical.size() && (canonical[i] == QLatin1Char('e') || canonical[i] == QLatin1Char('E'))) {
        const QByteArray exponent = canonical.sliced(i + 1).toLatin1();
        const char* first = exponent.constData();
        if (*first == '+')
            ++first;
        long long e = 0;
        const auto r = std::from_chars(first, exponent.constData() + exponent.size(), e);
        if (r.ec == std::errc::result_out_of_range) {
            if (digits.isEmpty())
                return 0;
            if (first[0] == '-')
                return 0; // vanishingly small: rounds to zero
            return std::nullopt;
        }
        if (r.ec != std::errc())
            return std::nullopt;
        pointShift += e;
    }
    if (digits.isEmpty())
        return 0;

    const long long shift = pointShift + 4; // ten-thousandths
    const long long total = static_cast<long long>(digits.size());
    long long keep = total + shift; // how many digits form the integer count
    if (keep > 19)
        return std::nullopt;

    __extension__ typedef unsigned __int128 U;
    U count = 0;
    const long long integerDigits = keep < 0 ? 0 : (keep > total ? total : keep);
    for (long long d = 0; d < integerDigits; ++d)
        count = count * 10 + static_cast<unsigned>(digits[d].digitValue());
    for (long long d = total; d < keep; ++d)
        count *= 10;

    // Rounding on the dropped digits, halves to even.
    if (keep < total) {
        const long long firstDropped = keep < 0 ? -1 : keep;
        int roundDigit = 0;
        bool restNonZero = false;
        if (firstDropped >= 0) {
            roundDigit = digits[firstDropped].digitValue();
            for (long long d = firstDropped + 1; d < total; ++d)
                if (digits[d] != QLatin1Char('0')) {
                    restNonZero = true;
                    break;
                }
        } else {
            restNonZero = true; // all digits below the first dropped place
        }
        if (roundDigit > 5 || (roundDigit == 5 && (restNonZero || (count % 2) == 1)))
            ++count;
    }

    const U limit = negative ? U(std::numeric_limits<std::int64_t>::max()) + 1
                             : U(std::numeric_limits<std::int64_t>::max());
    if (count > limit)
        return std::nullopt;
    if (negative)
        return count == limit ? std::numeric_limits<std::int64_t>::min()
                              : -static_cast<std::int64_t>(count);
    return static_cast<std::int64_t>(count);
}

} // namespace

std::optional<FixedAmount> FixedAmount::fromText(QStringView text, const QLocale& locale)
{
    const QString canonical = numbers::canonicalDecimal(text, locale);
    if (canonical.isEmpty())
        return std::nullopt;
    const auto units = exactUnits(canonical);
    if (!units)
        return std::nullopt;
    return fromUnits(*units);
}

std::optional<FixedAmount> FixedAmount::fromText(QStringView text) { return fromText(text, QLocale()); }

std::optional<FixedAmount> FixedAmount::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const auto units = exactUnits(QString::fromLatin1(buffer, result.ptr - buffer));
    if (!units)
        return std::nullopt;
    return fromUnits(*units);
}

double FixedAmount::toDouble() const
{
    // Split so that large counts keep every representable digit.
    const std::int64_t whole = m_units / kScale;
    const std::int64_t fraction = m_units % kScale;
    return static_cast<double>(whole) + static_cast<double>(fraction) / kScale;
}

QString FixedAmount::toDecimalString() const
{
    const bool negative = m_units < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(m_units)
                                                  : static_cast<unsigned long long>(m_units);
    QString text = QString::number(magnitude / kScale);
    const unsigned long long fraction = magnitude % kScale;
    if (fraction != 0) {
        QString f = QString::number(fraction).rightJustified(4, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        text += QLatin1Char('.') + f;
    }
    return negative ? QLatin1Char('-') + text : text;
}
