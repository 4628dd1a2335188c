#include "state/number_rules.h"
#include "workbook/plan_fixture.h"
#include "workbook/plan_generator.h"
#include "workbook/plan_layout.h"
#include "workbook/sheet_model.h"
#include "workbook/xlsx_renderer.h"

#include <QtTest>

#include <cmath>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Dumps the first worksheet as JSON: every cell of A1:H(last row + 1) with its
// value, type, number format, alignment and boldness; merges; column widths.
const char* const kDumpScript = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
out = {"sheets": len(book.worksheets), "max_row": sheet.max_row,
       "merges": sorted(str(r) for r in sheet.merged_cells.ranges),
       "widths": {c: sheet.column_dimensions[c].width for c in "ABCDEFG"}, "cells": {}}
for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row + 1, max_col=8):
    for c in row:
        out["cells"][c.coordinate] = {"v": c.value, "t": c.data_type, "f": c.number_format,
            "h": c.alignment.horizontal, "va": c.alignment.vertical,
            "wrap": bool(c.alignment.wrap_text), "bold": bool(c.font.bold)}
print(json.dumps(out, ensure_ascii=False))
)";

bool haveOpenpyxl() {
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

    void workbookReadsBack();
    void everyGenerationMakesANewPrivateFile();
    void programFolder_data();
    void programFolder();
    void fileCannotBeWritten();
    void renderFailureIsReported();
    void nothingOpensTheFile_data();
    void nothingOpensTheFile();
    void zeroNeedIsReported();
    void correctedPlanFile();
    void textsXmlForbids_data();
    void textsXmlForbids();
    void amountsBeyondADouble_data();
    void amountsBeyondADouble();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPlanGenerator::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestPlanGenerator::workbookReadsBack() {
    if (!haveOpenpyxl())
        QSKIP("/usr/bin/python3 with openpyxl is needed to read the workbook back");

    const int services = 2;
    PlanState plan = fixture::makePlan(services);
    plan.service(2).name = QStringLiteral("=1+1");
    plan.communication.q[1] = "6600,55";
    Opener opener;
    const GenerationResult result = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QVERIFY2(result.written, qPrintable(result.error));
    QVERIFY(result.opened);
    QCOMPARE(opener.opened, QStringList{result.filePath});
    QVERIFY(result.notices.isEmpty());

    // The model the file was made from, for comparison.
    PlanState again = fixture::makePlan(services);
    again.service(2).name = QStringLiteral("=1+1");
    again.communication.q[1] = "6600,55";
    SheetModel model;
    plan::writePreliminaryPlan(again, model);

    const QJsonObject book = dump(result.filePath);
    QVERIFY(!book.isEmpty());
    QCOMPARE(book[u"sheets"].toInt(), 1);
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
    QCOMPARE(cells[u"B14"].toObject()[u"v"].toDouble(), 900.0);
    QCOMPARE(cells[u"E24"].toObject()[u"v"].toDouble(), 6600.55);
    QVERIFY(cells[u"B12"].toObject()[u"v"].isNull());
}

void TestPlanGenerator::everyGenerationMakesANewPrivateFile() {
    PlanState plan = fixture::makePlan(1);
    Opener opener;
    const GenerationResult first = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    QFile firstFile(first.filePath);
    QVERIFY(firstFile.open(QIODevice::ReadOnly));
    const QByteArray firstBytes = firstFile.readAll();
    firstFile.close();
    const GenerationResult second = generatePreliminaryPlan(plan, opener.function(), m_dir->path());
    const GenerationResult third = generateCorrectedPlan(plan, opener.function(), m_dir->path());

    QVERIFY(first.written && second.written && third.written);
    QCOMPARE(QSet<QString>({first.filePath, second.filePath, third.filePath}).size(), 3);
    QCOMPARE(opener.opened, (QStringList{first.filePath, second.filePath, third.filePath}));
    for (const QString& path : opener.opened) {
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(m_dir->path()).absoluteFilePath());
        QVERIFY(path.endsWith(QStringLiteral(".xlsx")));
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner);
    }
    QFile again(first.filePath);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), firstBytes);
    // Only the three workbooks: the library's scratch files are gone.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
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

    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
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
    qputenv("TMPDIR", oldTmp);

    QVERIFY2(!folder.isEmpty(), qPrintable(error));
    QCOMPARE(QFileInfo(folder).absolutePath(), QFileInfo(m_dir->path()).absoluteFilePath());
    QCOMPARE(folder == usual, usesUsualName);
    const QFileInfo info(folder);
    QVERIFY(info.isDir() && !info.isSymLink());
    QCOMPARE(info.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestPlanGenerator::fileCannotBeWritten() {
    PlanState plan = fixture::makePlan(2);
    const PlanState before = plan;
    Opener opener;
    const QString folder = QStringLiteral("/dev/null/planium");
    const GenerationResult result = generatePreliminaryPlan(plan, opener.function(), folder);

    QVERIFY(!result.written);
    QVERIFY(!result.opened);
    QVERIFY(result.filePath.isEmpty());
    QVERIFY(!result.error.isEmpty());
    QVERIFY(opener.opened.isEmpty());
    QCOMPARE(result.notices, QStringList{notices::writeFailed(folder)});
    QVERIFY(result.noticeText().contains(folder));
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
    QCOMPARE(result.notices, QStringList{notices::evenSubsidySplit()});
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
    QVERIFY(QFileInfo(result.filePath).fileName().startsWith(QStringLiteral("ПФХД-скорректированный-")));
    QVERIFY(result.notices.isEmpty());
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
