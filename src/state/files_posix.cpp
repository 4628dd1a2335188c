#include <QtGlobal>

#ifdef Q_OS_UNIX

#include "state/files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// An open file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(int fd) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
        return *this;
    }
    operator int() const { return m_fd; }
    // Closes it now: 0, or the error.
    int close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

QString systemText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QString systemError(const char* what, int code) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), systemText(code));
}

WriteResult writeFailed(int code) {
    WriteResult result;
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        result.error = WriteError::NoSpace;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        result.error = WriteError::NoPermission;
        break;
    default:
        result.error = WriteError::Other;
    }
    result.why = systemText(code);
    return result;
}

int openFolder(const QString& folder) {
    return ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Writes all of it: 0, or the error.
int writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += n;
    }
    return 0;
}

// Gives a file of the folder a new name unless that name is taken: 0, EEXIST
// when taken, or the error.
int nameWithoutReplacing(int folder, const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno; // EEXIST among them
#endif
    // A file system that cannot rename so: a second link fails just as surely on a taken name.
    if (::linkat(folder, from, folder, to, 0) == 0) {
        ::unlinkat(folder, from, 0);
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS)
        return errno;
    // Nor links (FAT and the like, or a folder moved aside): look, then rename.
    struct stat there {};
    if (::fstatat(folder, to, &there, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::renameat(folder, from, folder, to) == 0 ? 0 : errno;
}

// The user's file creation mask, read without changing it where the system says it.
mode_t userUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return static_cast<mode_t>(mask & 0777);
            }
        }
    }
    const mode_t mask = ::umask(0077); // the stricter mask only for this instant
    ::umask(mask);
    return mask;
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
    const QByteArray native = QFile::encodeName(path);
    struct stat seen {};
    if (::lstat(native.constData(), &seen) != 0) {
        if (errno == ENOENT)
            return result;
        return refuse(ReadResult::Refusal::Unreadable, systemError("cannot be looked at", errno));
    }
    if (S_ISLNK(seen.st_mode))
        return refuse(ReadResult::Refusal::Link, QStringLiteral("a link"));
    if (!S_ISREG(seen.st_mode))
        return refuse(ReadResult::Refusal::NotPlainFile, QStringLiteral("not a plain file"));
    // Never followed, never waited on, even if it was swapped since it was looked at.
    const Descriptor fd(::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (fd < 0 && errno == ELOOP)
        return refuse(ReadResult::Refusal::Link, QStringLiteral("a link"));
    if (fd < 0 || ::fstat(fd, &opened) != 0)
        return refuse(ReadResult::Refusal::Unreadable, systemError("unreadable", errno));
    if (!S_ISREG(opened.st_mode))
        return refuse(ReadResult::Refusal::NotPlainFile, QStringLiteral("not a plain file"));
    if (opened.st_size > largest)
        return refuse(ReadResult::Refusal::TooLarge, QStringLiteral("too large"));
    QByteArray bytes(qsizetype(opened.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return refuse(ReadResult::Refusal::Unreadable, systemError("unreadable", errno));
        if (n == 0)
            break; // cut short since it was looked at: read as it is
        done += n;
    }
    bytes.truncate(done);
    result.status = ReadResult::Status::Read;
    result.bytes = std::move(bytes);
    return result;
}

WriteResult replaceFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    const QByteArray name = QFile::encodeName(info.fileName());
    const QByteArray fresh = name + ".new";
    const Descriptor folder(openFolder(info.absolutePath()));
    if (folder < 0)
        return writeFailed(errno);
    // A leftover of a write that never finished is only ever a part of a file.
    ::unlinkat(folder, fresh.constData(), 0);
    Descriptor file(
        ::openat(folder, fresh.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file < 0)
        return writeFailed(errno);
    int code = writeAll(file, bytes);
    if (code == 0 && ::fsync(file) != 0)
        code = errno;
    const int closed = file.close();
    if (code == 0)
        code = closed;
    if (code == 0 && ::renameat(folder, fresh.constData(), folder, name.constData()) != 0)
        code = errno;
    if (code != 0) {
        ::unlinkat(folder, fresh.constData(), 0);
        return writeFailed(code);
    }
    ::fsync(folder); // the rename itself reaches the disk with the folder
    return {};
}

QString moveAside(const QString& path, const QString& suffix) {
    const QFileInfo info(path);
    const Descriptor folder(openFolder(info.absolutePath()));
    if (folder < 0)
        return {};
    const QByteArray from = QFile::encodeName(info.fileName());
    for (int n = 1; n <= 1000; ++n) {
        const QString tail = n == 1 ? suffix : QStringLiteral("%1-%2").arg(suffix).arg(n);
        const int code = nameWithoutReplacing(folder, from.constData(),
                                              QFile::encodeName(info.fileName() + tail).constData());
        if (code == 0) {
            ::fsync(folder);
            return path + tail;
        }
        if (code != EEXIST)
            return {};
    }
    return {};
}

struct NewFile::Private {
    QString folder;
    QString stem;
    Descriptor dir;
    Descriptor file;
    QByteArray hidden; // the hidden name while there is one to remove
    QByteArray writable;
    QString error;

    ~Private() {
        file.close();
        if (dir >= 0 && !hidden.isEmpty())
            ::unlinkat(dir, hidden.constData(), 0);
    }
};

NewFile::NewFile(const QString& folder, const QString& stem)
    : d(std::make_unique<Private>()) {
    d->folder = folder;
    d->stem = stem;
    const QByteArray folderName = QFile::encodeName(folder);
    d->dir = openFolder(folder);
    if (d->dir < 0) {
        d->error = systemError("cannot open the folder", errno);
        return;
    }
    // A hidden name of our own, created exclusively: nothing found there is used.
    const QByteArray base = QFile::encodeName(stem);
    QByteArray hidden;
    for (int attempt = 0; attempt < 100 && d->file < 0; ++attempt) {
        hidden = '.' + base + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
        d->file =
            ::openat(d->dir, hidden.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (d->file < 0 && errno != EEXIST)
            break;
    }
    if (d->file < 0) {
        d->error = systemError("cannot create a file in the folder", errno);
        return;
    }
    d->hidden = hidden;
    // The name of our open file reaches the file itself, even if something
    // swapped the hidden name in between.
    d->writable = "/proc/self/fd/" + QByteArray::number(int(d->file));
    if (::access(d->writable.constData(), W_OK) != 0)
        d->writable = folderName + '/' + hidden;
}

NewFile::~NewFile() = default;

bool NewFile::isOpen() const {
    return d->file >= 0;
}

QString NewFile::error() const {
    return d->error;
}

QByteArray NewFile::writablePath() const {
    return d->writable;
}

qint64 NewFile::size() const {
    struct stat written {};
    if (d->file < 0 || ::fstat(d->file, &written) != 0)
        return -1;
    return qint64(written.st_size);
}

QString NewFile::publish(const QString& suffix) {
    if (d->file < 0) {
        if (d->error.isEmpty())
            d->error = QStringLiteral("no file to publish");
        return {};
    }
    QString failure;
    if (::fchmod(d->file, 0666 & ~userUmask()) != 0)
        failure = systemError("cannot set the permissions", errno);
    if (failure.isEmpty() && ::fsync(d->file) != 0) // on the disk before anyone is told it is saved
        failure = systemError("cannot flush the file", errno);
    const int closed = d->file.close();
    if (failure.isEmpty() && closed != 0)
        failure = systemError("cannot close the file", closed);
    for (int n = 1; failure.isEmpty(); ++n) {
        if (n > 1000) {
            failure = QStringLiteral("every name is taken");
            break;
        }
        const QString name = (n == 1 ? d->stem : QStringLiteral("%1 (%2)").arg(d->stem).arg(n)) + suffix;
        const int code =
            nameWithoutReplacing(d->dir, d->hidden.constData(), QFile::encodeName(name).constData());
        if (code == 0) {
            d->hidden.clear();
            ::fsync(d->dir); // and its name with it
            return QDir(d->folder).filePath(name);
        }
        if (code != EEXIST)
            failure = systemError("cannot name the file", code);
    }
    d->error = failure;
    return {};
}

QString privateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat seen {};
    if (::stat(name.constData(), &seen) != 0) {
        if (errno != ENOENT)
            return QStringLiteral("папку %1 не удаётся открыть (%2)").arg(path, systemText(errno));
        const QFileInfo info(path);
        if (!QDir().mkpath(info.absolutePath()))
            return QStringLiteral("папку %1 не удаётся создать").arg(info.absolutePath());
        if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
            return QStringLiteral("папку %1 не удаётся создать (%2)").arg(path, systemText(errno));
        // Made by someone else in between: looked at like any other.
        if (::stat(name.constData(), &seen) != 0)
            return QStringLiteral("папку %1 не удаётся открыть (%2)").arg(path, systemText(errno));
    }
    if (!S_ISDIR(seen.st_mode))
        return QStringLiteral("%1 — не папка").arg(path);
    if (seen.st_uid != ::geteuid())
        return QStringLiteral("папка %1 принадлежит другому пользователю").arg(path);
    if (seen.st_mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("в папку %1 могут писать другие пользователи").arg(path);
    return {};
}

int removeLeftovers(const QString& folder, const QString& stemStart) {
    const Descriptor dir(openFolder(folder));
    if (dir < 0)
        return 0;
    const int listed = ::dup(dir);
    DIR* entries = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!entries) {
        if (listed >= 0)
            ::close(listed);
        return 0;
    }
    const QByteArray start = '.' + QFile::encodeName(stemStart);
    const qint64 aMinuteAgo = QDateTime::currentSecsSinceEpoch() - 60;
    QList<QByteArray> stale;
    while (const dirent* entry = ::readdir(entries)) {
        const QByteArray entryName(entry->d_name);
        struct stat seen {};
        if (entryName.startsWith(start) && entryName.endsWith(".part") &&
            ::fstatat(dir, entry->d_name, &seen, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(seen.st_mode) &&
            seen.st_mtime < aMinuteAgo)
            stale << entryName;
    }
    ::closedir(entries);
    int removed = 0;
    for (const QByteArray& entryName : stale)
        removed += ::unlinkat(dir, entryName.constData(), 0) == 0 ? 1 : 0;
    return removed;
}

struct FileLock::Private {
    int fd;
};

FileLock::FileLock(std::unique_ptr<Private> p)
    : d(std::move(p)) {}

std::unique_ptr<FileLock> FileLock::take(const QString& path, bool* heldElsewhere) {
    if (heldElsewhere)
        *heldElsewhere = false;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    struct stat opened {};
    const bool plain = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
    if (!plain || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (heldElsewhere)
            *heldElsewhere = plain && errno == EWOULDBLOCK;
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FileLock>(new FileLock(std::make_unique<Private>(Private{fd})));
}

// The claim goes with the descriptor; the empty file stays for the next start.
FileLock::~FileLock() {
    ::close(d->fd);
}

} // namespace files

#endif // Q_OS_UNIX
