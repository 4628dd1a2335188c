// The real program, as a separate process, under the process locales people's
// desktops have (the C library's included): a plan with kopecks is typed through
// its screens by a plugin Qt loads into it, both plans are generated, and each
// workbook is read back by an independent library and by a real spreadsheet
// application. Every locale must give byte for byte the same sheets.

#include "support/office.h"

#include <QtTest>

#include <cmath>

#include <sys/stat.h>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Every cell of A1:G(last row), the number of rows, and the parts of the file that
// hold the sheet, as the reader finds them.
const char* const kReadScript = R"(
import json, sys, zipfile, openpyxl
path = sys.argv[1]
sheet = openpyxl.load_workbook(path).worksheets[0]
cells = {}
for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=7):
    for c in row:
        cells[c.coordinate] = c.value
parts = {}
with zipfile.ZipFile(path) as z:
    for name in ("xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml", "xl/workbook.xml"):
        parts[name] = z.read(name).decode("utf-8")
print(json.dumps({"rows": sheet.max_row, "cells": cells, "parts": parts}, ensure_ascii=False))
)";

QString a1(int row, int column) { return QChar(u'A' + column - 1) + QString::number(row); }

// What pattern "0" shows: whole roubles, halves away from zero.
QString shownWhole(double value)
{
    const double rounded = std::round(value);
    return QString::number(rounded == 0.0 ? 0.0 : rounded, 'f', 0);
}

// The fields of one line of the spreadsheet application's CSV: comma separated,
// a field with a comma in double quotes.
QStringList csvFields(const QString& line)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == u'"')
                fields.last() += line[++i];
            else
                quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    return fields;
}

// A part of the file without the time its page header gives: runs a minute
// apart may say different minutes, and nothing else may differ.
QString untimed(QString part)
{
    static const QRegularExpression when(QStringLiteral("&amp;R\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d"));
    return part.replace(when, QStringLiteral("&amp;Rtime"));
}

bool close(double a, double b) { return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b)); }

struct Run {
    QString locale;
    QJsonObject figures;
    QList<QJsonObject> books; // preliminary, corrected
    QStringList files;
};

} // namespace

class TestProcessLocales : public QObject {
    Q_OBJECT

    QTemporaryDir m_kept; // the workbooks of every run, for the spreadsheet application
    QList<Run> m_runs;

    QJsonObject read(const QString& path)
    {
        QProcess python;
        python.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kReadScript), path});
        if (!python.waitForFinished(60000) || python.exitCode() != 0) {
            qWarning() << python.readAllStandardError();
            return {};
        }
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(QStringLiteral(PLANIUM_EXECUTABLE)), PLANIUM_EXECUTABLE);
        QVERIFY2(QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0,
                 "/usr/bin/python3 with openpyxl is needed (./scripts/setup.sh installs it)");
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty(),
                 "LibreOffice is needed (./scripts/setup.sh installs it)");
        QVERIFY(m_kept.isValid());
    }

    void plan_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("desktop");
        for (const char* locale : {"ru_RU.UTF-8", "de_DE.UTF-8", "en_US.UTF-8", "C.UTF-8"})
            QTest::newRow(locale) << QString::fromLatin1(locale) << false;
        // The program opening the plans itself with a desktop opener that fails,
        // with no temporary folder and a umask that keeps others out.
        QTest::newRow("ru_RU.UTF-8, opener fails, no temporary folder, umask 027")
            << QStringLiteral("ru_RU.UTF-8") << true;
    }

    void plan()
    {
        QFETCH(QString, locale);
        QFETCH(bool, desktop);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString report = home.filePath(QStringLiteral("report.json"));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : env.keys())
            if (name.startsWith(QLatin1String("LC_")) || name == u"LANGUAGE" || name.startsWith(QLatin1String("XDG_")))
                env.remove(name);
        env.insert(QStringLiteral("LANG"), locale);
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("TMPDIR"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(PLANIUM_TEST_PLUGINS));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("plandriver"));
        env.insert(QStringLiteral("PLANIUM_DRIVER_REPORT"), report);
        const QString openerLog = home.filePath(QStringLiteral("opener.log"));
        if (desktop) {
            // An opener that finds no application for the file, nor a file manager.
            QVERIFY(QDir(home.path()).mkdir(QStringLiteral("bin")));
            QFile opener(home.filePath(QStringLiteral("bin/xdg-open")));
            QVERIFY(opener.open(QIODevice::WriteOnly));
            opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$HOME/opener.log\"\nexit 3\n");
            opener.close();
            QVERIFY(opener.setPermissions(opener.permissions() | QFile::ExeOwner));
            env.insert(QStringLiteral("PATH"),
                       home.filePath(QStringLiteral("bin")) + u':' + env.value("PATH"));
            env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("no temporary folder")));
            env.insert(QStringLiteral("PLANIUM_DRIVER_DESKTOP"), QStringLiteral("1"));
        }

        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const mode_t umaskBefore = desktop ? ::umask(027) : 0;
        program.start(QStringLiteral(PLANIUM_EXECUTABLE), {});
        if (desktop)
            ::umask(umaskBefore);
        QVERIFY(program.waitForFinished(180000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        QFile reportFile(report);
        QVERIFY2(reportFile.open(QIODevice::ReadOnly), "the driver wrote no report");
        const QJsonObject said = QJsonDocument::fromJson(reportFile.readAll()).object();
        QCOMPARE(said[u"failures"].toArray(), QJsonArray());
        // The process really ran under the locale (it exists on this machine), and
        // the program kept the C library's numbers in the C form.
        QCOMPARE(said[u"lcCtype"].toString(), locale);
        QCOMPARE(said[u"lcNumericAtStart"].toString(), QStringLiteral("C"));
        QCOMPARE(said[u"lcNumericWhenWriting"].toString(), locale);
        QCOMPARE(said[u"locale"].toString(), locale == u"C.UTF-8" ? QStringLiteral("ru_RU") : locale.left(5));

        // The figures as the screens showed them, compared with the decimal
        // separator set aside (each screen uses the desktop's own).
        QJsonObject figures = said[u"figures"].toObject();
        for (const QString& name : figures.keys())
            figures[name] = figures[name].toString().replace(QLatin1Char('.'), QLatin1Char(','));
        Run run{locale, figures, {}, {}};
        QJsonArray opened = said[u"opened"].toArray();
        if (desktop) {
            QFile log(openerLog);
            QVERIFY(log.open(QIODevice::ReadOnly));
            opened = QJsonArray::fromStringList(
                QString::fromLocal8Bit(log.readAll()).split(u'\n', Qt::SkipEmptyParts));
            QCOMPARE(opened.size(), 2);
            const QJsonArray notices = said[u"notices"].toArray();
            QCOMPARE(notices.size(), 2);
            for (int i = 0; i < 2; ++i) {
                const QString path = opened[i].toString();
                // Kept where documents are, readable as the umask says, and the
                // screen says it could not be opened instead of only where it is.
                QVERIFY2(path.startsWith(home.filePath(QStringLiteral("Documents/ПФХД/"))), qPrintable(path));
                QCOMPARE(QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                         QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
                const QString told = notices[i].toString();
                QVERIFY2(told.contains(QStringLiteral("открыть его не удалось")) && told.contains(path),
                         qPrintable(told));
                QVERIFY2(!told.contains(QStringLiteral("ПФХД сохранён:")), qPrintable(told));
            }
        }
        QCOMPARE(opened.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const QString path = opened[i].toString();
            const QJsonObject book = read(path);
            QVERIFY2(!book.isEmpty(), qPrintable(path));
            run.books << book;
            const QString kept =
                m_kept.filePath(QStringLiteral("%1%2-%3.xlsx")
                                    .arg(locale.left(5), desktop ? QStringLiteral("-desktop") : QString())
                                    .arg(i));
            QVERIFY(QFile::copy(path, kept));
            run.files << kept;
        }

        for (const QJsonObject& book : run.books) {
            QCOMPARE(book[u"rows"].toInt(), 38);
            const QJsonObject cells = book[u"cells"].toObject();
            const auto number = [&](const char* at) { return cells[QLatin1String(at)].toDouble(); };
            // The figures as typed, to the last digit.
            QCOMPARE(number("C6"), 12500000.5);
            QCOMPARE(number("C7"), 100001.0);
            QCOMPARE(number("D7"), 100000.25);
            QCOMPARE(number("G7"), 0.75);
            QCOMPARE(number("C8"), 240000.1);
            QCOMPARE(number("G8"), 60000.025);
            QCOMPARE(number("D24"), 6000.1);
            QCOMPARE(number("G24"), 6030.1);
            QCOMPARE(cells[u"D3"].toString(), QStringLiteral("-"));
            // Every figure is a number, and every year is the sum of its quarters.
            for (int row = 4; row <= 38; ++row) {
                for (int column = 3; column <= 7; ++column) {
                    const QJsonValue v = cells[a1(row, column)];
                    QVERIFY2(v.isNull() || v.isDouble(), qPrintable(a1(row, column) + " " + v.toString()));
                }
                const QJsonValue year = cells[a1(row, 3)];
                if (year.isNull())
                    continue;
                double quarters = 0;
                for (int column = 4; column <= 7; ++column)
                    quarters += cells[a1(row, column)].toDouble();
                QVERIFY2(close(quarters, year.toDouble()), qPrintable(a1(row, 3)));
            }
        }
        // The preliminary screen shows what the preliminary workbook holds.
        const QJsonObject first = run.books[0][u"cells"].toObject();
        QCOMPARE(run.figures[u"Form8.Label1"].toString(), shownWhole(first[u"C4"].toDouble()));
        QCOMPARE(run.figures[u"Form8.Label6"].toString(), shownWhole(first[u"C14"].toDouble()));
        // Food lowered by 5 % in the corrected plan.
        QVERIFY(close(run.books[1][u"cells"].toObject()[u"C35"].toDouble(), 1200061.32 * 0.95));

        // Byte for byte the same sheets, figures and screens under every locale.
        if (!m_runs.isEmpty()) {
            const Run& reference = m_runs.first();
            QCOMPARE(run.figures, reference.figures);
            for (int i = 0; i < 2; ++i) {
                const QJsonObject parts = run.books[i][u"parts"].toObject();
                const QJsonObject expected = reference.books[i][u"parts"].toObject();
                for (const QString& name : expected.keys())
                    QVERIFY2(untimed(parts[name].toString()) == untimed(expected[name].toString()),
                             qPrintable(QStringLiteral("%1 of workbook %2 differs from %3").arg(name).arg(i).arg(
                                 reference.locale)));
            }
        }
        m_runs << run;
    }

    // A real spreadsheet application shows every figure of every workbook as the
    // pattern "0" shows it: 12 500 000,50 as 12500001.
    void spreadsheetShowsEveryFigure()
    {
        QVERIFY(!m_runs.isEmpty());
        QStringList files;
        for (const Run& run : m_runs)
            files << run.files;
        const QString out = m_kept.filePath(QStringLiteral("csv"));
        QVERIFY(office::convert(files,
                                QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true"),
                                out, m_kept.path()));

        for (const Run& run : m_runs) {
            for (int i = 0; i < 2; ++i) {
                QFile csv(QDir(out).filePath(QFileInfo(run.files[i]).completeBaseName() + ".csv"));
                QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(csv.fileName()));
                const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'));
                const QJsonObject cells = run.books[i][u"cells"].toObject();
                QCOMPARE(csvFields(lines.value(5)).value(2), QStringLiteral("12500001"));
                for (int row = 4; row <= 38; ++row) {
                    const QStringList shown = csvFields(lines.value(row - 1));
                    for (int column = 3; column <= 7; ++column) {
                        const QJsonValue v = cells[a1(row, column)];
                        const QString expected = v.isNull() ? QString() : shownWhole(v.toDouble());
                        QVERIFY2(shown.value(column - 1) == expected,
                                 qPrintable(QStringLiteral("%1 %2: shows %3, holds %4")
                                                .arg(csv.fileName(), a1(row, column), shown.value(column - 1))
                                                .arg(v.toDouble(), 0, 'g', 17)));
                    }
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestProcessLocales)
#include "test_process_locales.moc"
