#pragma once

#include <QtGlobal>

// Windows only: the native style, with room for a caption in buttons lower than
// the style's own padding allows (the screens' layout has buttons 17 pixels high,
// and Windows' style keeps 4 of them free above and below a caption that needs 15).
namespace look {
void installWindowsStyle();
} // namespace look
