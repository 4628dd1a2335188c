#pragma once

#include <QJsonObject>

class QWidget;

// What a screen holds for the draft of the plan: every named box's text, list's
// choice and option's state.
namespace entries {

QJsonObject out(const QWidget& screen);
// Puts entries taken out before back: the boxes hold what they held, as if typed;
// a list takes only one of its own items, silently (it is not a choice the user
// made); options switch their pages' entry modes as if clicked. Names and values
// the screen does not know are left aside.
void back(QWidget& screen, const QJsonObject& entries);

} // namespace entries
