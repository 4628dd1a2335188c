#include "state/tagged_value.h"

#include "state/number_rules.h"

double TaggedValue::numeric() const
{
    switch (kind()) {
    case Kind::Empty:
        return 0.0;
    case Kind::Text:
        return numbers::toNumber(std::get<QString>(m_value));
    case Kind::Whole:
        return static_cast<double>(std::get<std::int64_t>(m_value));
    case Kind::Double:
        return std::get<double>(m_value);
    case Kind::Fixed:
        return std::get<FixedAmount>(m_value).toDouble();
    }
    return 0.0;
}

QString TaggedValue::toText() const
{
    switch (kind()) {
    case Kind::Empty:
        return {};
    case Kind::Text:
        return std::get<QString>(m_value);
    case Kind::Whole:
        return QString::number(std::get<std::int64_t>(m_value));
    case Kind::Double:
    case Kind::Fixed:
        return numbers::formatPlain(numeric());
    }
    return {};
}
