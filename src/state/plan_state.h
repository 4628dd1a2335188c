#pragma once

#include "state/tagged_value.h"

#include <QString>

#include <array>

// A year total and its four quarters (quarter k covers months 3k-2 … 3k).
// q[0] is the first quarter.
struct Family {
    TaggedValue total;
    std::array<TaggedValue, 4> q;
};

// One paid-service record (slots 1 … 40).
struct ServiceRecord {
    static constexpr int kMonths = 12;

    QString name;            // serviceName
    TaggedValue label;       // serviceLabel: "Услуга №" + i + " - "
    TaggedValue kind;        // serviceKind: fixed 1 (recurring) or 2 (one-off)
    TaggedValue price;       // servicePrice
    TaggedValue labourCost;  // serviceLabourCost
    TaggedValue otherCost;   // serviceOtherCost
    std::array<TaggedValue, kMonths> qty; // serviceQtyJan … serviceQtyDec
    std::array<TaggedValue, 4> revenueQ;  // serviceRevenueQ1 … serviceRevenueQ4
};

// The twelve expense categories in the order of the expenses screen.
enum class Category {
    Wages,
    OtherPayments,
    Communication,
    Transport,
    Utilities,
    Rent,
    Maintenance,
    OtherServices,
    Food,
    OtherExpenses,
    FixedAssets,
    Materials,
};
inline constexpr int kCategoryCount = 12;

// The eleven percentage corrections of the adjustment screen, in list order
// (Combo1 … Combo11).
enum class Correction {
    Wages,         // wages and other payments to staff
    Communication,
    Transport,
    Utilities,
    Rent,
    Maintenance,
    OtherServices,
    Food,
    OtherExpenses,
    FixedAssets,
    Materials,
};
inline constexpr int kCorrectionCount = 11;

// Rate of the accruals on pay (wages plus other payments).
inline constexpr double kPayrollChargeRate = 0.302;

// Everything the user enters and the program derives while drawing up one plan.
struct PlanState {
    static constexpr int kMaxServices = 40;

    PlanState();

    // User and institution.
    TaggedValue userSurname;
    TaggedValue userFirstInitial;
    TaggedValue userPatronymicInitial;
    TaggedValue institutionName;
    QString settlementType;

    // Wizard flags.
    TaggedValue serviceCount;
    TaggedValue currentService;
    TaggedValue adjustmentStage;
    TaggedValue correctionsEnabled;

    // Revenues.
    TaggedValue founderSubsidy;         // fixed
    std::array<TaggedValue, 4> subsidyQ; // subsidyQ1 … subsidyQ4
    Family investments;
    Family parentFee;                    // q[3] (parentFeeQ4) is fixed

    // Paid-service records, 1-based; an index outside 1 … 40 throws std::out_of_range.
    ServiceRecord& service(int i);
    const ServiceRecord& service(int i) const;
    std::array<ServiceRecord, kMaxServices> services;

    // Paid-service results.
    TaggedValue paidCostTotal;
    Family paidRevenue;      // paidRevenueTotal, paidRevenueQ1 … Q4
    Family paidLabour;       // paidLabourTotal, paidLabourQ1 … Q4
    Family paidOtherCost;    // total (paidOtherCostTotal) is fixed
    Family servicesLabour;   // servicesLabourTotal, Q1 … Q4
    Family servicesOther;    // q[3] (servicesOtherQ4) is fixed
    TaggedValue paidResultRef;

    // Expense categories (materials.q[3] is fixed).
    Family wages;
    Family otherPayments;
    Family communication;
    Family transport;
    Family utilities;
    Family rent;
    Family maintenance;
    Family otherServices;
    Family food;
    Family otherExpenses;
    Family fixedAssets;
    Family materials;

    Family& expense(Category c);
    const Family& expense(Category c) const;

    // Derived plan values.
    Family baseWages;          // total (baseWagesTotal) is fixed
    Family baseOtherExpenses;
    TaggedValue initialDeficit;
    TaggedValue planDeficit;   // fixed

    // Reference copies taken when the adjustment screen is entered.
    Family baseWagesRef;       // total is fixed
    Family baseOtherExpensesRef;
    Family otherPaymentsRef;
    Family communicationRef;
    Family transportRef;
    Family utilitiesRef;
    Family rentRef;
    Family maintenanceRef;
    Family otherServicesRef;
    Family foodRef;
    Family fixedAssetsRef;
    Family materialsRef;       // q[3] is fixed

    // The reference copy of a category: for wages and other expenses, the copy of
    // the amount net of paid services.
    Family& reference(Category c);
    const Family& reference(Category c) const;

    // Corrections: chosen percent / 100.
    TaggedValue wagesCorrection;
    TaggedValue communicationCorrection;
    TaggedValue transportCorrection;
    TaggedValue utilitiesCorrection;
    TaggedValue rentCorrection;
    TaggedValue maintenanceCorrection;
    TaggedValue otherServicesCorrection;
    TaggedValue foodCorrection;
    TaggedValue otherExpensesCorrection;
    TaggedValue fixedAssetsCorrection;
    TaggedValue materialsCorrection;

    TaggedValue& correction(Correction c);
    const TaggedValue& correction(Correction c) const;

    // Shorthands for the counters.
    int serviceCountValue() const { return serviceCount.toInt(); }
    int currentServiceValue() const { return currentService.toInt(); }
};
