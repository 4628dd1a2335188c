#pragma once

#include "state/plan_state.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// Reading a revenue or expense family the way its page was filled in: four
// quarter texts or one annual sum. A text is an amount when it is a number the
// plan can hold as money: what lies beyond the fixed-point range is refused where
// it is typed, like any other text that is not a number.
namespace familyEntry {

// How the fourth quarter is held: like the others, or as a fixed-point amount.
enum class FourthQuarter { Tagged, Fixed };

bool isAmount(const QString& text);

// Quarterly entry: the quarters are the texts as typed (the fourth converted at
// once when it is fixed), the total their numeric sum in quarter order. Nothing
// when a text is not an amount.
std::optional<Family> fromQuarters(const std::array<QString, 4>& texts, FourthQuarter fourth);

// One annual sum: the total is the text as typed, every quarter the sum / 4,
// unrounded (the fixed fourth quarter rounded to four decimals, halves to even).
// Nothing when the text is not an amount.
std::optional<Family> fromAnnualSum(const QString& text, FourthQuarter fourth);

// The texts of a refused entry (four quarters or the year) that are at fault:
// those that do not hold an amount (all of them, should none stand out).
QList<int> atFault(const QList<QString>& texts);

// Why a refused entry is refused: the hint for the first text at fault, each
// named for the period it holds ("I квартал" … "IV квартал", or the year).
QString hint(const QList<QString>& texts);

} // namespace familyEntry

// Why an amount's text is refused, in the user's words: nothing typed ("Не
// введена сумма за IV квартал" with `where` "за IV квартал"), no number under the
// regional conventions, or a number too large for an amount. Empty when the text
// holds an amount.
QString amountHint(const QString& text, const QString& where = {});
