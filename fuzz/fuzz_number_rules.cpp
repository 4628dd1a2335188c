// libFuzzer target over the regional number rules: the number test, the text to
// double and text to money conversions and both display patterns, under a
// comma locale and a point locale.

#include "state/fixed_amount.h"
#include "state/number_rules.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cstdio>

namespace {

void require(bool condition, const char* what, const QString& input)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s for input \"%s\"\n", what, qPrintable(input));
        std::abort();
    }
}

void checkNumber(double value, const QLocale& locale, const QString& input)
{
    // At the very edge of the double range the 15-digit form rounds past it.
    if (!std::isfinite(value) || std::abs(value) > 1.79769313486231e308)
        return;
    const QString plain = numbers::formatPlain(value, locale);
    require(numbers::isNumber(plain, locale), "plain form reads as a number", input);
    const double back = numbers::toNumber(plain, locale);
    require(std::abs(back - value) <= std::abs(value) * 1e-14, "plain form keeps 15 digits", input);

    const QString whole = numbers::formatWhole(value);
    require(numbers::isNumber(whole, locale), "pattern 0 reads as a number", input);
    if (std::abs(value) < 1e15)
        require(numbers::toNumber(whole, locale) == std::round(value), "pattern 0 rounds half away", input);

    const auto fixed = FixedAmount::fromDouble(value);
    const double scaled = value * 1e4;
    if (fixed)
        require(std::abs(static_cast<double>(fixed->units()) - scaled) <= 0.5 + std::abs(scaled) * 1e-15,
                "money from a double within half a unit", input);
    else
        require(std::abs(scaled) >= 9.2e18, "money from a double out of range only when large", input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QLocale ru(QLocale::Russian, QLocale::Russia);
    static const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale& locale = (data[0] & 1) ? ru : en;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const bool passes = numbers::isNumber(text, locale);
    const double value = numbers::toNumber(text, locale);
    require(std::isfinite(value), "a number converts to a finite double", text);
    if (!passes)
        require(value == 0.0, "a text that is not a number counts as 0", text);

    const auto fixed = FixedAmount::fromText(text, locale);
    if (!passes) {
        require(!fixed.has_value(), "money only from numbers", text);
    } else if (fixed) {
        const double scaled = value * 1e4;
        require(std::abs(static_cast<double>(fixed->units()) - scaled) <= 0.5 + std::abs(scaled) * 1e-15,
                "money from a text within half a unit", text);
    } else {
        require(std::abs(value) * 1e4 >= 9.2e18, "money from a text out of range only when large", text);
    }
    checkNumber(value, locale, text);

    if (size >= 9) {
        double raw = 0;
        std::memcpy(&raw, data + 1, sizeof raw);
        checkNumber(raw, locale, QStringLiteral("<double bytes>"));
    }
    return 0;
}
