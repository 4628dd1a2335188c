#include <QtGlobal>

// Until a system of its own has an implementation here, the files through Qt:
// replaced by QSaveFile, published by a rename that never replaces.
#ifndef Q_OS_UNIX

#include "state/files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>

namespace files {

namespace {

WriteResult writeFailed(const QFileDevice& file) {
    WriteResult result;
    switch (file.error()) {
    case QFileDevice::ResourceError:
        result.error = WriteError::NoSpace;
        break;
    case QFileDevice::PermissionsError:
        result.error = WriteError::NoPermission;
        break;
    default:
        result.error = WriteError::Other;
    }
    result.why = file.errorString();
    return result;
}

bool taken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

ReadResult readSmallFile(const QString& path, qint64 largest) {
    ReadResult result;
    const auto refuse = [&](ReadResult::Refusal refusal, const QString& why) {
        result.status = ReadResult::Status::Refused;
        result.refusal = refusal;
        result.why = why;
        return result;
    };
    const QFileInfo info(path);
    if (!taken(path))
        return result;
    if (info.isSymLink())
        return refuse(ReadResult::Refusal::Link, QStringLiteral("a link"));
    if (!info.isFile())
        return refuse(ReadResult::Refusal::NotPlainFile, QStringLiteral("not a plain file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(ReadResult::Refusal::Unreadable, file.errorString());
    QByteArray bytes = file.read(largest + 1);
    if (bytes.size() > largest)
        return refuse(ReadResult::Refusal::TooLarge, QStringLiteral("too large"));
    result.status = ReadResult::Status::Read;
    result.bytes = std::move(bytes);
    return result;
}

WriteResult replaceFile(const QString& path, const QByteArray& bytes) {
    // A link is replaced, not written through.
    if (QFileInfo(path).isSymLink() && !QFile::remove(path))
        return {WriteError::Other, QStringLiteral("a link that cannot be removed")};
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailed(file);
    // A write cut short (a full disk) is not always an error of the file: look at the count.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        WriteResult failed = writeFailed(file);
        file.cancelWriting();
        return failed;
    }
    if (!file.commit())
        return writeFailed(file);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return {};
}

QString moveAside(const QString& path, const QString& suffix) {
    for (int n = 1; n <= 1000; ++n) {
        const QString aside = path + (n == 1 ? suffix : QStringLiteral("%1-%2").arg(suffix).arg(n));
        if (!taken(aside))
            return QDir().rename(path, aside) ? aside : QString();
    }
    return {};
}

struct NewFile::Private {
    QString folder;
    QString stem;
    QString hidden; // the hidden file while there is one to remove
    QString error;

    ~Private() {
        if (!hidden.isEmpty())
            QFile::remove(hidden);
    }
};

NewFile::NewFile(const QString& folder, const QString& stem)
    : d(std::make_unique<Private>()) {
    d->folder = folder;
    d->stem = stem;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString hidden = QDir(folder).filePath(
            QStringLiteral(".%1.%2.part")
                .arg(stem, QString::number(QRandomGenerator::global()->generate(), 36)));
        QFile file(hidden);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            d->hidden = hidden;
            return;
        }
        d->error = QStringLiteral("cannot create a file in the folder: %1").arg(file.errorString());
        if (!taken(hidden))
            return;
    }
}

NewFile::~NewFile() = default;

bool NewFile::isOpen() const {
    return !d->hidden.isEmpty();
}

QString NewFile::error() const {
    return d->error;
}

QByteArray NewFile::writablePath() const {
    return QFile::encodeName(d->hidden);
}

qint64 NewFile::size() const {
    return d->hidden.isEmpty() ? -1 : QFileInfo(d->hidden).size();
}

QString NewFile::publish(const QString& suffix) {
    if (d->hidden.isEmpty()) {
        if (d->error.isEmpty())
            d->error = QStringLiteral("no file to publish");
        return {};
    }
    for (int n = 1; n <= 1000; ++n) {
        const QString path = QDir(d->folder).filePath(
            (n == 1 ? d->stem : QStringLiteral("%1 (%2)").arg(d->stem).arg(n)) + suffix);
        // A rename to a name that is taken fails: nothing is replaced.
        if (!taken(path) && QFile::rename(d->hidden, path)) {
            d->hidden.clear();
            return path;
        }
    }
    d->error = QStringLiteral("every name is taken");
    return {};
}

QString privateFolder(const QString& path) {
    if (!QDir().mkpath(path))
        return QStringLiteral("папку %1 не удаётся создать").arg(QDir::toNativeSeparators(path));
    return {};
}

int removeLeftovers(const QString& folder, const QString& stemStart) {
    int removed = 0;
    const QDir dir(folder);
    const QDateTime aMinuteAgo = QDateTime::currentDateTime().addSecs(-60);
    for (const QFileInfo& entry : dir.entryInfoList({QLatin1Char('.') + stemStart + QStringLiteral("*.part")},
                                                    QDir::Files | QDir::Hidden | QDir::System))
        if (!entry.isSymLink() && entry.lastModified() < aMinuteAgo && QFile::remove(entry.filePath()))
            ++removed;
    return removed;
}

struct FileLock::Private {
    explicit Private(const QString& path)
        : file(path) {}
    QLockFile file;
};

FileLock::FileLock(std::unique_ptr<Private> p)
    : d(std::move(p)) {}

std::unique_ptr<FileLock> FileLock::take(const QString& path, bool* heldElsewhere) {
    auto p = std::make_unique<Private>(path);
    // A lock left by a process that no longer runs is taken over at once.
    const bool taken = p->file.tryLock(0);
    if (heldElsewhere)
        *heldElsewhere = !taken && p->file.error() == QLockFile::LockFailedError;
    if (!taken)
        return nullptr;
    return std::unique_ptr<FileLock>(new FileLock(std::move(p)));
}

FileLock::~FileLock() = default;

} // namespace files

#endif // !Q_OS_UNIX
