#pragma once

// Plans as the entry screens and the preliminary plan screen leave them, for the
// workbook tests and benchmark.

#include "calc/adjustment.h"
#include "calc/paid_services.h"
#include "calc/preliminary.h"
#include "state/plan_state.h"

#include <QLocale>
#include <QString>

namespace fixture {

inline TaggedValue fixed(const char* text) {
    return *FixedAmount::fromText(QString::fromUtf8(text), QLocale(QLocale::Russian, QLocale::Russia));
}

// Quarters typed as texts (kopecks with a decimal comma), the total as their sum,
// the way quarterly entry stores a category.
inline void enterQuarters(Family& family, double q1, double q2, double q3, double q4) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const double q[4] = {q1, q2, q3, q4};
    double total = 0.0;
    for (int k = 0; k < 4; ++k) {
        family.q[std::size_t(k)] = russian.toString(q[k], 'f', 2).remove(QChar(0x00A0));
        total += q[k];
    }
    family.total = total;
}

// A plan with `services` paid services and every category entered per quarter,
// after the preliminary totals have been computed.
inline PlanState makePlan(int services) {
    PlanState plan;
    plan.institutionName = "Детский сад №1";
    plan.founderSubsidy = fixed("2400000");
    enterQuarters(plan.investments, 10000, 20000, 0, 5000);
    enterQuarters(plan.parentFee, 30000, 30000, 15000, 30000);
    plan.parentFee.q[3] = fixed("30000");
    plan.serviceCount = services;
    plan.adjustmentStage = 0;
    for (int i = 1; i <= services; ++i) {
        ServiceRecord& record = plan.service(i);
        record.name = QStringLiteral("Кружок %1").arg(i);
        record.label = QStringLiteral("Услуга №%1 - ").arg(i);
        record.kind = fixed(i % 2 ? "1" : "2");
        record.price = QString::number(500 + 10 * i);
        record.labourCost = QString::number(200 + i);
        record.otherCost = QStringLiteral("50,5");
        for (int m = 0; m < ServiceRecord::kMonths; ++m)
            record.qty[std::size_t(m)] = QString::number((i + m) % 7 * 3);
    }
    const double base[kCategoryCount] = {300000, 20000, 6000,  9000,  90000, 12000,
                                         15000,  8000,  70000, 25000, 40000, 18000};
    for (int c = 0; c < kCategoryCount; ++c) {
        const double b = base[c];
        enterQuarters(plan.expense(static_cast<Category>(c)), b, b * 1.1 + 0.5, b * 0.8, b * 1.2 + 0.25);
    }
    plan.materials.q[3] = *FixedAmount::fromDouble(base[kCategoryCount - 1] * 1.2 + 0.25);
    // The paid services editor's totals when the list is finished.
    const PaidServiceTotals paid = computePaidServiceTotals(plan);
    plan.paidRevenue.total = paid.revenue;
    plan.paidCostTotal = paid.cost;
    ComputePreliminaryTotals(plan);
    return plan;
}

// Form8's "далее": reference copies taken, lists at "0", corrections enabled.
inline void enterAdjustment(PlanState& plan) {
    beginAdjustment(plan);
    computeInitialDeficit(plan);
    plan.correctionsEnabled = 1;
}

inline std::array<QString, kCorrectionCount> allAt(const char* item) {
    std::array<QString, kCorrectionCount> items;
    items.fill(QString::fromUtf8(item));
    return items;
}

} // namespace fixture
