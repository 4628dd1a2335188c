#include "calc/adjustment.h"

#include "calc/amount_reader.h"
#include "calc/paid_services.h"
#include "state/number_rules.h"

#include <cmath>
#include <optional>

namespace {

// Wages with the accruals on pay.
constexpr double kPayWithAccruals = 1.302;

// The correction that applies to each expense category, in category order.
constexpr std::array<Correction, kCategoryCount> kCategoryCorrection = {
    Correction::Wages,         Correction::Wages,         Correction::Communication, Correction::Transport,
    Correction::Utilities,     Correction::Rent,          Correction::Maintenance,   Correction::OtherServices,
    Correction::Food,          Correction::OtherExpenses, Correction::FixedAssets,   Correction::Materials,
};

// The category whose reference total a correction's change amount is taken from
// (wages are handled on their own: with other payments and the accruals).
constexpr std::array<Category, kCorrectionCount> kChangeBase = {
    Category::Wages,     Category::Communication, Category::Transport,     Category::Utilities,
    Category::Rent,      Category::Maintenance,   Category::OtherServices, Category::Food,
    Category::OtherExpenses, Category::FixedAssets, Category::Materials,
};

constexpr std::size_t at(Category c) { return static_cast<std::size_t>(c); }
constexpr std::size_t at(Correction c) { return static_cast<std::size_t>(c); }

struct Amounts {
    double total = 0.0;
    std::array<double, 4> q{};

    bool finite() const
    {
        return std::isfinite(total) && std::isfinite(q[0]) && std::isfinite(q[1]) && std::isfinite(q[2])
               && std::isfinite(q[3]);
    }
};

} // namespace

BalanceLine balanceLine(double balance)
{
    if (balance < 0.0)
        return {false, 0.0 - balance};
    return {true, balance};
}

double correctionFraction(QStringView item)
{
    // The item is taken as a fixed-point amount (four decimals, halves to even)
    // before it becomes a fraction; the list's own items are exact halves.
    const double percent = std::nearbyint(numbers::parseListItem(item) * 1e4) / 1e4;
    return percent / 100.0;
}

AdjustmentFigures CalculateAdjustment(PlanState& plan, const std::array<QString, kCorrectionCount>& chosenItems)
{
    const AmountReader read;
    AdjustmentFigures figures;

    // 1-2. Paid-service revenue, labour and other costs per quarter.
    const int count = plan.serviceCountValue();
    std::array<std::array<double, 4>, PlanState::kMaxServices> serviceRevenue{};
    Amounts revenue;
    Amounts labour;
    Amounts other;
    for (int i = 1; i <= count; ++i) {
        const ServiceRecord& record = plan.service(i);
        const double price = read(record.price);
        const double labourCost = read(record.labourCost);
        const double otherCost = read(record.otherCost);
        auto& perQuarter = serviceRevenue[static_cast<std::size_t>(i - 1)];
        const std::array<double, 4> quantities = serviceQuantities(record, read).quarter;
        for (std::size_t k = 0; k < 4; ++k) {
            const double quantity = quantities[k];
            perQuarter[k] = price * quantity;
            revenue.q[k] += perQuarter[k];
            labour.q[k] += labourCost * quantity;
            other.q[k] += otherCost * quantity;
        }
    }
    revenue.total = revenue.q[0] + revenue.q[1] + revenue.q[2] + revenue.q[3];
    labour.total = labour.q[0] + labour.q[1] + labour.q[2] + labour.q[3];
    const auto otherTotal = FixedAmount::fromDouble(other.q[0] + other.q[1] + other.q[2] + other.q[3]);
    if (!otherTotal) {
        figures.inRange = false;
        return figures;
    }
    other.total = otherTotal->toDouble();

    // 3. Change of the paid-service result since the screen was entered.
    figures.paidResultChange = (revenue.total - labour.total - other.total) - read(plan.paidResultRef);

    // 4. The chosen corrections as fractions.
    std::array<double, kCorrectionCount> fraction{};
    for (std::size_t k = 0; k < kCorrectionCount; ++k)
        fraction[k] = correctionFraction(chosenItems[k]);

    // 5. Every category from its reference copy; wages and other expenses get the
    // paid services' share back on top of their corrected net amount.
    std::array<Amounts, kCategoryCount> corrected;
    for (int c = 0; c < kCategoryCount; ++c) {
        const auto category = static_cast<Category>(c);
        const Family& reference = plan.reference(category);
        const double f = 1.0 + fraction[at(kCategoryCorrection[at(category)])];
        Amounts& amounts = corrected[at(category)];
        amounts.total = read(reference.total) * f;
        for (std::size_t k = 0; k < 4; ++k)
            amounts.q[k] = read(reference.q[k]) * f;
        if (category == Category::Wages) {
            for (std::size_t k = 0; k < 4; ++k)
                amounts.q[k] += labour.q[k];
            amounts.total += labour.total;
        } else if (category == Category::OtherExpenses) {
            for (std::size_t k = 0; k < 4; ++k)
                amounts.q[k] += other.q[k];
            amounts.total += other.total;
        }
    }
    const auto materialsQ4 = FixedAmount::fromDouble(corrected[at(Category::Materials)].q[3]);
    if (!materialsQ4) {
        figures.inRange = false;
        return figures;
    }

    // 6. The balance from the corrected totals.
    const auto total = [&](Category c) { return corrected[at(c)].total; };
    const auto balance = FixedAmount::fromDouble(
        total(Category::Wages) + total(Category::OtherPayments)
        + kPayrollChargeRate * (total(Category::OtherPayments) + total(Category::Wages))
        + total(Category::Communication) + total(Category::Transport) + total(Category::Utilities)
        + total(Category::Rent) + total(Category::Maintenance) + total(Category::OtherServices)
        + total(Category::Food) + total(Category::OtherExpenses) + total(Category::FixedAssets)
        + total(Category::Materials) - revenue.total - read(plan.investments.total) - read(plan.founderSubsidy)
        - read(plan.parentFee.total));

    // 8. What each correction adds or removes.
    figures.changes[at(Correction::Wages)] =
        kPayWithAccruals * fraction[at(Correction::Wages)]
        * (read(plan.otherPaymentsRef.total) + read(plan.baseWagesRef.total));
    for (std::size_t k = 1; k < kCorrectionCount; ++k)
        figures.changes[k] = fraction[k] * read(plan.reference(kChangeBase[k]).total);

    // A sum that overflowed a double cannot be held either.
    bool finite = balance.has_value() && revenue.finite() && labour.finite() && other.finite()
                  && std::isfinite(figures.paidResultChange);
    for (const Amounts& amounts : corrected)
        finite = finite && amounts.finite();
    for (const double change : figures.changes)
        finite = finite && std::isfinite(change);
    if (!finite) {
        figures.inRange = false;
        return figures;
    }

    // Every amount fits: store them.
    for (int i = 1; i <= count; ++i) {
        ServiceRecord& record = plan.service(i);
        for (std::size_t k = 0; k < 4; ++k)
            record.revenueQ[k] = serviceRevenue[static_cast<std::size_t>(i - 1)][k];
    }
    for (std::size_t k = 0; k < 4; ++k) {
        plan.paidRevenue.q[k] = revenue.q[k];
        plan.paidLabour.q[k] = labour.q[k];
        plan.paidOtherCost.q[k] = other.q[k];
    }
    plan.paidRevenue.total = revenue.total;
    plan.paidLabour.total = labour.total;
    plan.paidOtherCost.total = *otherTotal;

    for (int k = 0; k < kCorrectionCount; ++k)
        plan.correction(static_cast<Correction>(k)) = fraction[static_cast<std::size_t>(k)];

    for (int c = 0; c < kCategoryCount; ++c) {
        const auto category = static_cast<Category>(c);
        Family& family = plan.expense(category);
        const Amounts& amounts = corrected[at(category)];
        family.total = amounts.total;
        for (std::size_t k = 0; k < 4; ++k)
            family.q[k] = amounts.q[k];
    }
    plan.materials.q[3] = *materialsQ4;
    plan.planDeficit = *balance;
    figures.balance = balance->toDouble();
    return figures;
}
