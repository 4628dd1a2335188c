#pragma once

#include "state/fixed_amount.h"

#include <QString>

#include <cstdint>
#include <variant>

// A plan variable: empty (never assigned), a text, a whole number, a double or a
// fixed-point amount. Arithmetic always uses numeric(): a text converted under the
// regional conventions, empty as 0. Two texts are never joined.
class TaggedValue {
public:
    enum class Kind { Empty, Text, Whole, Double, Fixed };

    TaggedValue() = default;
    TaggedValue(const QString& text) : m_value(text) {}
    TaggedValue(const char* text) : m_value(QString::fromUtf8(text)) {}
    TaggedValue(int whole) : m_value(std::int64_t(whole)) {}
    TaggedValue(std::int64_t whole) : m_value(whole) {}
    TaggedValue(double number) : m_value(number) {}
    TaggedValue(FixedAmount amount) : m_value(amount) {}

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }

    double numeric() const;
    // numeric() truncated towards zero, for counters and flags.
    int toInt() const { return static_cast<int>(numeric()); }
    // The value as text the way the program shows a stored value in a list or box:
    // a text unchanged, a number in its plain text form, empty as "".
    QString toText() const;

    const QString* text() const { return std::get_if<QString>(&m_value); }
    const FixedAmount* fixed() const { return std::get_if<FixedAmount>(&m_value); }
    const std::int64_t* whole() const { return std::get_if<std::int64_t>(&m_value); }
    const double* real() const { return std::get_if<double>(&m_value); }

    friend bool operator==(const TaggedValue& a, const TaggedValue& b) = default;

private:
    std::variant<std::monostate, QString, std::int64_t, double, FixedAmount> m_value;
};
