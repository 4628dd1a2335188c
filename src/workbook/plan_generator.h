#pragma once

#include "state/plan_state.h"

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
    QStringList notices; // Russian texts for the screen, in the order they arose
    QString error;       // technical reason of a failure, for diagnostics

    QString noticeText() const { return notices.join(QLatin1Char('\n')); }
};

// The preliminary plan: updates the paid-service figures, wages, other expenses
// and subsidyQ in the plan state, writes a new workbook into `folder` (by default
// the program's own folder under the temporary location) and opens it. Never
// throws; every failure is reported in the result with the plan state intact.
GenerationResult generatePreliminaryPlan(PlanState& state, const PlanOpener& open,
                                         const QString& folder = {});

// The corrected plan from the amounts as the adjustment left them; writes only
// subsidyQ back.
GenerationResult generateCorrectedPlan(PlanState& state, const PlanOpener& open, const QString& folder = {});

// What a press gives when the plan's amounts cannot be held: no file, the notice why.
GenerationResult refusedOutOfRange();

// The notices a result may carry.
namespace notices {
QString evenSubsidySplit();
QString writeFailed(const QString& folder);
QString openFailed(const QString& path);
QString outOfRange();
} // namespace notices
