#include "state/files.h"

#include <QtTest>

#include <cstdio>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

// The file module as the draft and the workbook use it, on each system's own
// implementation: nothing is written through a link, nothing that is there is
// replaced where it must not be, nothing is left behind.
class TestFiles : public QObject {
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;

    QString path(const QString& name) const { return m_dir->filePath(name); }

    static bool write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    // A symbolic link, where the system lets this user make one.
    static bool link(const QString& target, const QString& at) {
#ifdef Q_OS_WIN
        const DWORD folder = QFileInfo(target).isDir() ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
        const auto name = reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(at).utf16());
        if (!::CreateSymbolicLinkW(name,
                                   reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(target).utf16()),
                                   folder | 0x2 /* SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE */))
            return false;
        // Wine makes a link of its host system, which Windows calls see through
        // rather than as a reparse point: not the link these cases are about.
        const DWORD attributes = ::GetFileAttributesW(name);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
        return QFile::link(target, at);
#endif
    }
    QStringList entries() const {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

private slots:
    void init() {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
    }
    void cleanup() {
        delete m_dir;
        m_dir = nullptr;
    }

    void replaceFile_data() {
        QTest::addColumn<QString>("there"); // what is at the name before
        QTest::newRow("nothing") << QString();
        QTest::newRow("a file") << QStringLiteral("file");
        QTest::newRow("the leftover of an unfinished write") << QStringLiteral("leftover");
        QTest::newRow("a link to another file") << QStringLiteral("link");
    }
    void replaceFile() {
        QFETCH(QString, there);
        const QString draft = path(QStringLiteral("черновик.json"));
        const QString other = path(QStringLiteral("чужой.json"));
        if (there == u"file")
            QVERIFY(write(draft, "old"));
        if (there == u"leftover")
            QVERIFY(write(draft + QStringLiteral(".new"), "half"));
        if (there == u"link") {
            QVERIFY(write(other, "someone else's"));
            if (!link(other, draft))
                QSKIP("this user cannot make links here");
        }
        const QByteArray bytes = QByteArray("{\"план\": 1}\n").repeated(1000);

        const files::WriteResult written = files::replaceFile(draft, bytes);

        QVERIFY2(written, qPrintable(written.why));
        QVERIFY(!QFileInfo(draft).isSymLink());
        const files::ReadResult read = files::readSmallFile(draft, bytes.size());
        QCOMPARE(read.status, files::ReadResult::Status::Read);
        QCOMPARE(read.bytes, bytes);
        if (there == u"link")
            QCOMPARE(contents(other), QByteArray("someone else's"));
        QVERIFY(!QFileInfo::exists(draft + QStringLiteral(".new")));
    }

    void replaceFileFails() {
        const files::WriteResult written =
            files::replaceFile(path(QStringLiteral("нет такой папки/черновик.json")), "x");
        QVERIFY(!written);
        QVERIFY(!written.why.isEmpty());
    }

    void readSmallFile_data() {
        QTest::addColumn<QString>("there");
        QTest::addColumn<files::ReadResult::Status>("status");
        QTest::addColumn<files::ReadResult::Refusal>("refusal");
        using S = files::ReadResult::Status;
        using R = files::ReadResult::Refusal;
        QTest::newRow("nothing") << QString() << S::Missing << R::None;
        QTest::newRow("as large as allowed") << QStringLiteral("10 bytes") << S::Read << R::None;
        QTest::newRow("larger") << QStringLiteral("11 bytes") << S::Refused << R::TooLarge;
        QTest::newRow("a folder") << QStringLiteral("folder") << S::Refused << R::NotPlainFile;
        QTest::newRow("a link to a file") << QStringLiteral("link") << S::Refused << R::Link;
    }
    void readSmallFile() {
        QFETCH(QString, there);
        QFETCH(files::ReadResult::Status, status);
        QFETCH(files::ReadResult::Refusal, refusal);
        const QString file = path(QStringLiteral("черновик.json"));
        if (there.endsWith(u"bytes"))
            QVERIFY(write(file, QByteArray(there.section(u' ', 0, 0).toInt(), 'x')));
        if (there == u"folder")
            QVERIFY(QDir().mkdir(file));
        if (there == u"link") {
            QVERIFY(write(path(QStringLiteral("другой")), "x"));
            if (!link(path(QStringLiteral("другой")), file))
                QSKIP("this user cannot make links here");
        }

        const files::ReadResult read = files::readSmallFile(file, 10);

        QCOMPARE(read.status, status);
        QCOMPARE(read.refusal, refusal);
        if (status == files::ReadResult::Status::Read)
            QCOMPARE(read.bytes, QByteArray(10, 'x'));
    }

    // A workbook is written by a library that opens its file by name with the C
    // library, then published under the first name that is free.
    void newFile() {
        const QString folder = m_dir->path();
        const QString stem = QStringLiteral("ПФХД предварительный");
        QVERIFY(write(path(stem + QStringLiteral(" (2).xlsx")), "taken"));
        QStringList published;
        for (int i = 0; i < 2; ++i) {
            files::NewFile file(folder, stem);
            QVERIFY2(file.isOpen(), qPrintable(file.error()));
            std::FILE* out = std::fopen(file.writablePath().constData(), "wb");
            QVERIFY2(out, file.writablePath().constData());
            QVERIFY(std::fputs("книга", out) >= 0);
            QCOMPARE(std::fclose(out), 0);
            QCOMPARE(file.size(), qint64(QByteArray("книга").size()));
            published << file.publish(QStringLiteral(".xlsx"));
            QVERIFY2(!published.last().isEmpty(), qPrintable(file.error()));
        }
        QCOMPARE(published, QStringList({path(stem + QStringLiteral(".xlsx")),
                                         path(stem + QStringLiteral(" (3).xlsx"))}));
        QCOMPARE(contents(published[1]), QByteArray("книга"));
        QCOMPARE(contents(path(stem + QStringLiteral(" (2).xlsx"))), QByteArray("taken"));
        {
            files::NewFile unpublished(folder, stem); // what fails before publishing
            QVERIFY(unpublished.isOpen());
        }
        QCOMPARE(entries(),
                 QStringList({stem + QStringLiteral(" (2).xlsx"), stem + QStringLiteral(" (3).xlsx"),
                              stem + QStringLiteral(".xlsx")}));
        files::NewFile nowhere(path(QStringLiteral("нет такой папки")), stem);
        QVERIFY(!nowhere.isOpen());
        QVERIFY(!nowhere.error().isEmpty());
    }

    void moveAside() {
        const QString draft = path(QStringLiteral("черновик.json"));
        QVERIFY(write(draft, "bad"));
        QVERIFY(write(draft + QStringLiteral(".bad"), "earlier"));
        QCOMPARE(files::moveAside(draft, QStringLiteral(".bad")), draft + QStringLiteral(".bad-2"));
        QVERIFY(!QFileInfo::exists(draft));
        QCOMPARE(contents(draft + QStringLiteral(".bad")), QByteArray("earlier"));
        QCOMPARE(contents(draft + QStringLiteral(".bad-2")), QByteArray("bad"));
        QCOMPARE(files::moveAside(draft, QStringLiteral(".bad")), QString());
    }

    void fileLock() {
        const QString lockFile = path(QStringLiteral("черновик.json.lock"));
        bool held = true;
        auto first = files::FileLock::take(lockFile, &held);
        QVERIFY(first);
        QVERIFY(!held);
        QVERIFY(!files::FileLock::take(lockFile, &held)); // even in this process
        QVERIFY(held);
        first.reset();
        QVERIFY(files::FileLock::take(lockFile, &held));
        QVERIFY(QDir().mkdir(path(QStringLiteral("папка.lock"))));
        QVERIFY(!files::FileLock::take(path(QStringLiteral("папка.lock")), &held));
        QVERIFY(!held);
    }

    void removeLeftovers() {
        const auto make = [&](const QString& name, int minutesOld) {
            QFile file(path(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesOld),
                                     QFileDevice::FileModificationTime));
        };
        make(QStringLiteral(".ПФХД предварительный.abc.part"), 5);
        make(QStringLiteral(".ПФХД предварительный.def.part"), 0); // still being written
        make(QStringLiteral(".другое.abc.part"), 5);
        make(QStringLiteral("ПФХД предварительный.xlsx"), 5);
        QVERIFY(QDir().mkdir(path(QStringLiteral(".ПФХД папка.part"))));

        QCOMPARE(files::removeLeftovers(m_dir->path(), QStringLiteral("ПФХД ")), 1);

        QCOMPARE(
            entries(),
            QStringList({QStringLiteral(".ПФХД папка.part"), QStringLiteral(".ПФХД предварительный.def.part"),
                         QStringLiteral(".другое.abc.part"), QStringLiteral("ПФХД предварительный.xlsx")}));
    }

    void privateFolder() {
        const QString folder = path(QStringLiteral("данные/planium"));
        QCOMPARE(files::privateFolder(folder), QString());
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(files::privateFolder(folder), QString()); // as it was made
        QVERIFY(files::replaceFile(folder + QStringLiteral("/черновик.json"), "x"));
        QVERIFY(write(path(QStringLiteral("файл")), "x"));
        QVERIFY(!files::privateFolder(path(QStringLiteral("файл"))).isEmpty());
        QVERIFY(QDir().mkdir(path(QStringLiteral("другая"))));
        if (link(path(QStringLiteral("другая")), path(QStringLiteral("ссылка")))) {
#ifdef Q_OS_WIN
            QVERIFY(!files::privateFolder(path(QStringLiteral("ссылка"))).isEmpty()); // never through a link
#endif
        }
#ifdef Q_OS_UNIX
        const QString open = path(QStringLiteral("открытая"));
        QVERIFY(QDir().mkdir(open));
        QVERIFY(QFile::setPermissions(open, QFileDevice::Permissions(0x7777)));
        QVERIFY(!files::privateFolder(open).isEmpty());
        QCOMPARE(QFileInfo(open).permissions() & QFileDevice::WriteOther,
                 QFileDevice::WriteOther); // left as it was
#endif
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
