#pragma once

#include "state/plan_state.h"

#include <cstddef>
#include <tuple>

// The plan's variables and a service record's fields under their names: the one
// list the draft writes and reads (the names are its format; keep them). A member
// added to PlanState or ServiceRecord belongs here too, or the build stops: the
// sizes of the listed members must add up to the size of the struct, which holds
// no padding on the 64-bit systems the program is built for (every member is a
// whole number of 8-byte words). A member listed twice, or a name used twice, is
// caught by the draft's test.
namespace planFields {

template <typename Class, typename Member> struct Field {
    using Type = Member;
    const char* name;
    Member Class::*member;
};
template <typename Class, typename Member> Field(const char*, Member Class::*) -> Field<Class, Member>;

// Every plan variable but the service records (held apart, as "services").
inline constexpr std::tuple kPlanVariables{
    Field{"userSurname", &PlanState::userSurname},
    Field{"userFirstInitial", &PlanState::userFirstInitial},
    Field{"userPatronymicInitial", &PlanState::userPatronymicInitial},
    Field{"institutionName", &PlanState::institutionName},
    Field{"settlementType", &PlanState::settlementType},
    Field{"serviceCount", &PlanState::serviceCount},
    Field{"currentService", &PlanState::currentService},
    Field{"adjustmentStage", &PlanState::adjustmentStage},
    Field{"correctionsEnabled", &PlanState::correctionsEnabled},
    Field{"founderSubsidy", &PlanState::founderSubsidy},
    Field{"subsidyQ", &PlanState::subsidyQ},
    Field{"investments", &PlanState::investments},
    Field{"parentFee", &PlanState::parentFee},
    Field{"paidCostTotal", &PlanState::paidCostTotal},
    Field{"paidRevenue", &PlanState::paidRevenue},
    Field{"paidLabour", &PlanState::paidLabour},
    Field{"paidOtherCost", &PlanState::paidOtherCost},
    Field{"servicesLabour", &PlanState::servicesLabour},
    Field{"servicesOther", &PlanState::servicesOther},
    Field{"paidResultRef", &PlanState::paidResultRef},
    Field{"wages", &PlanState::wages},
    Field{"otherPayments", &PlanState::otherPayments},
    Field{"communication", &PlanState::communication},
    Field{"transport", &PlanState::transport},
    Field{"utilities", &PlanState::utilities},
    Field{"rent", &PlanState::rent},
    Field{"maintenance", &PlanState::maintenance},
    Field{"otherServices", &PlanState::otherServices},
    Field{"food", &PlanState::food},
    Field{"otherExpenses", &PlanState::otherExpenses},
    Field{"fixedAssets", &PlanState::fixedAssets},
    Field{"materials", &PlanState::materials},
    Field{"baseWages", &PlanState::baseWages},
    Field{"baseOtherExpenses", &PlanState::baseOtherExpenses},
    Field{"initialDeficit", &PlanState::initialDeficit},
    Field{"planDeficit", &PlanState::planDeficit},
    Field{"baseWagesRef", &PlanState::baseWagesRef},
    Field{"baseOtherExpensesRef", &PlanState::baseOtherExpensesRef},
    Field{"otherPaymentsRef", &PlanState::otherPaymentsRef},
    Field{"communicationRef", &PlanState::communicationRef},
    Field{"transportRef", &PlanState::transportRef},
    Field{"utilitiesRef", &PlanState::utilitiesRef},
    Field{"rentRef", &PlanState::rentRef},
    Field{"maintenanceRef", &PlanState::maintenanceRef},
    Field{"otherServicesRef", &PlanState::otherServicesRef},
    Field{"foodRef", &PlanState::foodRef},
    Field{"fixedAssetsRef", &PlanState::fixedAssetsRef},
    Field{"materialsRef", &PlanState::materialsRef},
    Field{"wagesCorrection", &PlanState::wagesCorrection},
    Field{"communicationCorrection", &PlanState::communicationCorrection},
    Field{"transportCorrection", &PlanState::transportCorrection},
    Field{"utilitiesCorrection", &PlanState::utilitiesCorrection},
    Field{"rentCorrection", &PlanState::rentCorrection},
    Field{"maintenanceCorrection", &PlanState::maintenanceCorrection},
    Field{"otherServicesCorrection", &PlanState::otherServicesCorrection},
    Field{"foodCorrection", &PlanState::foodCorrection},
    Field{"otherExpensesCorrection", &PlanState::otherExpensesCorrection},
    Field{"fixedAssetsCorrection", &PlanState::fixedAssetsCorrection},
    Field{"materialsCorrection", &PlanState::materialsCorrection},
};

inline constexpr std::tuple kServiceFields{
    Field{"name", &ServiceRecord::name},
    Field{"label", &ServiceRecord::label},
    Field{"kind", &ServiceRecord::kind},
    Field{"price", &ServiceRecord::price},
    Field{"labourCost", &ServiceRecord::labourCost},
    Field{"otherCost", &ServiceRecord::otherCost},
    Field{"qty", &ServiceRecord::qty},
    Field{"revenueQ", &ServiceRecord::revenueQ},
};

// Calls visit(name, member) for every listed member of the object, in order.
template <typename Fields, typename Object, typename Visit>
constexpr void forEach(const Fields& fields, Object& object, Visit&& visit) {
    std::apply([&](const auto&... field) { (visit(field.name, object.*field.member), ...); }, fields);
}

template <typename Plan, typename Visit> constexpr void eachVariable(Plan& plan, Visit&& visit) {
    forEach(kPlanVariables, plan, visit);
}

template <typename Record, typename Visit> constexpr void eachField(Record& record, Visit&& visit) {
    forEach(kServiceFields, record, visit);
}

template <typename Fields> constexpr std::size_t listedBytes(const Fields& fields) {
    return std::apply(
        [](const auto&... field) {
            return (std::size_t(0) + ... + sizeof(typename std::decay_t<decltype(field)>::Type));
        },
        fields);
}

static_assert(listedBytes(kPlanVariables) + sizeof(PlanState::services) == sizeof(PlanState),
              "a member of PlanState is missing from kPlanVariables");
static_assert(listedBytes(kServiceFields) == sizeof(ServiceRecord),
              "a member of ServiceRecord is missing from kServiceFields");

} // namespace planFields
