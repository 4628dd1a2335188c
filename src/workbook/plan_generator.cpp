#include "workbook/plan_generator.h"

#include "workbook/plan_layout.h"
#include "workbook/sheet_model.h"
#include "workbook/xlsx_renderer.h"

#include <QDir>
#include <QFile>

#include <exception>

namespace notices {

QString evenSubsidySplit() {
    return QStringLiteral("Выплаты за год полностью покрываются платными услугами и бюджетными инвестициями, "
                          "поэтому субсидия на выполнение государственного задания разделена между "
                          "кварталами поровну.");
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

// Writes the finished sheet into a new file and hands it to the opener.
GenerationResult publish(const SheetModel& sheet, const plan::LayoutOutcome& outcome, const QString& stem,
                         const PlanOpener& open, const QString& requestedFolder) {
    if (outcome.outOfRange)
        return refusedOutOfRange();
    GenerationResult result;
    if (outcome.evenSplit)
        result.notices << notices::evenSubsidySplit();

    QString folder = requestedFolder;
    if (folder.isEmpty())
        folder = workbook::outputFolder(&result.error);
    if (!folder.isEmpty())
        result.filePath = workbook::createUniqueFile(folder, stem, &result.error);
    if (!result.filePath.isEmpty()) {
        result.error = workbook::renderXlsx(sheet, result.filePath);
        if (result.error.isEmpty()) {
            result.written = true;
        } else {
            QFile::remove(result.filePath); // a half-written workbook helps nobody
            result.filePath.clear();
        }
    }
    if (!result.written) {
        result.notices << notices::writeFailed(folder.isEmpty() ? QDir::tempPath() : folder);
        return result;
    }

    try {
        result.opened = open && open(result.filePath);
    } catch (const std::exception&) {
        result.opened = false;
    }
    if (!result.opened)
        result.notices << notices::openFailed(result.filePath);
    return result;
}

} // namespace

GenerationResult refusedOutOfRange() {
    GenerationResult result;
    result.notices << notices::outOfRange();
    result.error = QStringLiteral("amounts beyond the fixed-point range");
    return result;
}

GenerationResult generatePreliminaryPlan(PlanState& state, const PlanOpener& open, const QString& folder) {
    SheetModel sheet;
    const plan::LayoutOutcome outcome = plan::writePreliminaryPlan(state, sheet);
    return publish(sheet, outcome, QStringLiteral("ПФХД"), open, folder);
}

GenerationResult generateCorrectedPlan(PlanState& state, const PlanOpener& open, const QString& folder) {
    SheetModel sheet;
    const plan::LayoutOutcome outcome = plan::writeCorrectedPlan(state, sheet);
    return publish(sheet, outcome, QStringLiteral("ПФХД-скорректированный"), open, folder);
}
