#pragma once

#include <QString>

// The user's folders as the desktop names them. The XDG rules say a relative
// path in an XDG variable is invalid and to be ignored: it would name another
// folder depending on where the program was started.
namespace userFolders {

// Unsets the XDG variables of the process that hold a relative path, so that
// neither the program nor what it starts follows them.
void ignoreRelativeXdgPaths();

// The user's private data folder: XDG_DATA_HOME, or ~/.local/share.
QString dataHome();

// The user's documents folder; the home folder's "Documents" where the desktop
// names none, or a relative one.
QString documents();

} // namespace userFolders
