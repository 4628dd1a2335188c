#include "state/number_rules.h"
#include "support/office.h"
#include "workbook/plan_fixture.h"
#include "workbook/plan_generator.h"
#include "workbook/plan_layout.h"
#include "workbook/sheet_model.h"
#include "workbook/xlsx_renderer.h"

#include <QtTest>

#include <cmath>

#include <sys/stat.h>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Dumps the first worksheet as JSON: every cell of A1:H(last row + 1) with its
// value, type, number format, alignment and boldness; merges; column widths.
const char* const kDumpScript = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
out = {"sheets": len(book.worksheets), "max_row": sheet.max_row, "title": sheet.title,
       "merges": sorted(str(r) for r in sheet.merged_cells.ranges),
       "widths": {c: sheet.column_dimensions[c].width for c in "ABCDEFG"}, "cells": {},
       "heights": {str(r): d.height for r, d in sheet.row_dimensions.items() if d.height is not None},
       "orientation": sheet.page_setup.orientation, "paper": str(sheet.page_setup.paperSize),
       "fitToPage": bool(sheet.sheet_properties.pageSetUpPr and sheet.sheet_properties.pageSetUpPr.fitToPage),
       "fitToWidth": 1 if sheet.page_setup.fitToWidth is None else sheet.page_setup.fitToWidth,
       "fitToHeight": sheet.page_setup.fitToHeight,
       "titles": sheet.print_title_rows, "centred": bool(sheet.print_options.horizontalCentered)}
for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row + 1, max_col=8):
    for c in row:
        b = c.border
        out["cells"][c.coordinate] = {"v": c.value, "t": c.data_type, "f": c.number_format,
            "h": c.alignment.horizontal, "va": c.alignment.vertical,
            "wrap": bool(c.alignment.wrap_text), "bold": bool(c.font.bold),
            "boxed": all(s.style == "thin" for s in (b.left, b.right, b.top, b.bottom))}
print(json.dumps(out, ensure_ascii=False))
)";

bool haveOpenpyxl() {
#ifndef Q_OS_UNIX
    return false; // the reader is the Debian system's Python
#endif
    if (!QFileInfo::exists(kPython))
        return false;
    return QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0;
}

QJsonObject dump(const QString& path) {
    QProcess python;
    python.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kDumpScript), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString a1(int row, int column) {
    return QChar(u'A' + column - 1) + QString::number(row);
}

// The width a spreadsheet shows for a stored column width: whole pixels of a
// 7-pixel digit, less the 5-pixel padding.
int pixels(double width) {
    return static_cast<int>(std::lround(width * 7));
}

// Environment variables set for a scope, then put back as they were (unset ones unset).
class EnvironmentScope {
public:
    explicit EnvironmentScope(const std::vector<std::pair<const char*, QString>>& values) {
        for (const auto& [name, value] : values) {
            m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
            qputenv(name, QFile::encodeName(value));
        }
    }
    ~EnvironmentScope() {
        for (const auto& [name, value] : m_saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_saved;
};

struct Opener {
    QStringList opened;
    bool answer = true;
    PlanOpener function() {
        return [this](const QString& path) {
            opened << path;
            return answer;
        };
    }
};

} // namespace

class TestPlanGenerator : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { numbers::applyRegionalConventions(); }
    void init();

    void workbookReadsBack_data();
    void workbookReadsBack();
    void keptAsANewDocument_data();
    void keptAsANewDocument();
    void printsAsATable();
    void programFolder_data();
    void programFolder();
    void fileCannotBeWritten_data();
    void fileCannotBeWritten();
    void renderFailureIsReported();
    void nothingOpensTheFile_data();
    void nothingOpensTheFile();
    void zeroNeedIsReported();
    void correctedPlanFile();
    void textsXmlForbids_data();
    void textsXmlForbids();
    void textsReadBackExactly();
    void amountsBeyondADouble_data();
    void amountsBeyondADouble();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPlanGenerator::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestPlanGenerator::workbookReadsBack_data() {
    QTest::addColumn<bool>("corrected");
    QTest::newRow("preliminary") << false;
    QTest::newRow("corrected") << true;
}

void TestPlanGenerator::workbookReadsBack() {
    QFETCH(bool, corrected);
    if (!haveOpenpyxl())
        QSKIP("/usr/bin/python3 with openpyxl is needed to read the workbook back");

    const int services = 3;
    const auto makePlan = [&] {
        PlanState plan = fixture::makePlan(services);
        plan.service(2).name = QStringLiteral("=1+1");
        plan.service(3).name = QStringLiteral("Подготовка к школе: занятия по развитию речи, математике и "
                                              "логическому мышлению для детей старшей группы");
        plan.communication.q[1] = "6600,55";
        if (corrected) {
            fixture::enterAdjustment(plan);
            CalculateAdjustment(plan, fixture::allAt("-5"));
        }
        return plan;
    };
    PlanState plan = makePlan();
    Opener opener;
    const GenerationResult result = corrected ? generateCorrectedPlan(plan, opener.function(), m_dir->path())
                                              : generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QVERIFY2(result.written, qPrintable(result.error));
    QVERIFY(result.opened);
    QCOMPARE(opener.opened, QStringList{result.filePath});
    QCOMPARE(result.notices, QStringList{notices::saved(result.filePath)});

    // The model the file was made from, for comparison.
    PlanState again = makePlan();
    SheetModel model;
    if (corrected)
        plan::writeCorrectedPlan(again, model);
    else
        plan::writePreliminaryPlan(again, model);

    const QJsonObject book = dump(result.filePath);
    QVERIFY(!book.isEmpty());
    QCOMPARE(book[u"sheets"].toInt(), 1);
    QCOMPARE(book[u"title"].toString(), QStringLiteral("Лист1"));

    // Printed as a table: A4 landscape, one page wide, the header on every page.
    QCOMPARE(book[u"orientation"].toString(), QStringLiteral("landscape"));
    QCOMPARE(book[u"paper"].toString(), QStringLiteral("9"));
    QVERIFY(book[u"fitToPage"].toBool());
    QCOMPARE(book[u"fitToWidth"].toInt(), 1);
    QCOMPARE(book[u"fitToHeight"].toInt(), 0);
    QCOMPARE(book[u"titles"].toString(), QStringLiteral("$1:$2"));
    QVERIFY(book[u"centred"].toBool());

    // Rows as tall as their wrapped texts: the two-row header with its long code
    // caption, the long revenue caption of row 9 and the long service name need
    // at least the lines their length gives at the column's width; short rows
    // keep the default height.
    const QJsonObject heights = book[u"heights"].toObject();
    const auto height = [&](int row) { return heights[QString::number(row)].toDouble(15.0); };
    QVERIFY2(height(1) + height(2) >= 5 * 15.0, qPrintable(QString::number(height(1))));
    QVERIFY2(height(9) >= 5 * 15.0, qPrintable(QString::number(height(9))));
    QVERIFY2(height(13) >= 3 * 15.0, qPrintable(QString::number(height(13))));
    for (const int row : {5, 11, 12, 16, 19}) // "в том числе:", two short services, "Расходы", "из них:"
        QVERIFY2(!heights.contains(QString::number(row)), qPrintable(QString::number(row)));
    QCOMPARE(book[u"max_row"].toInt(), 36 + services);
    QCOMPARE(book[u"merges"].toArray(), (QJsonArray{QStringLiteral("A1:A2"), QStringLiteral("B1:B2"),
                                                    QStringLiteral("C1:C2"), QStringLiteral("D1:G1")}));

    const QJsonObject widths = book[u"widths"].toObject();
    const double expectedWidths[] = {44.86, 17.43, 17.57, 16.71, 16.71, 16.71, 16.71};
    for (int column = 1; column <= 7; ++column) {
        const double stored = widths[QString(QChar(u'A' + column - 1))].toDouble();
        QCOMPARE(pixels(stored) - 5, pixels(expectedWidths[column - 1]));
    }

    const QJsonObject cells = book[u"cells"].toObject();
    for (int row = 1; row <= 37 + services; ++row) {
        for (int column = 1; column <= 8; ++column) {
            const QString at = a1(row, column);
            const QJsonObject cell = cells[at].toObject();
            // Values as the model holds them: numbers as numbers, texts as strings.
            const CellValue value = model.value(row, column);
            if (const double* d = std::get_if<double>(&value)) {
                QVERIFY2(cell[u"t"].toString() == u"n", qPrintable(at));
                QVERIFY2(std::abs(cell[u"v"].toDouble() - *d) <= 1e-9 * std::max(1.0, std::abs(*d)),
                         qPrintable(at));
            } else if (const QString* s = std::get_if<QString>(&value)) {
                QVERIFY2(cell[u"t"].toString() == u"s", qPrintable(at));
                QCOMPARE(cell[u"v"].toString(), *s);
            } else {
                QVERIFY2(cell[u"v"].isNull(), qPrintable(at));
            }
            // Formats.
            const bool bold = cell[u"bold"].toBool();
            QVERIFY2(bold == (row == 4 && column <= 7), qPrintable(at));
            // The reader keeps no format for the hidden cells of a merged block.
            const auto merge = model.mergeAt(row, column);
            const bool hidden = merge && (merge->firstRow != row || merge->firstColumn != column);
            if (column == 8 || hidden || row > 36 + services)
                continue;
            QVERIFY2(cell[u"boxed"].toBool(), qPrintable(at)); // the printed table's borders
            const QString vertical = cell[u"va"].toString();
            const QString horizontal = cell[u"h"].toString();
            if (column == 1) {
                QVERIFY2(vertical.isEmpty() || vertical == u"bottom", qPrintable(at));
                QCOMPARE(horizontal, row <= 2 ? QStringLiteral("center") : QString());
                QVERIFY2(cell[u"wrap"].toBool(), qPrintable(at));
            } else {
                QVERIFY2(vertical == u"center", qPrintable(at));
                QVERIFY2(horizontal == u"center", qPrintable(at));
                QCOMPARE(cell[u"wrap"].toBool(), column == 2);
            }
            QCOMPARE(cell[u"f"].toString(), column >= 3 ? QStringLiteral("0") : QStringLiteral("General"));
        }
    }
    // A few cells a person would look at.
    QCOMPARE(cells[u"A1"].toObject()[u"v"].toString(), QStringLiteral("Наименование показателя"));
    QCOMPARE(cells[u"A12"].toObject()[u"v"].toString(), QStringLiteral("Услуга №2 - =1+1"));
    QCOMPARE(cells[u"B3"].toObject()[u"v"].toString(), QStringLiteral("Х"));
    QCOMPARE(cells[u"C3"].toObject()[u"v"].toDouble(), 0.0);
    QCOMPARE(cells[u"D3"].toObject()[u"v"].toString(), QStringLiteral("-"));
    QCOMPARE(cells[u"B15"].toObject()[u"v"].toDouble(), 900.0);
    QCOMPARE(cells[u"E25"].toObject()[u"v"].toDouble(), corrected ? 6600.55 * 0.95 : 6600.55);
    QVERIFY(cells[u"B13"].toObject()[u"v"].isNull());
}

void TestPlanGenerator::keptAsANewDocument_data() {
    QTest::addColumn<QString>("situation");
    QTest::newRow("no documents folder yet") << QStringLiteral("fresh");
    QTest::newRow("two presses in the same second") << QStringLiteral("twice");
    QTest::newRow("a file planted at the name") << QStringLiteral("file");
    QTest::newRow("a link planted at the name") << QStringLiteral("link");
    QTest::newRow("the documents folder cannot be written") << QStringLiteral("unwritable");
}

// Each press keeps a new file in "ПФХД" in the user's documents, named for what it
// is and when, and says where; nothing that is already there is replaced or
// written through.
void TestPlanGenerator::keptAsANewDocument() {
    QFETCH(QString, situation);
#ifndef Q_OS_UNIX
    QSKIP("the documents folder follows HOME on Unix only; tests/windows/run.sh keeps plans in a user's own");
#endif
    const QDir home(m_dir->path());
    QVERIFY(home.mkdir(QStringLiteral("tmp")));
    const EnvironmentScope environment({{"HOME", home.path()},
                                        {"XDG_CONFIG_HOME", home.filePath(QStringLiteral("config"))},
                                        {"TMPDIR", home.filePath(QStringLiteral("tmp"))}});

    const QString folder = home.filePath(QStringLiteral("Documents/ПФХД"));
    QCOMPARE(plansFolder(), folder);
    const QString first = folder + QStringLiteral("/ПФХД предварительный 2026-12-08 14-05-33.xlsx");
    const QString second = folder + QStringLiteral("/ПФХД предварительный 2026-12-08 14-05-33 (2).xlsx");
    const QString victim = home.filePath(QStringLiteral("victim.txt"));
    QFile victimFile(victim);
    QVERIFY(victimFile.open(QIODevice::WriteOnly) && victimFile.write("keep me") == 7);
    victimFile.close();
    if (situation == u"file" || situation == u"link")
        QVERIFY(QDir().mkpath(folder));
    if (situation == u"file")
        QVERIFY(QFile::copy(victim, first));
    if (situation == u"link")
        QVERIFY(QFile::link(victim, first));
    if (situation == u"unwritable") { // a file where the documents folder should be: not even root can write there
        QFile blocker(home.filePath(QStringLiteral("Documents")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    PlanState plan = fixture::makePlan(1);
    Opener opener;
    const QDateTime at(QDate(2026, 12, 8), QTime(14, 5, 33));
    const mode_t umaskBefore = ::umask(022);
    GenerationResult result = generatePreliminaryPlan(plan, opener.function(), {}, at);
    if (situation == u"twice") {
        QCOMPARE(result.filePath, first);
        result = generatePreliminaryPlan(plan, opener.function(), {}, at);
    }
    ::umask(umaskBefore);
    QVERIFY(result.written && result.opened);
    QCOMPARE(opener.opened.last(), result.filePath);
    if (situation == u"unwritable") {
        QVERIFY(result.inTemporaryFolder);
        QVERIFY(result.filePath.startsWith(home.filePath(QStringLiteral("tmp/"))));
        QCOMPARE(result.notices, QStringList{notices::savedInTemporaryFolder(folder, result.filePath)});
        QVERIFY(result.noticeText().contains(folder) && result.noticeText().contains(result.filePath));
    } else {
        QCOMPARE(result.filePath, situation == u"fresh" ? first : second);
        QCOMPARE(result.notices, QStringList{notices::saved(result.filePath)});
        QVERIFY(result.noticeText().contains(result.filePath));
        // Written in place: nothing hidden is left beside it, nothing in the temporary folder.
        QDir kept(folder);
        kept.setFilter(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QCOMPARE(kept.entryList().size(), situation == u"fresh" ? 1 : 2);
        QVERIFY(QDir(home.filePath(QStringLiteral("tmp"))).isEmpty());
    }
    QFile kept(result.filePath);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QVERIFY(kept.read(2) == "PK"); // a zip, as every workbook is
    // A document like others: readable as the user's umask allows (022 here).
    const QFile::Permissions shared =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QCOMPARE(QFile::permissions(result.filePath) & ~(QFile::ReadUser | QFile::WriteUser), shared);
    QVERIFY(victimFile.open(QIODevice::ReadOnly));
    QCOMPARE(victimFile.readAll(), QByteArray("keep me"));
    if (situation == u"link")
        QVERIFY(QFileInfo(first).isSymLink());
}

// As a spreadsheet application prints it: one page wide, every page with the
// header and all seven columns, and no text cut off by a row too low for it.
void TestPlanGenerator::printsAsATable() {
#ifndef Q_OS_UNIX
    QSKIP("printed by the Debian system's LibreOffice");
#endif
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QFAIL("LibreOffice and pdftotext are needed (./scripts/setup.sh installs them)");
    const QString longName = QStringLiteral("Подготовка к школе: занятия по развитию речи, математике и логическому "
                                            "мышлению для детей старшей группы, с раздаточными материалами");
    PlanState plan = fixture::makePlan(PlanState::kMaxServices);
    plan.service(7).name = longName;
    plan.institutionName = QStringLiteral("МБДОУ «Ромашка» & филиал");
    plan.settlementType = QStringLiteral("Сельский");
    plan.userSurname = QStringLiteral("Петрова");
    plan.userFirstInitial = QStringLiteral("А");
    plan.userPatronymicInitial = QStringLiteral("В");
    SheetModel sheet; // what the workbook holds, for the words to look for
    PlanState again = plan;
    plan::writePreliminaryPlan(again, sheet);
    Opener opener;
    const GenerationResult result = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QVERIFY(result.written);
    const QString book = m_dir->filePath(QStringLiteral("plan.xlsx"));
    QVERIFY(QFile::rename(result.filePath, book));

    QVERIFY(office::convert({book}, QStringLiteral("pdf"), m_dir->path(), m_dir->path()));
    // Every printed word with its box on the page.
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-bbox"), m_dir->filePath(QStringLiteral("plan.pdf")), QStringLiteral("-")});
    QVERIFY(text.waitForFinished(60000) && text.exitCode() == 0);
    struct Word {
        QRectF box;
        QString text;
    };
    QList<QList<Word>> pages;
    static const QRegularExpression element(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)<"));
    for (auto it = element.globalMatch(QString::fromUtf8(text.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0) == u"<page ") {
            pages.append(QList<Word>());
        } else if (!pages.isEmpty()) {
            const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
            pages.last().append({QRectF(topLeft, QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                                 m.captured(5)});
        }
    }

    // 76 rows, a few of them several lines tall: two to four landscape pages. A
    // page that lost columns to a second page across would lack the names or the
    // IV quarter.
    QVERIFY2(pages.size() >= 2 && pages.size() <= 4, qPrintable(QString::number(pages.size())));
    QString all;
    for (qsizetype number = 1; number <= pages.size(); ++number) {
        const QList<Word>& page = pages[number - 1];
        QString words;
        for (const Word& word : page)
            words += word.text + QLatin1Char(' ');
        words.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        QVERIFY(words.contains(QStringLiteral("Наименование показателя")));
        QVERIFY(words.contains(QStringLiteral("IV кв.")));
        // Whose plan, what, when and by whom, on every page; the page of how many.
        for (const QString& told : {QStringLiteral("МБДОУ «Ромашка» & филиал, тип НП: Сельский"),
                                    QStringLiteral("ПФХД предварительный"), QStringLiteral("Петрова А.В."),
                                    QStringLiteral("Страница %1 из %2").arg(number).arg(pages.size())})
            QVERIFY2(words.contains(told), qPrintable(QStringLiteral("page %1: %2").arg(number).arg(told)));
        QVERIFY2(
            words.contains(QRegularExpression(QStringLiteral("\\d\\d\\.\\d\\d\\.20\\d\\d \\d\\d:\\d\\d"))),
            qPrintable(words));
        // No page but the last ends on a caption whose details follow overleaf:
        // the table's lowest line (above the footer) is no "из них:".
        if (number < pages.size()) {
            double footer = 1e9, lowest = 0;
            for (const Word& word : page)
                if (word.text == QStringLiteral("Страница"))
                    footer = word.box.top();
            QString lowestLine;
            for (const Word& word : page)
                if (word.box.bottom() < footer - 1 && word.box.top() > lowest + 2) {
                    lowest = word.box.top();
                    lowestLine = word.text;
                } else if (word.box.bottom() < footer - 1 && std::abs(word.box.top() - lowest) <= 2) {
                    lowestLine += QLatin1Char(' ') + word.text;
                }
            QVERIFY2(!lowestLine.startsWith(QStringLiteral("из них")) &&
                         !lowestLine.startsWith(QStringLiteral("в том числе")),
                     qPrintable(QStringLiteral("page %1 ends on %2").arg(number).arg(lowestLine)));
        }
        all += words;
        // No text is printed over another: a row too low for its wrapped text
        // would run into the rows around it.
        // (A word's box reaches a little into the lines above and below it.)
        const auto core = [](const QRectF& box) {
            return box.adjusted(0.5, box.height() / 4, -0.5, -box.height() / 4);
        };
        for (qsizetype i = 0; i < page.size(); ++i)
            for (qsizetype j = i + 1; j < page.size(); ++j)
                QVERIFY2(!core(page[i].box).intersects(core(page[j].box)),
                         qPrintable(page[i].text + QStringLiteral(" over ") + page[j].text));
    }
    // Every word of every name and code is printed.
    for (int row = 1; row <= sheet.lastRow(); ++row)
        for (int column = 1; column <= 2; ++column)
            if (const CellValue value = sheet.value(row, column); std::holds_alternative<QString>(value))
                for (const QString& word : std::get<QString>(value).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    QVERIFY2(all.contains(word), qPrintable(QStringLiteral("row %1: %2").arg(row).arg(word)));
}

void TestPlanGenerator::programFolder_data() {
    QTest::addColumn<QString>("inTheWay"); // what occupies "planium" beforehand
    QTest::addColumn<bool>("usesUsualName");
    QTest::newRow("nothing") << QString() << true;
    QTest::newRow("own folder left open to others") << QStringLiteral("open folder") << true;
    QTest::newRow("a file") << QStringLiteral("file") << false;
    QTest::newRow("a link to another folder") << QStringLiteral("link") << false;
}

void TestPlanGenerator::programFolder() {
    QFETCH(QString, inTheWay);
    QFETCH(bool, usesUsualName);

    // TMPDIR on Unix, TMP and TEMP on Windows.
    const QString temporary = m_dir->path();
    const EnvironmentScope environment({{"TMPDIR", temporary}, {"TMP", temporary}, {"TEMP", temporary}});
    const QString usual = QDir(m_dir->path()).filePath(QStringLiteral("planium"));
    if (inTheWay == u"open folder") {
        QVERIFY(QDir().mkdir(usual));
        QVERIFY(QFile::setPermissions(usual, QFile::Permissions(0x7777)));
    } else if (inTheWay == u"file") {
        QFile file(usual);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (inTheWay == u"link") {
        QVERIFY(QDir().mkdir(usual + QStringLiteral("-elsewhere")));
        QVERIFY(QFile::link(usual + QStringLiteral("-elsewhere"), usual));
    }

    QString error;
    const QString folder = workbook::outputFolder(&error);

    QVERIFY2(!folder.isEmpty(), qPrintable(error));
    QCOMPARE(QFileInfo(folder).absolutePath(), QFileInfo(m_dir->path()).absoluteFilePath());
    QCOMPARE(folder == usual, usesUsualName);
    const QFileInfo info(folder);
    QVERIFY(info.isDir() && !info.isSymLink());
#ifdef Q_OS_UNIX
    QCOMPARE(info.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
}

void TestPlanGenerator::fileCannotBeWritten_data() {
    QTest::addColumn<bool>("documentsWritable");
    QTest::newRow("no temporary folder, the documents folder is fine") << true;
    QTest::newRow("nowhere to write at all") << false;
}

// The temporary folder missing (or full) does not matter while the documents
// folder takes the plan; with neither, the notice names the folder that was tried.
void TestPlanGenerator::fileCannotBeWritten() {
    QFETCH(bool, documentsWritable);
    PlanState plan = fixture::makePlan(2);
    const PlanState before = plan;
    Opener opener;
    const QString missing = m_dir->filePath(QStringLiteral("no such folder"));
    const QString documents = documentsWritable ? m_dir->path() : QStringLiteral("/proc/ПФХД");
    GenerationResult result;
    {
        const QString& temporary = missing;
        const EnvironmentScope environment({{"TMPDIR", temporary}, {"TMP", temporary}, {"TEMP", temporary}});
        result = generatePreliminaryPlan(plan, opener.function(), documents);
    }
    QVERIFY(!QFileInfo::exists(missing));
    if (documentsWritable) {
        QVERIFY2(result.written && result.opened && !result.inTemporaryFolder, qPrintable(result.error));
        QCOMPARE(QFileInfo(result.filePath).absolutePath(), QFileInfo(m_dir->path()).absoluteFilePath());
        QCOMPARE(result.notices, QStringList{notices::saved(result.filePath)});
        return;
    }
    QVERIFY(!result.written);
    QVERIFY(!result.opened);
    QVERIFY(result.filePath.isEmpty());
    QVERIFY(!result.error.isEmpty());
    QVERIFY(opener.opened.isEmpty());
    QCOMPARE(result.notices, QStringList{notices::writeFailed(documents)});
    QVERIFY(QDir(m_dir->path()).isEmpty());
    // The plan state is as a successful generation leaves it, and the next try works.
    const GenerationResult retry = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QVERIFY(retry.written);
    QVERIFY(plan.subsidyQ != before.subsidyQ);
}

void TestPlanGenerator::renderFailureIsReported()
{
    PlanState plan = fixture::makePlan(1);
    SheetModel sheet;
    plan::writePreliminaryPlan(plan, sheet);
    const QString path = QDir(m_dir->path()).filePath(QStringLiteral("missing/plan.xlsx"));
    QVERIFY(!workbook::renderXlsx(sheet, path).isEmpty());
    QVERIFY(!QFileInfo::exists(path));
}

void TestPlanGenerator::nothingOpensTheFile_data() {
    QTest::addColumn<int>("opener"); // 0 refuses, 1 missing, 2 throws
    QTest::newRow("refused") << 0;
    QTest::newRow("no opener") << 1;
    QTest::newRow("opener throws") << 2;
}

void TestPlanGenerator::nothingOpensTheFile() {
    QFETCH(int, opener);
    PlanOpener open;
    if (opener == 0)
        open = [](const QString&) { return false; };
    else if (opener == 2)
        open = [](const QString&) -> bool { throw std::runtime_error("no handler"); };

    PlanState plan = fixture::makePlan(0);
    const GenerationResult result = generatePreliminaryPlan(plan, open, m_dir->path());
    QVERIFY(result.written);
    QVERIFY(!result.opened);
    QVERIFY(QFileInfo::exists(result.filePath));
    QCOMPARE(result.notices, QStringList{notices::openFailed(result.filePath)});
    QVERIFY(result.noticeText().contains(QDir::toNativeSeparators(result.filePath)));
}

void TestPlanGenerator::zeroNeedIsReported() {
    PlanState plan;
    plan.founderSubsidy = fixture::fixed("1000");
    Opener opener;
    const GenerationResult result = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QVERIFY(result.written && result.opened);
    QCOMPARE(result.notices, (QStringList{notices::evenSubsidySplit(), notices::saved(result.filePath)}));
    for (const TaggedValue& share : plan.subsidyQ)
        QCOMPARE(share.numeric(), 250.0);
}

void TestPlanGenerator::correctedPlanFile() {
    PlanState plan = fixture::makePlan(3);
    fixture::enterAdjustment(plan);
    const PlanState before = plan;
    Opener opener;
    const GenerationResult result = generateCorrectedPlan(plan, opener.function(), m_dir->path());
    QVERIFY(result.written && result.opened);
    QVERIFY(QFileInfo(result.filePath).fileName().startsWith(QStringLiteral("ПФХД скорректированный 20")));
    QCOMPARE(result.notices, QStringList{notices::saved(result.filePath)});
    QVERIFY(plan.wages.total == before.wages.total);
    QVERIFY(plan.paidRevenue.q == before.paidRevenue.q);
}

void TestPlanGenerator::textsXmlForbids_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shown");
    const QString replaced = QStringLiteral("Лепка") + QChar(QChar::ReplacementCharacter) + QStringLiteral("глина");
    QTest::newRow("NUL") << QStringLiteral("Лепка") + QChar(0) + QStringLiteral("глина") << replaced;
    QTest::newRow("escape") << QStringLiteral("Лепка\x1bглина") << replaced;
    QTest::newRow("U+FFFE") << QStringLiteral("Лепка") + QChar(0xFFFE) + QStringLiteral("глина") << replaced;
    QTest::newRow("U+FFFF") << QStringLiteral("Лепка") + QChar(0xFFFF) + QStringLiteral("глина") << replaced;
    QTest::newRow("lone high surrogate")
        << QStringLiteral("Лепка") + QChar(0xD83D) + QStringLiteral("глина") << replaced;
    QTest::newRow("lone low surrogate")
        << QStringLiteral("Лепка") + QChar(0xDE00) + QStringLiteral("глина") << replaced;
    const QString allowed = QStringLiteral("Лепка\tиз\nглины ") + QString::fromUtf8("\xF0\x9F\x8E\xA8");
    QTest::newRow("tab, line feed, beyond the basic plane") << allowed << allowed;
    // Runs that read like the format's escapes of characters are kept as typed
    // (openpyxl undoes only the escaped underscore; LibreOffice and the writer's
    // fuzzer check the rest).
    for (const char* typed : {"Бассейн_x000D_", "_x0041_x0042_", "_X000d__x00e9_"})
        QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(typed);
}

// A service name pasted with a character that XML does not allow still gives a
// workbook that readers accept, with the rest of the name and every later text.
void TestPlanGenerator::textsXmlForbids() {
    QFETCH(QString, pasted);
    QFETCH(QString, shown);
    if (!haveOpenpyxl())
        QSKIP("/usr/bin/python3 with openpyxl is needed to read the workbook back");
    PlanState plan = fixture::makePlan(2);
    plan.service(1).name = pasted;
    Opener opener;
    const GenerationResult result = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QVERIFY(result.written);
    const QJsonObject cells = dump(result.filePath)[u"cells"].toObject();
    QCOMPARE(cells[u"A11"].toObject()[u"v"].toString(), QStringLiteral("Услуга №1 - ") + shown);
    QCOMPARE(cells[u"A12"].toObject()[u"v"].toString(), QStringLiteral("Услуга №2 - Кружок 2"));
    QCOMPARE(cells[u"A38"].toObject()[u"v"].toString(), QStringLiteral("Объем публичных обязательств, всего"));
}

// What spreadsheet applications make of texts that read like the format's own
// escapes, and of a name of a megabyte: openpyxl and LibreOffice both give back
// the cell as typed (as much as a cell holds), the row no taller than allowed.
void TestPlanGenerator::textsReadBackExactly() {
#ifndef Q_OS_UNIX
    QSKIP("read back by the Debian system's Python and LibreOffice");
#endif
    if (!haveOpenpyxl() || QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        QFAIL("openpyxl and LibreOffice are needed (./scripts/setup.sh installs them)");
    const QString prefix = QStringLiteral("Услуга №1 - ");
    const QStringList names{QStringLiteral("Бассейн_x000D_ и a_x005F_b\rвторая строка"),
                            QStringLiteral("Занятие ").repeated(131072)};
    QStringList books;
    for (const QString& name : names) {
        PlanState plan = fixture::makePlan(1);
        plan.service(1).name = name;
        Opener opener;
        const GenerationResult result = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
        QVERIFY2(result.written, qPrintable(result.error));
        books << m_dir->filePath(QStringLiteral("plan%1.xlsx").arg(books.size() + 1));
        QVERIFY(QFile::rename(result.filePath, books.last()));
    }
    // The long one as openpyxl reads it: as much as a cell holds, in the tallest row allowed.
    const QJsonObject book = dump(books.last());
    QCOMPARE(book[u"cells"].toObject()[u"A11"].toObject()[u"v"].toString(),
             (prefix + names.last()).left(32767));
    QCOMPARE(book[u"heights"].toObject()[u"11"].toDouble(), workbook::kMaxRowPoints);

    QVERIFY(office::convert(books,
                            QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true"),
                            m_dir->path(), m_dir->path()));
    for (qsizetype i = 0; i < books.size(); ++i) {
        QProcess python;
        python.start(
            kPython,
            {QStringLiteral("-c"),
             QStringLiteral("import csv, sys\n"
                            "rows = list(csv.reader(open(sys.argv[1], encoding='utf-8', newline='')))\n"
                            "sys.stdout.write(rows[10][0])"),
             QString(books[i]).replace(QStringLiteral(".xlsx"), QStringLiteral(".csv"))});
        QVERIFY(python.waitForFinished(60000) && python.exitCode() == 0);
        const QString expected = (prefix + names[i]).left(32767);
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()), expected);
    }
}

void TestPlanGenerator::amountsBeyondADouble_data() {
    QTest::addColumn<bool>("corrected");
    QTest::newRow("preliminary") << false;
    QTest::newRow("corrected") << true;
}

// Two accepted quarters of 1e308 add up to more than a double holds: such a plan
// is refused like one beyond the fixed-point range, with no file and no "inf".
void TestPlanGenerator::amountsBeyondADouble() {
    QFETCH(bool, corrected);
    PlanState plan = fixture::makePlan(1);
    if (corrected)
        fixture::enterAdjustment(plan);
    plan.investments.q[0] = "1e308";
    plan.investments.q[1] = "1e308";
    plan.investments.total = 2 * numbers::toNumber(u"1e308");
    const auto subsidyBefore = plan.subsidyQ;
    Opener opener;
    const GenerationResult result = corrected ? generateCorrectedPlan(plan, opener.function(), m_dir->path())
                                              : generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QVERIFY(!result.written);
    QVERIFY(opener.opened.isEmpty());
    QCOMPARE(result.notices, QStringList{notices::outOfRange()});
    QVERIFY(QDir(m_dir->path()).isEmpty());
    QVERIFY(plan.subsidyQ == subsidyBefore);
}

QTEST_GUILESS_MAIN(TestPlanGenerator)
#include "test_plan_generator.moc"
