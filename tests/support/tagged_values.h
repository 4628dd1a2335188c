#pragma once

// Comparing and printing plan values in tests.

#include "state/plan_state.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(TaggedValue)

// Failure messages name the kind and the value.
inline char* toString(const TaggedValue& value)
{
    static const char* const kinds[] = {"empty", "text", "whole", "double", "fixed"};
    QString shown =
        value.fixed() ? QString::number(value.fixed()->units()) + QStringLiteral(" units") : value.toText();
    if (value.kind() == TaggedValue::Kind::Double)
        shown = QString::number(value.numeric(), 'g', 17);
    return qstrdup(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(kinds[int(value.kind())]), shown)));
}

// Same kind and value; doubles may differ in the last bits of a sum.
inline bool same(const TaggedValue& a, const TaggedValue& b)
{
    if (a.kind() != b.kind())
        return false;
    if (a.kind() != TaggedValue::Kind::Double)
        return a == b;
    return std::abs(a.numeric() - b.numeric()) <= 1e-9 * std::max(1.0, std::abs(b.numeric()));
}
