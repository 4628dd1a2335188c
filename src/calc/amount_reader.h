#pragma once

#include <QChar>

class QLocale;
class TaggedValue;

// Reads plan values as numbers for the calculations, which run on every list
// choice of the adjustment screen and so must be quick. A text made only of an
// optional leading '-', ASCII digits and at most one regional decimal separator
// between digits (at most 15 digits in all) is read directly; such a text means
// the same number under every reading, and the quotient of its digits by a power
// of ten is the correctly rounded value that the full conversion gives too.
// Every other value goes through TaggedValue::numeric().
class AmountReader {
public:
    // Uses the process default locale, as TaggedValue::numeric() does.
    AmountReader();
    explicit AmountReader(const QLocale& locale);

    double operator()(const TaggedValue& value) const;

private:
    QChar m_decimal; // null when the separator is not a single character
};
