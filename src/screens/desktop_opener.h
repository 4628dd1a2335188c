#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Files and folders opened with the desktop's own applications, with an honest
// answer whether that worked.
namespace desktop {

// Makes every file link the program opens go through the desktop's opener
// (xdg-open), run off the user-interface thread, whose verdict comes back within
// a few seconds. The program installs it once at start-up; where it is not
// installed (a test catching file links itself), opening is the toolkit's own,
// and only a refusal to start counts as failure.
void installOpener();

// Opens the file or folder. Returns false when that failed at once; `failed`
// runs later, on this thread and while `context` lives, when the opener reports
// that it could not open it.
bool open(const QString& path, QObject* context, const std::function<void()>& failed);

} // namespace desktop
