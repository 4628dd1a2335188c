#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

class QLocale;

// A money amount held as a signed 64-bit count of ten-thousandths of a rouble.
// Every conversion into it rounds to four decimals, halves to even, and reports
// a value outside the 64-bit range as "no value" instead of wrapping.
class FixedAmount {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr FixedAmount() = default;
    static constexpr FixedAmount fromUnits(std::int64_t units) {
        FixedAmount a;
        a.m_units = units;
        return a;
    }

    // A text that passes the regional number test, converted with exact decimal
    // arithmetic (never through a double).
    static std::optional<FixedAmount> fromText(QStringView text, const QLocale& locale);
    static std::optional<FixedAmount> fromText(QStringView text);
    // The double's shortest round-trip decimal form, converted exactly.
    static std::optional<FixedAmount> fromDouble(double value);

    constexpr std::int64_t units() const { return m_units; }
    double toDouble() const;
    // Exact decimal text with a point, trailing zeros removed ("25", "-0.0025").
    QString toDecimalString() const;

    friend constexpr bool operator==(FixedAmount a, FixedAmount b) = default;

private:
    std::int64_t m_units = 0;
};
