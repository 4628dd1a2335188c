// The draft of the plan in progress, with the real program as a separate process
// under ru_RU.UTF-8: a plan left half typed (a window closed, the program killed)
// comes back as it was; a draft cut short by a power cut, or anything else that is
// not a whole draft, starts a fresh plan with a notice and is put aside, never
// deleted, never waited on.

#include <QtTest>

#include <QRandomGenerator>

#include <sys/stat.h>

namespace {

struct Run {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QJsonObject said;
};

} // namespace

class TestDraft : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    int m_kept = 0;

    QString folder() const { return m_home.filePath(QStringLiteral(".local/share/planium")); }
    QString draftPath() const { return folder() + QStringLiteral("/draft.json"); }

    Run run(const char* step) {
        const QString report = m_home.filePath(QStringLiteral("report.json"));
        QFile::remove(report);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : env.keys())
            if (name.startsWith(QLatin1String("LC_")) || name == u"LANGUAGE" ||
                name.startsWith(QLatin1String("XDG_")))
                env.remove(name);
        env.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("TMPDIR"), m_home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(PLANIUM_TEST_PLUGINS));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("draftdriver"));
        env.insert(QStringLiteral("PLANIUM_DRIVER_REPORT"), report);
        env.insert(QStringLiteral("PLANIUM_DRIVER_STEP"), QString::fromLatin1(step));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(PLANIUM_EXECUTABLE), {});
        Run result;
        // A draft that is waited on (a FIFO) would hang the program here.
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            return result;
        }
        result.exitCode = program.exitCode();
        result.status = program.exitStatus();
        QFile file(report);
        if (file.open(QIODevice::ReadOnly))
            result.said = QJsonDocument::fromJson(file.readAll()).object();
        return result;
    }

    void verifyContinues(const QJsonObject& expected) {
        const Run again = run("continue");
        QCOMPARE(again.status, QProcess::NormalExit);
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.said[u"failures"].toArray(), QJsonArray());
        const QString offer = again.said[u"offer"].toString();
        QVERIFY2(
            QRegularExpression(QStringLiteral("^Продолжить план от \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$"))
                .match(offer)
                .hasMatch(),
            qPrintable(offer));
        QCOMPARE(again.said[u"offerName"].toString(), offer);
        const QJsonObject screens = again.said[u"screens"].toObject();
        for (const QString& form : expected.keys()) {
            const QJsonObject was = expected[form].toObject();
            const QJsonObject is = screens[form].toObject();
            for (const QString& name : was.keys())
                QVERIFY2(is[name] == was[name],
                         qPrintable(QStringLiteral("%1.%2: was %3, is %4")
                                        .arg(form, name, was[name].toVariant().toString(),
                                             is[name].toVariant().toString())));
        }
    }

    void verifyStartsAfresh(const char* what) {
        const Run fresh = run("look");
        QVERIFY2(fresh.status == QProcess::NormalExit && fresh.exitCode == 0, what);
        QCOMPARE(fresh.said[u"offer"].toString(), QString());
        QVERIFY2(fresh.said[u"notice"].toString().startsWith(
                     QStringLiteral("Черновик прежнего плана не прочитан")),
                 qPrintable(fresh.said[u"notice"].toString()));
        // Put aside under a name of its own, never deleted.
        const QStringList aside = QDir(folder()).entryList({QStringLiteral("draft.json.bad-*")},
                                                           QDir::AllEntries | QDir::System | QDir::Hidden);
        QVERIFY2(!aside.isEmpty(), what);
        QVERIFY(!QFileInfo(draftPath()).exists() && !QFileInfo(draftPath()).isSymLink());
        for (const QString& name : aside)
            QVERIFY(QDir(folder()).rename(name, QStringLiteral("kept-%1-%2").arg(++m_kept).arg(name)));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        QVERIFY2(QFileInfo::exists(QStringLiteral(PLANIUM_EXECUTABLE)), PLANIUM_EXECUTABLE);
    }

    void closedMidwayComesBack() {
        const Run first = run("close");
        QCOMPARE(first.status, QProcess::NormalExit);
        QCOMPARE(first.said[u"failures"].toArray(), QJsonArray());
        // The private folder and file.
        QCOMPARE(QFileInfo(folder()).permissions() & 0x0077, QFileDevice::Permissions());
        struct stat seen {};
        QCOMPARE(::stat(QFile::encodeName(draftPath()).constData(), &seen), 0);
        QCOMPARE(seen.st_mode & 0777, 0600u);
        const QJsonObject screens = first.said[u"screens"].toObject();
        QCOMPARE(screens[u"Form4"].toObject()[u"Text1"].toString(), QStringLiteral("+ Праздник"));
        verifyContinues(screens);
    }

    void killedOnAnExpensePageComesBack() {
        const Run first = run("kill");
        QCOMPARE(first.status, QProcess::CrashExit);
        const QJsonObject screens = first.said[u"screens"].toObject();
        QCOMPARE(screens[u"Form7"].toObject()[u"Text20"].toString(), QStringLiteral("+ 40000,40"));
        verifyContinues(screens);
        // Continued, the plan is the draft again: a second start offers it once more.
        verifyContinues(screens);
    }

    // A power cut in the middle of a write: only the new file beside the draft can
    // be cut short, and the draft itself is whole. Should a draft be cut short all
    // the same (a disk that lied about flushing), the program starts afresh.
    void cutShortByAPowerCut() {
        QFile file(draftPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        QVERIFY(whole.size() > 1000);
        const Run before = run("continue");
        const QJsonObject screens = before.said[u"screens"].toObject();

        auto* random = QRandomGenerator::global();
        for (int i = 0; i < 3; ++i) {
            const qsizetype cut = random->bounded(qsizetype(1), whole.size());
            QFile fresh(draftPath() + QStringLiteral(".new"));
            QVERIFY(fresh.open(QIODevice::WriteOnly));
            fresh.write(whole.left(cut));
            fresh.close();
            verifyContinues(screens);
        }
        for (int i = 0; i < 3; ++i) {
            const qsizetype cut = random->bounded(whole.size());
            QFile cutShort(draftPath());
            QVERIFY(cutShort.open(QIODevice::WriteOnly | QIODevice::Truncate));
            cutShort.write(whole.left(cut));
            cutShort.close();
            verifyStartsAfresh(qPrintable(QStringLiteral("cut at %1 of %2").arg(cut).arg(whole.size())));
        }
    }

    void badDraftHarmsNothing_data() {
        QTest::addColumn<QByteArray>("kind");
        for (const char* kind :
             {"empty", "garbled", "binary", "newer version", "not a draft", "counters out of range",
              "unreadable", "directory", "link to a draft", "dangling link", "FIFO"})
            QTest::newRow(kind) << QByteArray(kind);
    }

    void badDraftHarmsNothing() {
        QFETCH(QByteArray, kind);
        QDir().mkpath(folder());
        const QByteArray path = QFile::encodeName(draftPath());
        const QByteArray good = QFile::encodeName(m_home.filePath(QStringLiteral("good.json")));
        if (!QFileInfo::exists(QString::fromUtf8(good))) {
            QFile::remove(draftPath());
            QCOMPARE(run("close").status, QProcess::NormalExit);
            QVERIFY(QFile::rename(draftPath(), QString::fromUtf8(good)));
        }
        QFile source(QString::fromUtf8(good));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray bytes = source.readAll();
        const auto write = [&](const QByteArray& content) {
            QFile f(draftPath());
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
        };
        if (kind == "empty") {
            write({});
        } else if (kind == "garbled") {
            bytes[bytes.size() / 2] = '}';
            write(bytes);
        } else if (kind == "binary") {
            write(QByteArray("\x00\xff\xfe{\"format\"", 12));
        } else if (kind == "newer version") {
            write(bytes.replace("\"version\":1", "\"version\":2"));
        } else if (kind == "not a draft") {
            write("{\"plan\": {}, \"version\": 1}");
        } else if (kind == "counters out of range") {
            write(bytes.replace("\"serviceCount\":{\"whole\":\"2\"}", "\"serviceCount\":{\"whole\":\"99\"}"));
        } else if (kind == "unreadable") {
            if (::geteuid() == 0)
                QSKIP("every file is readable to root");
            write(bytes);
            QVERIFY(QFile::setPermissions(draftPath(), {}));
        } else if (kind == "directory") {
            QVERIFY(QDir().mkpath(draftPath()));
        } else if (kind == "link to a draft") {
            QCOMPARE(::symlink(good.constData(), path.constData()), 0);
        } else if (kind == "dangling link") {
            QCOMPARE(::symlink("/nonexistent/draft.json", path.constData()), 0);
        } else if (kind == "FIFO") {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        }
        verifyStartsAfresh(kind.constData());
    }
};

QTEST_GUILESS_MAIN(TestDraft)
#include "test_draft.moc"
