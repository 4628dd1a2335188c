#include "workbook/plan_generator.h"

#include "workbook/plan_layout.h"
#include "workbook/sheet_model.h"
#include "workbook/xlsx_renderer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <exception>

namespace notices {

QString evenSubsidySplit() {
    return QStringLiteral("Выплаты за год полностью покрываются платными услугами и бюджетными инвестициями, "
                          "поэтому субсидия на выполнение государственного задания разделена между "
                          "кварталами поровну.");
}

QString saved(const QString& path) {
    return QStringLiteral("ПФХД сохранён: %1").arg(QDir::toNativeSeparators(path));
}

QString savedInTemporaryFolder(const QString& plansFolder, const QString& path) {
    return QStringLiteral("В папку «%1» записать не удалось, поэтому ПФХД сохранён во временную папку: %2. "
                          "Сохраните его в другом месте: временные файлы могут быть удалены.")
        .arg(QDir::toNativeSeparators(plansFolder), QDir::toNativeSeparators(path));
}

QString writeFailed(const QString& folder) {
    return QStringLiteral("Не удалось записать файл ПФХД в папку «%1». Проверьте, есть ли место на диске и "
                          "права на запись. Введённые данные сохранены, ПФХД можно сформировать ещё раз.")
        .arg(QDir::toNativeSeparators(folder));
}

QString openFailed(const QString& path) {
    return QStringLiteral("Файл ПФХД сохранён, но открыть его не удалось. Откройте его вручную: %1")
        .arg(QDir::toNativeSeparators(path));
}

QString outOfRange() {
    return QStringLiteral("Суммы плана выходят за пределы, которые программа может хранить (около 922 триллионов "
                          "рублей). ПФХД не сформирован: исправьте введённые значения.");
}

} // namespace notices

namespace {

// How every plan is presented: a Russian sheet name, rows as tall as their texts,
// a printed table.
workbook::Presentation planPresentation() {
    workbook::Presentation presentation;
    presentation.sheetName = QStringLiteral("Лист1");
    presentation.rowsFitText = true;
    presentation.printLandscapeOnePageWide = true;
    presentation.repeatedRows = 2;
    presentation.cellBorders = true;
    return presentation;
}

// Copies the finished workbook into a new file of the folder, named `name` or, when
// that is taken, "name (2)", "name (3)" …; the file is created exclusively, so an
// existing file or link is never written through. The path, or empty with the reason.
QString keepNewFile(const QByteArray& bytes, const QString& folder, const QString& name, QString* error) {
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder");
        return {};
    }
    for (int n = 1; n <= 1000; ++n) {
        const QString path = QDir(folder).filePath(
            (n == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(n)) + QStringLiteral(".xlsx"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
            const bool complete = file.write(bytes) == bytes.size() && file.flush();
            file.close();
            if (complete)
                return path;
            *error = file.errorString();
            QFile::remove(path); // half a workbook helps nobody
            return {};
        }
        const QFileInfo taken(path);
        if (!taken.exists() && !taken.isSymLink()) {
            *error = file.errorString();
            return {};
        }
    }
    *error = QStringLiteral("every name is taken");
    return {};
}

// Writes the finished sheet into a new file and hands it to the opener.
GenerationResult publish(const SheetModel& sheet, const plan::LayoutOutcome& outcome, const QString& kind,
                         const PlanOpener& open, const QString& requestedFolder, const QDateTime& at) {
    if (outcome.outOfRange)
        return refusedOutOfRange();
    GenerationResult result;
    if (outcome.evenSplit)
        result.notices << notices::evenSubsidySplit();

    // Named for what it is and when.
    const QString name = QStringLiteral("ПФХД %1 %2")
                             .arg(kind, (at.isValid() ? at : QDateTime::currentDateTime())
                                            .toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));

    // The workbook is made in the program's private temporary folder first.
    const QString scratchFolder = workbook::outputFolder(&result.error);
    QString scratch;
    if (!scratchFolder.isEmpty())
        scratch = workbook::createUniqueFile(scratchFolder, name, &result.error);
    QByteArray bytes;
    if (!scratch.isEmpty()) {
        result.error = workbook::renderXlsx(sheet, scratch, planPresentation());
        QFile made(scratch);
        if (result.error.isEmpty() && made.open(QIODevice::ReadOnly))
            bytes = made.readAll();
        if (bytes.isEmpty()) {
            QFile::remove(scratch);
            if (result.error.isEmpty())
                result.error = made.errorString();
        }
    }
    if (bytes.isEmpty()) {
        result.notices << notices::writeFailed(scratchFolder.isEmpty() ? workbook::temporaryLocation() : scratchFolder);
        return result;
    }
    result.written = true;

    // Then it is kept where people keep documents, or else where it was made.
    const QString folder = requestedFolder.isEmpty() ? plansFolder() : requestedFolder;
    QString whyNotKept;
    result.filePath = keepNewFile(bytes, folder, name, &whyNotKept);
    if (!result.filePath.isEmpty()) {
        QFile::remove(scratch);
    } else {
        result.filePath = scratch;
        result.inTemporaryFolder = true;
        result.error = whyNotKept;
        result.notices << notices::savedInTemporaryFolder(folder, scratch);
    }

    try {
        result.opened = open && open(result.filePath);
    } catch (const std::exception&) {
        result.opened = false;
    }
    if (!result.opened)
        result.notices << notices::openFailed(result.filePath);
    else if (!result.inTemporaryFolder)
        result.notices << notices::saved(result.filePath);
    return result;
}

} // namespace

QString plansFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("ПФХД"));
}

GenerationResult refusedOutOfRange() {
    GenerationResult result;
    result.notices << notices::outOfRange();
    result.error = QStringLiteral("amounts beyond the fixed-point range");
    return result;
}

GenerationResult generatePreliminaryPlan(PlanState& state, const PlanOpener& open, const QString& folder,
                                         const QDateTime& at) {
    SheetModel sheet;
    const plan::LayoutOutcome outcome = plan::writePreliminaryPlan(state, sheet);
    const QDateTime when = at.isValid() ? at : QDateTime::currentDateTime();
    const QString kind = QStringLiteral("предварительный");
    plan::describePrintout(state, kind, when, sheet);
    return publish(sheet, outcome, kind, open, folder, when);
}

GenerationResult generateCorrectedPlan(PlanState& state, const PlanOpener& open, const QString& folder,
                                       const QDateTime& at) {
    SheetModel sheet;
    const plan::LayoutOutcome outcome = plan::writeCorrectedPlan(state, sheet);
    const QDateTime when = at.isValid() ? at : QDateTime::currentDateTime();
    const QString kind = QStringLiteral("скорректированный");
    plan::describePrintout(state, kind, when, sheet);
    return publish(sheet, outcome, kind, open, folder, when);
}
