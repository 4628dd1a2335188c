#pragma once

#include "state/plan_state.h"
#include "workbook/xlsx_renderer.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

// Opens a finished workbook with the desktop's application for it; returns
// whether that worked. The user interface passes one built on the desktop
// services, e.g.
//     [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
// (a test's QDesktopServices::setUrlHandler("file", ...) then catches it); core
// tests pass their own so that nothing pops up.
using PlanOpener = std::function<bool(const QString& path)>;

// What became of one press of "Сформировать ПФХД". The screen shows
// noticeText() when it is not empty, without blocking.
struct GenerationResult {
    QString filePath; // the new workbook; empty when none could be written
    bool written = false;
    bool opened = false;
    bool inTemporaryFolder = false; // the plans folder could not take it
    QStringList notices; // Russian texts for the screen, in the order they arose
    QString error;       // technical reason of a failure, for diagnostics

    QString noticeText() const { return notices.join(QLatin1Char('\n')); }
    // The opener took the file but then reported that it could not open it: the
    // notice says so instead of only where the file is.
    void openingFailed();
    // Written where it belongs and opened: the notices only inform.
    bool wentWell() const { return written && opened && !inTemporaryFolder; }
};

// Where new plans are kept: the folder "ПФХД" in the user's documents.
QString plansFolder();

// How every plan is presented: a Russian sheet name, rows as tall as their texts,
// a printed table with borders.
workbook::Presentation planPresentation();

// The preliminary plan: updates the paid-service figures, wages, other expenses
// and subsidyQ in the plan state, writes a new workbook into `folder` (by default
// plansFolder(), created if missing) named for what it is and when (`at`, by
// default now): "ПФХД предварительный 2026-12-08 14-05-33.xlsx", " (2)" … when
// that name is taken. The file is written once, in place, and is on the disk
// before it gets its name, so nothing at that name is replaced or written
// through. When the folder cannot take it, the workbook goes into the program's
// private temporary folder and the notice says so. Then it is opened. Never throws; every failure is reported
// in the result with the plan state intact.
GenerationResult generatePreliminaryPlan(PlanState& state, const PlanOpener& open, const QString& folder = {},
                                         const QDateTime& at = {});

// The corrected plan ("ПФХД скорректированный …") from the amounts as the
// adjustment left them; writes only subsidyQ back.
GenerationResult generateCorrectedPlan(PlanState& state, const PlanOpener& open, const QString& folder = {},
                                       const QDateTime& at = {});

// What a press gives when the plan's amounts cannot be held: no file, the notice why.
GenerationResult refusedOutOfRange();

// The notices a result may carry.
namespace notices {
QString evenSubsidySplit();
QString saved(const QString& path);
QString savedInTemporaryFolder(const QString& plansFolder, const QString& path);
QString writeFailed(const QString& folder);
// The same notice without saying that the data entered is kept (while the draft
// of the plan cannot be saved).
QString withoutDataKept(const QString& notice);
QString openFailed(const QString& path);
QString folderOpenFailed(const QString& folder);
QString outOfRange();
} // namespace notices
