#pragma once

// Comparing and printing plan values in tests.

#include "state/plan_state.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

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

// The same as text that frees itself, for messages made whether a check fails or not.
inline QByteArray shown(const TaggedValue& value)
{
    const std::unique_ptr<char[]> text(toString(value));
    return QByteArray(text.get());
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

using Values = QList<TaggedValue>; // total, Q1 … Q4

// A family holds the expected total and quarters, kinds included.
inline void compareFamily(const Family& family, const Values& expected)
{
    QCOMPARE(expected.size(), 5);
    QVERIFY2(same(family.total, expected[0]), shown(family.total).constData());
    for (int i = 0; i < 4; ++i)
        QVERIFY2(same(family.q[i], expected[i + 1]),
                 qPrintable(QStringLiteral("quarter %1: %2").arg(i + 1).arg(QString::fromUtf8(shown(family.q[i])))));
}
