// The real program on a real X display with a window manager, at the desktop
// sizes and scales people use: a whole plan is typed by the driver plugin, both
// plans are generated, and then the adjustment screen must stand whole on the
// desktop, caption included, with the start of its saved-file notice in view.
// The driver is far quicker than a person: the window manager may not yet have
// framed a window when it grows, which is when a window is easily misplaced.

#include <QtTest>

namespace {

QRect rectOf(const QJsonValue& value)
{
    const QJsonArray a = value.toArray();
    return a.size() == 4 ? QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt()) : QRect();
}

// Starts `program` and waits until it has run a moment without ending.
bool startAndSettle(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.start(program, arguments);
    return process.waitForStarted(10000) && !process.waitForFinished(1000);
}

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

class TestOnDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char* needed : {"Xvfb", "openbox"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(needed)).isEmpty(),
                     qPrintable(QStringLiteral("%1 is needed (./scripts/setup.sh installs it)").arg(needed)));
    }

    void adjustmentScreenStaysOnTheDesktop_data()
    {
        QTest::addColumn<QSize>("desktop");
        QTest::addColumn<QString>("scale");
        for (const QSize desktop : {QSize(1366, 768), QSize(1920, 1080)})
            for (const char* scale : {"1", "2"})
                QTest::addRow("%dx%d at %s", desktop.width(), desktop.height(), scale)
                    << desktop << QString::fromLatin1(scale);
    }

    void adjustmentScreenStaysOnTheDesktop()
    {
        QFETCH(QSize, desktop);
        QFETCH(QString, scale);
        QTemporaryDir home;
        QVERIFY(home.isValid());

        // A display of its own: the X server picks a free number and tells it.
        QProcess xvfb;
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"),
                                            QStringLiteral("%1x%2x24").arg(desktop.width()).arg(desktop.height()),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(xvfb.waitForStarted(10000));
        QByteArray number;
        QDeadlineTimer ready(20000);
        while (!number.contains('\n') && !ready.hasExpired() && xvfb.waitForReadyRead(int(ready.remainingTime())))
            number += xvfb.readAllStandardOutput();
        QVERIFY2(number.contains('\n'), "Xvfb gave no display");
        const QString display = u':' + QString::fromLatin1(number.trimmed());
        const auto cleanup = qScopeGuard([&] { stop(xvfb); });

        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("TMPDIR"), home.path());
        env.insert(QStringLiteral("DISPLAY"), display);
        QProcess wm;
        wm.setProcessEnvironment(env);
        QVERIFY2(startAndSettle(wm, QStringLiteral("openbox"), {}), "openbox did not start");
        const auto cleanupWm = qScopeGuard([&] { stop(wm); });

        const QString shot = home.filePath(QStringLiteral("form9.png"));
        // A sanitized build's options reach the program it tests.
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (qEnvironmentVariableIsSet(name))
                env.insert(QLatin1String(name), qEnvironmentVariable(name));
        env.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(PLANIUM_TEST_PLUGINS));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("plandriver"));
        env.insert(QStringLiteral("PLANIUM_DRIVER_REPORT"), home.filePath(QStringLiteral("report.json")));
        env.insert(QStringLiteral("PLANIUM_DRIVER_SHOT"), shot);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(PLANIUM_EXECUTABLE), {});
        QVERIFY(program.waitForFinished(120000));
        QCOMPARE(program.exitCode(), 0);

        QFile report(home.filePath(QStringLiteral("report.json")));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(report.readAll()).object()[u"failures"].toArray(), QJsonArray());
        QFile where(shot + QStringLiteral(".json"));
        QVERIFY2(where.open(QIODevice::ReadOnly), "the driver saw no window");
        const QJsonObject seen = QJsonDocument::fromJson(where.readAll()).object();
        const QRect area = rectOf(seen[u"available"]);
        const QRect frame = rectOf(seen[u"frame"]);
        const QRect inside = rectOf(seen[u"inside"]);
        const QString said = QString::fromUtf8(QJsonDocument(seen).toJson(QJsonDocument::Compact));
        QCOMPARE(seen[u"window"].toString(), QStringLiteral("Form9"));
        // The window manager has framed it, and the frame lies on the desktop.
        QVERIFY2(frame != inside && frame.contains(inside), qPrintable(said));
        QVERIFY2(area.contains(frame), qPrintable(said));
        // The notice is in view from its first letter.
        const QRect notice = rectOf(seen[u"notice"]);
        QVERIFY2(!notice.isEmpty() && notice.contains(rectOf(seen[u"noticeStart"]).topLeft()), qPrintable(said));
        QVERIFY2(inside.contains(notice), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestOnDesktop)
#include "test_on_desktop.moc"
