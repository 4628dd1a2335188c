#include "state/plan_state.h"

#include <stdexcept>
#include <string>

namespace {

constexpr std::array<Family PlanState::*, kCategoryCount> kExpenses = {
    &PlanState::wages,       &PlanState::otherPayments, &PlanState::communication, &PlanState::transport,
    &PlanState::utilities,   &PlanState::rent,          &PlanState::maintenance,   &PlanState::otherServices,
    &PlanState::food,        &PlanState::otherExpenses, &PlanState::fixedAssets,   &PlanState::materials,
};

constexpr std::array<Family PlanState::*, kCategoryCount> kReferences = {
    &PlanState::baseWagesRef,    &PlanState::otherPaymentsRef,     &PlanState::communicationRef,
    &PlanState::transportRef,    &PlanState::utilitiesRef,         &PlanState::rentRef,
    &PlanState::maintenanceRef,  &PlanState::otherServicesRef,     &PlanState::foodRef,
    &PlanState::baseOtherExpensesRef, &PlanState::fixedAssetsRef,  &PlanState::materialsRef,
};

constexpr std::array<TaggedValue PlanState::*, kCorrectionCount> kCorrections = {
    &PlanState::wagesCorrection,       &PlanState::communicationCorrection, &PlanState::transportCorrection,
    &PlanState::utilitiesCorrection,   &PlanState::rentCorrection,          &PlanState::maintenanceCorrection,
    &PlanState::otherServicesCorrection, &PlanState::foodCorrection,        &PlanState::otherExpensesCorrection,
    &PlanState::fixedAssetsCorrection, &PlanState::materialsCorrection,
};

} // namespace

PlanState::PlanState()
{
    // The fixed-point variables start at 0; every other value starts empty.
    const TaggedValue zero{FixedAmount{}};
    founderSubsidy = zero;
    parentFee.q[3] = zero;
    paidOtherCost.total = zero;
    servicesOther.q[3] = zero;
    materials.q[3] = zero;
    baseWages.total = zero;
    planDeficit = zero;
    baseWagesRef.total = zero;
    materialsRef.q[3] = zero;
    for (ServiceRecord& record : services)
        record.kind = zero;
}

ServiceRecord& PlanState::service(int i)
{
    if (i < 1 || i > kMaxServices)
        throw std::out_of_range("service record " + std::to_string(i) + " is outside 1..40");
    return services[static_cast<std::size_t>(i - 1)];
}

const ServiceRecord& PlanState::service(int i) const { return const_cast<PlanState*>(this)->service(i); }

Family& PlanState::expense(Category c) { return this->*kExpenses.at(static_cast<std::size_t>(c)); }
const Family& PlanState::expense(Category c) const { return this->*kExpenses.at(static_cast<std::size_t>(c)); }

Family& PlanState::reference(Category c) { return this->*kReferences.at(static_cast<std::size_t>(c)); }
const Family& PlanState::reference(Category c) const
{
    return this->*kReferences.at(static_cast<std::size_t>(c));
}

TaggedValue& PlanState::correction(Correction c) { return this->*kCorrections.at(static_cast<std::size_t>(c)); }
const TaggedValue& PlanState::correction(Correction c) const
{
    return this->*kCorrections.at(static_cast<std::size_t>(c));
}
