#include <QtGlobal>

#ifdef Q_OS_WIN

#include "state/files.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <qt_windows.h> // without the min and max macros

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>

// Every call by wide names, so that no path depends on the ANSI code page. A link,
// a junction or any other reparse point is never followed: each file is opened
// with FILE_FLAG_OPEN_REPARSE_POINT and looked at through the handle it gave.
// What POSIX does by flushing the folder, MOVEFILE_WRITE_THROUGH does here: the
// rename is on the disk when the call returns.

#ifndef ERROR_DISK_QUOTA_EXCEEDED // not among MinGW's error codes
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace files {

namespace {

// An open handle, closed when it goes.
class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE)
        : m_h(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(HANDLE h) {
        close();
        m_h = h;
        return *this;
    }
    bool isValid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    operator HANDLE() const { return m_h; }
    // Closes it now: true unless closing failed.
    bool close() {
        const HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return h == INVALID_HANDLE_VALUE || h == nullptr || ::CloseHandle(h);
    }

private:
    HANDLE m_h;
};

std::wstring wide(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// The system's own text for an error, in the language of the user's Windows.
QString systemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString said = length ? QString::fromWCharArray(text, int(length)).trimmed() : QString();
    if (text)
        ::LocalFree(text);
    if (said.endsWith(QLatin1Char('.')))
        said.chop(1);
    return said.isEmpty() ? QStringLiteral("error %1").arg(code) : said;
}

QString systemError(const char* what, DWORD code) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), systemText(code));
}

WriteResult writeFailed(DWORD code) {
    WriteResult result;
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_QUOTA_EXCEEDED:
        result.error = WriteError::NoSpace;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
        result.error = WriteError::NoPermission;
        break;
    default:
        result.error = WriteError::Other;
    }
    result.why = systemText(code);
    return result;
}

bool isMissing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

bool isTaken(DWORD code) {
    return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
}

// A scanner or indexer that has just opened a file keeps it from being replaced
// or renamed for a moment: such a call is tried a few times over a tenth of a second.
template <typename Call> DWORD withPatience(Call call) {
    DWORD code = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (call())
            return ERROR_SUCCESS;
        code = ::GetLastError();
        if (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED && code != ERROR_LOCK_VIOLATION)
            break;
        ::Sleep(25);
    }
    return code;
}

// Writes all of it: ERROR_SUCCESS, or the error.
DWORD writeAll(HANDLE file, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = DWORD(std::min<qsizetype>(bytes.size() - done, 1 << 24));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.constData() + done, chunk, &written, nullptr))
            return ::GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        done += written;
    }
    return ERROR_SUCCESS;
}

// What the handle is: its attributes and, for a reparse point, its tag.
struct Kind {
    DWORD attributes = 0;
    DWORD tag = 0;
    bool isReparsePoint() const { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }
    bool isFolder() const { return attributes & FILE_ATTRIBUTE_DIRECTORY; }
    // A symbolic link or a junction, rather than a file with data of its own kept
    // elsewhere (a file in the cloud, a deduplicated one).
    bool isLink() const { return isReparsePoint() && IsReparseTagNameSurrogate(tag); }
};

bool kindOf(HANDLE h, Kind* kind) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof(info)))
        return false;
    kind->attributes = info.FileAttributes;
    kind->tag = info.ReparseTag;
    return true;
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
    // The reparse point itself when there is one, a folder opened only to be told
    // apart; sharing everything, so that no one else's replace or rename waits on it.
    const Handle file(::CreateFileW(
        wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.isValid()) {
        const DWORD code = ::GetLastError();
        if (isMissing(code))
            return result;
        return refuse(ReadResult::Refusal::Unreadable, systemError("unreadable", code));
    }
    Kind kind;
    if (!kindOf(file, &kind))
        return refuse(ReadResult::Refusal::Unreadable, systemError("cannot be looked at", ::GetLastError()));
    if (kind.isLink())
        return refuse(ReadResult::Refusal::Link, QStringLiteral("a link"));
    if (kind.isReparsePoint() || kind.isFolder() || ::GetFileType(file) != FILE_TYPE_DISK)
        return refuse(ReadResult::Refusal::NotPlainFile, QStringLiteral("not a plain file"));
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size))
        return refuse(ReadResult::Refusal::Unreadable, systemError("unreadable", ::GetLastError()));
    if (size.QuadPart > largest)
        return refuse(ReadResult::Refusal::TooLarge, QStringLiteral("too large"));
    QByteArray bytes(qsizetype(size.QuadPart), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<qsizetype>(bytes.size() - done, 1 << 24));
        if (!::ReadFile(file, bytes.data() + done, chunk, &n, nullptr))
            return refuse(ReadResult::Refusal::Unreadable, systemError("unreadable", ::GetLastError()));
        if (n == 0)
            break; // cut short since it was looked at: read as it is
        done += n;
    }
    bytes.truncate(done);
    result.status = ReadResult::Status::Read;
    result.bytes = std::move(bytes);
    return result;
}

// The new file gets the permissions of its folder: privateFolder() gives the
// program's own folder the user's alone.
WriteResult replaceFile(const QString& path, const QByteArray& bytes) {
    const std::wstring target = wide(path);
    const std::wstring fresh = target + L".new";
    // A leftover of a write that never finished is only ever a part of a file (a
    // link there is removed, not followed).
    ::DeleteFileW(fresh.c_str());
    Handle file(
        ::CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid())
        return writeFailed(::GetLastError());
    DWORD code = writeAll(file, bytes);
    if (code == ERROR_SUCCESS && !::FlushFileBuffers(file))
        code = ::GetLastError();
    if (!file.close() && code == ERROR_SUCCESS)
        code = ::GetLastError();
    // Over whatever has the name, a link included: the entry is replaced, nothing
    // is written through it.
    if (code == ERROR_SUCCESS)
        code = withPatience([&] {
            return ::MoveFileExW(fresh.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        });
    if (code != ERROR_SUCCESS) {
        ::DeleteFileW(fresh.c_str());
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {WriteError::Other, QStringLiteral("a folder has the file's name")};
        return writeFailed(code);
    }
    return {};
}

QString moveAside(const QString& path, const QString& suffix) {
    const std::wstring from = wide(path);
    for (int n = 1; n <= 1000; ++n) {
        const QString tail = n == 1 ? suffix : QStringLiteral("%1-%2").arg(suffix).arg(n);
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken is refused; a link
        // or a folder is renamed itself.
        const DWORD code = withPatience(
            [&] { return ::MoveFileExW(from.c_str(), wide(path + tail).c_str(), MOVEFILE_WRITE_THROUGH); });
        if (code == ERROR_SUCCESS)
            return path + tail;
        if (!isTaken(code))
            return {};
    }
    return {};
}

struct NewFile::Private {
    QString folder;
    QString stem;
    Handle file;
    std::wstring hidden; // the hidden file while there is one to remove
    QByteArray writable;
    QString error;

    ~Private() {
        file.close();
        if (!hidden.empty())
            ::DeleteFileW(hidden.c_str());
    }
};

// The file is the program's own from the start: it is created with CREATE_NEW
// and held open while the library writes it. It is hidden by its name alone, as
// on other systems: with Windows' hidden attribute the library's open, which
// truncates, would be refused.
NewFile::NewFile(const QString& folder, const QString& stem)
    : d(std::make_unique<Private>()) {
    d->folder = folder;
    d->stem = stem;
    QString hidden;
    DWORD code = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 100 && !d->file.isValid(); ++attempt) {
        hidden = QDir(folder).filePath(
            QStringLiteral(".%1.%2.part")
                .arg(stem, QString::number(QRandomGenerator::global()->generate(), 36)));
        // Read and write shared with the library's own open; renaming it waits for
        // this handle to be closed.
        d->file = ::CreateFileW(wide(hidden).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        code = ::GetLastError();
        if (!d->file.isValid() && !isTaken(code))
            break;
    }
    if (!d->file.isValid()) {
        d->error = systemError("cannot create a file in the folder", code);
        return;
    }
    d->hidden = wide(hidden);
    // The C runtime's narrow names are UTF-8 in this program (its manifest makes
    // UTF-8 the ANSI code page), so the library's fopen reaches this very name.
    d->writable = QDir::toNativeSeparators(hidden).toUtf8();
}

NewFile::~NewFile() = default;

bool NewFile::isOpen() const {
    return d->file.isValid();
}

QString NewFile::error() const {
    return d->error;
}

QByteArray NewFile::writablePath() const {
    return d->writable;
}

qint64 NewFile::size() const {
    LARGE_INTEGER size{};
    if (!d->file.isValid() || !::GetFileSizeEx(d->file, &size))
        return -1;
    return qint64(size.QuadPart);
}

// Windows gives a published file the permissions of the folder it is in, which
// is what the user's documents get there.
QString NewFile::publish(const QString& suffix) {
    if (!d->file.isValid()) {
        if (d->error.isEmpty())
            d->error = QStringLiteral("no file to publish");
        return {};
    }
    QString failure;
    // On the disk before anyone is told it is saved: what the library wrote through
    // its own handle is flushed with the file.
    if (!::FlushFileBuffers(d->file))
        failure = systemError("cannot flush the file", ::GetLastError());
    if (!d->file.close() && failure.isEmpty())
        failure = systemError("cannot close the file", ::GetLastError());
    for (int n = 1; failure.isEmpty(); ++n) {
        if (n > 1000) {
            failure = QStringLiteral("every name is taken");
            break;
        }
        const QString name = (n == 1 ? d->stem : QStringLiteral("%1 (%2)").arg(d->stem).arg(n)) + suffix;
        const QString path = QDir(d->folder).filePath(name);
        const DWORD code = withPatience(
            [&] { return ::MoveFileExW(d->hidden.c_str(), wide(path).c_str(), MOVEFILE_WRITE_THROUGH); });
        if (code == ERROR_SUCCESS) {
            d->hidden.clear();
            return path;
        }
        if (!isTaken(code))
            failure = systemError("cannot name the file", code);
    }
    d->error = failure;
    return {};
}

namespace {

// The security identifier of the user the program runs as, or null.
struct UserSid {
    QByteArray buffer;
    PSID sid() const {
        return buffer.isEmpty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    }
};

UserSid currentUser() {
    UserSid user;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return user;
    DWORD needed = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    QByteArray buffer(qsizetype(needed), Qt::Uninitialized);
    if (needed && ::GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed))
        user.buffer = buffer;
    ::CloseHandle(token);
    return user;
}

bool isWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    return sid && ::IsWellKnownSid(sid, type);
}

// Those who may own and write to the user's private folder: the user, and the
// system and its administrators, who can in any case.
bool isTrusted(PSID sid, PSID user) {
    return (user && sid && ::EqualSid(sid, user)) || isWellKnown(sid, WinLocalSystemSid) ||
           isWellKnown(sid, WinBuiltinAdministratorsSid) || isWellKnown(sid, WinCreatorOwnerSid) ||
           isWellKnown(sid, WinCreatorOwnerRightsSid);
}

// Access that lets someone put, replace or remove files in a folder, or give
// themselves that.
constexpr ACCESS_MASK kWriteAccess = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE |
                                     WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// Empty when the folder behind the handle is the user's own and no one else may
// write to it, otherwise why not.
QString untrusted(HANDLE folder, const QString& shown, PSID user) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD code =
        ::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          &owner, nullptr, &dacl, nullptr, &descriptor);
    if (code != ERROR_SUCCESS)
        return QStringLiteral("папку %1 не удаётся открыть (%2)").arg(shown, systemText(code));
    QString why;
    if (!isTrusted(owner, user)) {
        why = QStringLiteral("папка %1 принадлежит другому пользователю").arg(shown);
    } else if (!dacl) { // no list at all: everyone may do anything
        why = QStringLiteral("в папку %1 могут писать другие пользователи").arg(shown);
    } else {
        for (DWORD i = 0; i < dacl->AceCount && why.isEmpty(); ++i) {
            void* entry = nullptr;
            if (!::GetAce(dacl, i, &entry))
                continue;
            const auto* header = static_cast<const ACE_HEADER*>(entry);
            if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
                continue; // a denial only takes away
            const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
            const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
            if ((allowed->Mask & kWriteAccess) && !isTrusted(sid, user))
                why = QStringLiteral("в папку %1 могут писать другие пользователи").arg(shown);
        }
    }
    ::LocalFree(descriptor);
    return why;
}

// Full control for the user, the system and the administrators only, passed on
// to every file and folder made in it, and nothing inherited from above.
QString createPrivate(const std::wstring& path, PSID user) {
    wchar_t* userText = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (user && ::ConvertSidToStringSidW(user, &userText)) {
        const std::wstring sddl =
            std::wstring(L"D:P(A;OICI;FA;;;") + userText + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
        ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                               nullptr);
        ::LocalFree(userText);
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    const bool made = ::CreateDirectoryW(path.c_str(), descriptor ? &attributes : nullptr);
    const DWORD code = made ? ERROR_SUCCESS : ::GetLastError();
    if (descriptor)
        ::LocalFree(descriptor);
    if (!made && code != ERROR_ALREADY_EXISTS) // made by someone else in between: looked at like any other
        return systemText(code);
    return {};
}

} // namespace

// A folder of the user's own on Windows: owned by the user (or by the system or
// its administrators, who could do anything anyway), and no access control
// entry lets anyone else add, replace or remove a file in it or change that. A
// new one is made with exactly that list. A folder that is a link or junction is
// not used, nor is anything else that is a reparse point.
QString privateFolder(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const std::wstring name = wide(path);
    const UserSid user = currentUser();
    if (::GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        if (!isMissing(code))
            return QStringLiteral("папку %1 не удаётся открыть (%2)").arg(shown, systemText(code));
        const QFileInfo info(path);
        if (!QDir().mkpath(info.absolutePath()))
            return QStringLiteral("папку %1 не удаётся создать")
                .arg(QDir::toNativeSeparators(info.absolutePath()));
        const QString failed = createPrivate(name, user.sid());
        if (!failed.isEmpty())
            return QStringLiteral("папку %1 не удаётся создать (%2)").arg(shown, failed);
    }
    const Handle folder(::CreateFileW(name.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder.isValid())
        return QStringLiteral("папку %1 не удаётся открыть (%2)").arg(shown, systemText(::GetLastError()));
    Kind kind;
    if (!kindOf(folder, &kind))
        return QStringLiteral("папку %1 не удаётся открыть (%2)").arg(shown, systemText(::GetLastError()));
    if (kind.isReparsePoint())
        return QStringLiteral("папка %1 — ссылка на другое место").arg(shown);
    if (!kind.isFolder())
        return QStringLiteral("%1 — не папка").arg(shown);
    return untrusted(folder, shown, user.sid());
}

int removeLeftovers(const QString& folder, const QString& stemStart) {
    // Every name listed and matched here, by its long name: a pattern given to
    // Windows would match the short names too.
    WIN32_FIND_DATAW found{};
    const HANDLE listing = ::FindFirstFileExW(wide(QDir(folder).filePath(QStringLiteral("*"))).c_str(),
                                              FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (listing == INVALID_HANDLE_VALUE)
        return 0;
    const QString start = QLatin1Char('.') + stemStart;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) { return (quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const quint64 aMinuteAgo = ticks(now) - quint64(60) * 10'000'000; // in 100 ns
    QStringList stale;
    do {
        const QString entryName = QString::fromWCharArray(found.cFileName);
        if (entryName.startsWith(start) && entryName.endsWith(QLatin1String(".part")) &&
            !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            ticks(found.ftLastWriteTime) < aMinuteAgo)
            stale << entryName;
    } while (::FindNextFileW(listing, &found));
    ::FindClose(listing);
    int removed = 0;
    for (const QString& entryName : stale)
        removed += ::DeleteFileW(wide(QDir(folder).filePath(entryName)).c_str()) ? 1 : 0;
    return removed;
}

struct FileLock::Private {
    Handle file;
};

FileLock::FileLock(std::unique_ptr<Private> p)
    : d(std::move(p)) {}

// A lock on the first byte of the lock file: Windows lets go of it when the
// handle is closed or the process ends, and refuses a second one, even to this
// process through another handle. Nothing reads the lock file, so the lock
// keeps no one from reading anything.
std::unique_ptr<FileLock> FileLock::take(const QString& path, bool* heldElsewhere) {
    if (heldElsewhere)
        *heldElsewhere = false;
    auto p = std::make_unique<Private>();
    p->file = ::CreateFileW(wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (!p->file.isValid())
        return nullptr;
    Kind kind;
    if (!kindOf(p->file, &kind) || kind.isReparsePoint() || kind.isFolder() ||
        ::GetFileType(p->file) != FILE_TYPE_DISK)
        return nullptr;
    OVERLAPPED at{};
    if (!::LockFileEx(p->file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        if (heldElsewhere)
            *heldElsewhere = ::GetLastError() == ERROR_LOCK_VIOLATION;
        return nullptr;
    }
    return std::unique_ptr<FileLock>(new FileLock(std::move(p)));
}

// The claim goes with the handle; the empty file stays for the next start.
FileLock::~FileLock() = default;

} // namespace files

#endif // Q_OS_WIN
