#include "workbook/plan_generator.h"

#include "state/user_folders.h"

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

QString withoutDataKept(const QString& notice) {
    QString said = notice;
    return said.replace(QStringLiteral("Введённые данные сохранены, ПФХД"), QStringLiteral("ПФХД"));
}

QString folderOpenFailed(const QString& folder) {
    return QStringLiteral("Открыть папку не удалось. Откройте её вручную: %1")
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

workbook::Presentation planPresentation() {
    workbook::Presentation presentation;
    presentation.sheetName = QStringLiteral("Лист1");
    presentation.rowsFitText = true;
    presentation.printLandscapeOnePageWide = true;
    presentation.repeatedRows = 2;
    presentation.cellBorders = true;
    return presentation;
}

namespace {

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

    // Written once, straight where people keep documents.
    const QString folder = requestedFolder.isEmpty() ? plansFolder() : requestedFolder;
    if (QDir().mkpath(folder))
        result.filePath = workbook::writeNewWorkbook(sheet, folder, name, planPresentation(), &result.error);
    else
        result.error = QStringLiteral("cannot create the folder");
    if (result.filePath.isEmpty()) {
        // Or else into the program's private temporary folder, and the notice says so.
        const QString whyNotKept = result.error;
        const QString scratchFolder = workbook::outputFolder(&result.error);
        if (!scratchFolder.isEmpty())
            result.filePath =
                workbook::writeNewWorkbook(sheet, scratchFolder, name, planPresentation(), &result.error);
        if (result.filePath.isEmpty()) {
            // A fresh folder made for this press goes again.
            if (!scratchFolder.isEmpty() && QFileInfo(scratchFolder).fileName() != QStringLiteral("planium"))
                QDir().rmdir(scratchFolder);
            result.error = whyNotKept + QStringLiteral("; ") + result.error;
            result.notices << notices::writeFailed(folder);
            return result;
        }
        result.inTemporaryFolder = true;
        result.notices << notices::savedInTemporaryFolder(folder, result.filePath);
    }
    result.written = true;

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

// One plan: its sheet laid out by the given writer, described for the printout, published.
GenerationResult generate(PlanState& state, plan::LayoutOutcome (*write)(PlanState&, SheetWriter&),
                          const QString& kind, const PlanOpener& open, const QString& folder, const QDateTime& at) {
    SheetModel sheet;
    const plan::LayoutOutcome outcome = write(state, sheet);
    const QDateTime when = at.isValid() ? at : QDateTime::currentDateTime();
    plan::describePrintout(state, kind, when, sheet);
    return publish(sheet, outcome, kind, open, folder, when);
}

} // namespace

void GenerationResult::openingFailed() {
    if (!written || !opened)
        return;
    opened = false;
    notices.removeAll(notices::saved(filePath));
    notices << notices::openFailed(filePath);
}

QString plansFolder() {
    return QDir(userFolders::documents()).filePath(QStringLiteral("ПФХД"));
}

GenerationResult refusedOutOfRange() {
    GenerationResult result;
    result.notices << notices::outOfRange();
    result.error = QStringLiteral("amounts beyond the fixed-point range");
    return result;
}

GenerationResult generatePreliminaryPlan(PlanState& state, const PlanOpener& open, const QString& folder,
                                         const QDateTime& at) {
    return generate(state, plan::writePreliminaryPlan, QStringLiteral("предварительный"), open, folder, at);
}

GenerationResult generateCorrectedPlan(PlanState& state, const PlanOpener& open, const QString& folder,
                                       const QDateTime& at) {
    return generate(state, plan::writeCorrectedPlan, QStringLiteral("скорректированный"), open, folder, at);
}
