#include "screens/desktop_opener.h"

#include <QDesktopServices>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

#include <chrono>
#include <memory>
#include <thread>

#ifdef Q_OS_UNIX
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif
#ifdef Q_OS_WIN
#include <QDir>
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace {

// How long the opener may take to say it could not open a file. One that is
// still running then has handed the file to an application that runs on.
constexpr auto kVerdictWithin = std::chrono::seconds(4);

class Opener final : public QObject {
    Q_OBJECT
public:
    // Lives as long as the program: the threads waiting for an opener report to it.
    static Opener* instance() {
        static Opener* const opener = new Opener;
        return opener;
    }
    bool installed = false;

signals:
    void verdict(const QString& path, bool opened);

public slots:
    void openUrl(const QUrl& url) {
        const QString path = url.toLocalFile();
#ifdef Q_OS_WIN
        // The shell's own association, asked off the user-interface thread.
        std::thread([this, path] { report(path, shellOpen(path)); }).detach();
        return;
#endif
        const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
#ifdef Q_OS_UNIX
        if (!program.isEmpty()) {
            std::thread([this, path, program] { report(path, runOpener(program, path)); }).detach();
            return;
        }
#endif
        // No opener of the desktop: the toolkit's own ways, which tell only whether one started.
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        const bool started = QDesktopServices::openUrl(url);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        report(path, started); // after the caller has its answer, as from the opener
    }

private:
    // Called from the waiting thread: the verdict is handed to the user-interface thread.
    void report(const QString& path, bool opened) {
        QMetaObject::invokeMethod(
            this, [this, path, opened] { emit verdict(path, opened); }, Qt::QueuedConnection);
    }

#ifdef Q_OS_UNIX
    // Runs the opener and waits for its exit status, at most kVerdictWithin.
    bool runOpener(const QString& program, const QString& path) {
        const QByteArray file = QFile::encodeName(program);
        const QByteArray argument = QFile::encodeName(path);
        char* argv[] = {const_cast<char*>(file.constData()), const_cast<char*>(argument.constData()),
                        nullptr};
        pid_t child = 0;
        if (::posix_spawn(&child, file.constData(), nullptr, nullptr, argv, environ) != 0)
            return false;
        const auto deadline = std::chrono::steady_clock::now() + kVerdictWithin;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            if (done == child)
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            if (done < 0)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // Still running: the application took the file. Reaped whenever it ends.
        std::thread([child] {
            int ignored = 0;
            ::waitpid(child, &ignored, 0);
        }).detach();
        return true;
    }
#endif

#ifdef Q_OS_WIN
    // Opens the file or folder with the application the shell associates with it
    // (the folder in Explorer), by its wide name. False when the shell could not (no
    // application for the file, the file gone): the notice then says so, in place of
    // a message box of the shell's own.
    static bool shellOpen(const QString& path) {
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        const QString native = QDir::toNativeSeparators(path);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI; // this thread ends when it returns
        info.lpFile = reinterpret_cast<const wchar_t*>(native.utf16());
        info.nShow = SW_SHOWNORMAL;
        const bool opened = ::ShellExecuteExW(&info) != FALSE;
        if (SUCCEEDED(com))
            ::CoUninitialize();
        return opened;
    }
#endif
};

} // namespace

namespace desktop {

void installOpener() {
    Opener* opener = Opener::instance();
    opener->installed = true;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), opener, "openUrl");
}

bool open(const QString& path, QObject* context, const std::function<void()>& failed) {
    Opener* opener = Opener::instance();
    auto connection = std::make_shared<QMetaObject::Connection>();
    if (opener->installed)
        *connection = QObject::connect(opener, &Opener::verdict, context,
                                       [path, failed, connection](const QString& opened, bool ok) {
                                           if (opened != path)
                                               return;
                                           QObject::disconnect(*connection);
                                           if (!ok && failed)
                                               failed();
                                       });
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    QObject::disconnect(*connection);
    return false;
}

} // namespace desktop

#include "desktop_opener.moc"
