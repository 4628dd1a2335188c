#include "state/user_folders.h"

#include <QDir>
#include <QStandardPaths>

namespace userFolders {

void ignoreRelativeXdgPaths() {
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty() && QDir::isRelativePath(value))
            qunsetenv(name);
    }
}

QString dataHome() {
    ignoreRelativeXdgPaths();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString documents() {
    ignoreRelativeXdgPaths();
    const QString named = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!named.isEmpty() && QDir::isAbsolutePath(named))
        return named;
    return QDir::home().filePath(QStringLiteral("Documents"));
}

} // namespace userFolders
