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
        for (const char* kind : {"empty", "garbled", "binary", "newer version", "not a draft",
                                 "counters out of range", "a number no screen makes", "unreadable",
                                 "directory", "link to a draft", "dangling link", "FIFO"})
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
        } else if (kind == "a number no screen makes") {
            QVERIFY(bytes.contains("\"initialDeficit\":null"));
            write(bytes.replace("\"initialDeficit\":null", "\"initialDeficit\":{\"double\":\"1e+300\"}"));
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

    // A draft is continued through the screens' own checks: the plan holds what
    // the boxes it went past read as, and a box the screens would refuse is shown
    // refused where it stands, never passed on to a figure or a workbook.
    void refusedValuesStayRefused_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("landsOn");
        QTest::newRow("a subsidy beyond any amount")
            << "plan"
            << "founderSubsidy" << QJsonValue(QJsonObject{{"double", "1e+300"}}) << "Form7";
        QTest::newRow("an investment that is no number") << "plan"
                                                         << "investments" << QJsonValue("abc") << "Form7";
        QTest::newRow("a box that holds no number") << "Form6"
                                                    << "Text11" << QJsonValue("abc") << "Form6";
    }
    void refusedValuesStayRefused() {
        QFETCH(QString, where);
        QFETCH(QString, name);
        QFETCH(QJsonValue, value);
        QFETCH(QString, landsOn);
        QJsonObject file = QJsonDocument::fromJson(keptDraft("kill")).object();
        QJsonObject part =
            where == u"plan" ? file["plan"].toObject() : file["screens"].toObject()[where].toObject();
        if (name == u"investments") {
            QJsonArray five = part[name].toArray();
            five[1] = value;
            part[name] = five;
        } else {
            part[name] = value;
        }
        if (where == u"plan") {
            file["plan"] = part;
        } else {
            QJsonObject screens = file["screens"].toObject();
            screens[where] = part;
            file["screens"] = screens;
        }
        writeFile(draftPath(), QJsonDocument(file).toJson(QJsonDocument::Compact));
        const Run again = run("continue");
        QCOMPARE(again.said[u"failures"].toArray(), QJsonArray());
        const QJsonObject screens = again.said[u"screens"].toObject();
        QVERIFY2(screens[landsOn].toObject()[u"visible"].toBool(), qPrintable(landsOn));
        const QJsonObject plan = QJsonDocument::fromJson(readFile(draftPath())).object()[u"plan"].toObject();
        if (landsOn == u"Form6") {
            // Refused as if "далее" had been pressed: its label, and the box framed.
            QVERIFY(screens[u"Form6"].toObject()[u"Label6"].toString().startsWith(u'+'));
            QVERIFY(!screens[u"Form7"].toObject()[u"visible"].toBool());
        } else {
            // Mended from the boxes, which the program had passed.
            QCOMPARE(plan[u"founderSubsidy"].toObject()[u"fixed"].toString(), QString("125000005000"));
            QCOMPARE(plan[u"investments"].toArray()[1].toString(), QString("100000,25"));
        }
    }

    // A draft that cannot be saved is said on the screen in use, in words, until
    // a save succeeds; a readable draft is offered even where it cannot be saved
    // again; a folder others can write to is not used, and nothing in it changes.
    void draftProblemsAreSaid_data() {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("said");
        QTest::newRow("full disk") << "full"
                                   << "Черновик не сохраняется: на диске нет места.";
        QTest::newRow("read-only folder") << "read-only"
                                          << "Черновик не сохраняется: нет прав на запись в папку";
        QTest::newRow("a shared folder behind a link") << "shared"
                                                       << "Черновик не сохраняется: в папку";
    }
    void draftProblemsAreSaid() {
        QFETCH(QString, trouble);
        QFETCH(QString, said);
        const QByteArray draft = keptDraft("kill");
        clearFolder();
        if (trouble == u"shared") {
            const QString shared = m_home.filePath(QStringLiteral("shared"));
            QVERIFY(QDir().mkpath(shared));
            ::chmod(QFile::encodeName(shared).constData(), 0775);
            QVERIFY(QFile::link(shared, folder()));
            const Run look = run("look");
            QVERIFY2(look.said[u"notices"].toObject()[u"Form1"].toString().startsWith(said),
                     qPrintable(look.said[u"notices"].toObject()[u"Form1"].toString()));
            struct stat seen {};
            QCOMPARE(::stat(QFile::encodeName(shared).constData(), &seen), 0);
            QCOMPARE(seen.st_mode & 0777, 0775u);
            QCOMPARE(QDir(shared).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     QStringList());
            QVERIFY(QFile::remove(folder()));
            return;
        }
        if (::geteuid() != 0)
            QSKIP("a small or read-only file system for the drafts is mounted by root only");
        QVERIFY(QDir().mkpath(folder()));
        if (!mount(trouble == u"full" ? "size=128k,mode=0700" : "size=1m,mode=0700"))
            QSKIP("no file system of its own can be mounted here");
        const auto unmount = qScopeGuard([this] { QProcess::execute("umount", {folder()}); });
        writeFile(draftPath(), draft);
        if (trouble == u"full") {
            // What is left of the disk cannot take a second draft beside the first.
            QFile filler(folder() + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {
            }
        } else {
            QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", folder()}), 0);
        }
        const Run again = run("continue");
        QCOMPARE(again.said[u"offers"].toArray().size(), 1);
        const QJsonObject screens = again.said[u"screens"].toObject();
        QVERIFY(screens[u"Form7"].toObject()[u"visible"].toBool());
        const QString notice = again.said[u"notices"].toObject()[u"Form7"].toString();
        QVERIFY2(notice.startsWith(said), qPrintable(notice));
        // The draft there stays whole.
        QCOMPARE(readFile(draftPath()), draft);
    }

    // Plans left by windows that are no longer open are all offered, newest first,
    // each with its time and institution.
    void strandedDraftsAreOffered() {
        const QByteArray draft = keptDraft("kill");
        clearFolder();
        QVERIFY(QDir().mkpath(folder()));
        QJsonObject file = QJsonDocument::fromJson(draft).object();
        const auto slot = [&](const QString& name, const QString& institution, const QString& written) {
            QJsonObject plan = file["plan"].toObject();
            plan["institutionName"] = institution;
            file["plan"] = plan;
            file["written"] = written;
            writeFile(folder() + u'/' + name, QJsonDocument(file).toJson(QJsonDocument::Compact));
        };
        slot("draft.json", "МБДОУ № 5", "2026-12-08T09:30:00.000+03:00");
        slot("draft-2.json", "МБДОУ № 7", "2026-12-09T14:05:00.000+03:00");
        const Run look = run("look");
        const QJsonArray offers = look.said[u"offers"].toArray();
        QCOMPARE(offers.size(), 2);
        QVERIFY2(offers[0].toString().startsWith("Продолжить план от ") &&
                     offers[0].toString().endsWith(" — МБДОУ № 7"),
                 qPrintable(offers[0].toString()));
        QVERIFY2(offers[1].toString().endsWith(" — МБДОУ № 5"), qPrintable(offers[1].toString()));
        // Continued, the newest is kept where it was; the other is offered again.
        QVERIFY(run("continue").said[u"screens"].toObject()[u"Form7"].toObject()[u"visible"].toBool());
        QCOMPARE(run("look").said[u"offers"].toArray().size(), 2);
    }

    // The largest plan the screens can hold: every box, name and user's text at
    // its longest, all of it control characters (six bytes each in the draft).
    void largestPlanContinues() {
        QJsonObject file = QJsonDocument::fromJson(keptDraft("kill")).object();
        clearFolder();
        QVERIFY(QDir().mkpath(folder()));
        const QString longest(32767, QChar(1));
        QJsonObject screens = file["screens"].toObject();
        for (const QString& form : screens.keys()) {
            QJsonObject entries = screens[form].toObject();
            for (const QString& name : entries.keys())
                if (name.startsWith(u"Text"))
                    entries[name] = longest;
            screens[form] = entries;
        }
        file["screens"] = screens;
        QJsonObject plan = file["plan"].toObject();
        for (const char* name :
             {"userSurname", "userFirstInitial", "userPatronymicInitial", "institutionName"})
            plan[QLatin1String(name)] = longest;
        QJsonArray services = plan["services"].toArray();
        for (qsizetype i = 0; i < services.size(); ++i) {
            QJsonObject record = services[i].toObject();
            record["name"] = longest;
            services[i] = record;
        }
        plan["services"] = services;
        file["plan"] = plan;
        const QByteArray largest = QJsonDocument(file).toJson(QJsonDocument::Compact);
        QVERIFY2(largest.size() > 20 * 1024 * 1024, qPrintable(QString::number(largest.size())));
        writeFile(draftPath(), largest);
        const Run again = run("continue");
        QCOMPARE(again.said[u"failures"].toArray(), QJsonArray());
        QCOMPARE(again.said[u"screens"].toObject()[u"Form7"].toObject()[u"Text20"].toString(),
                 QStringLiteral("+ ") + longest);
        QCOMPARE(again.said[u"notices"].toObject(), QJsonObject());
        // Written again as it closed, and read again at the next start.
        QCOMPARE(run("look").said[u"offers"].toArray().size(), 1);
    }

    // What a workbook being written left when the program was killed goes at the
    // next start: the program's own hidden files, a minute old, never a link.
    void leftoversAreRemoved() {
        const QString plans = m_home.filePath(QStringLiteral("Documents/ПФХД"));
        QVERIFY(QDir().mkpath(plans));
        const QString stale = plans + QStringLiteral("/.ПФХД предварительный 2026-12-09 10-00-00.k3j2.part");
        const QString fresh =
            plans + QStringLiteral("/.ПФХД скорректированный 2026-12-09 10-05-00.a1b2.part");
        const QString linked = plans + QStringLiteral("/.ПФХД предварительный 2026-12-09 09-00-00.zz.part");
        const QString foreign = plans + QStringLiteral("/.отчёт.part");
        for (const QString& path : {stale, fresh, foreign})
            writeFile(path, "PK");
        QVERIFY(QFile::link(stale + QStringLiteral(".target"), linked));
        writeFile(stale + QStringLiteral(".target"), "kept");
        const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
        for (const QString& path : {stale, foreign}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        QCOMPARE(run("look").status, QProcess::NormalExit);
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo::exists(fresh));
        QVERIFY(QFileInfo(linked).isSymLink());
        QVERIFY(QFileInfo::exists(foreign));
    }

private:
    QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    // The drafts folder, emptied.
    void clearFolder() {
        const QFileInfo info(folder());
        if (info.isSymLink())
            QFile::remove(folder());
        else
            QDir(folder()).removeRecursively();
    }
    // The draft a step of the driver leaves, made once.
    QByteArray keptDraft(const char* step) {
        QByteArray& kept = m_drafts[QByteArray(step)];
        if (kept.isEmpty()) {
            clearFolder();
            run(step);
            kept = readFile(draftPath());
        }
        return kept;
    }
    bool mount(const char* options) {
        return QProcess::execute("mount", {"-t", "tmpfs", "-o", QString::fromLatin1(options), "planium-test",
                                           folder()}) == 0;
    }

    QHash<QByteArray, QByteArray> m_drafts;
};

QTEST_GUILESS_MAIN(TestDraft)
#include "test_draft.moc"
