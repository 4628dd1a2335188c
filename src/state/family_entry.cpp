#include "state/family_entry.h"

#include "state/fixed_amount.h"
#include "state/number_rules.h"

#include <QLocale>

namespace familyEntry {

bool isAmount(const QString& text) {
    return FixedAmount::fromText(text).has_value();
}

std::optional<Family> fromQuarters(const std::array<QString, 4>& texts, FourthQuarter fourth) {
    for (const QString& text : texts)
        if (!isAmount(text))
            return std::nullopt;

    Family family;
    for (int i = 0; i < 3; ++i)
        family.q[i] = texts[i];
    if (fourth == FourthQuarter::Fixed) {
        const auto amount = FixedAmount::fromText(texts[3]);
        if (!amount)
            return std::nullopt;
        family.q[3] = *amount;
    } else {
        family.q[3] = texts[3];
    }
    family.total =
        family.q[0].numeric() + family.q[1].numeric() + family.q[2].numeric() + family.q[3].numeric();
    return family;
}

std::optional<Family> fromAnnualSum(const QString& text, FourthQuarter fourth) {
    if (!isAmount(text))
        return std::nullopt;

    Family family;
    family.total = text;
    const double quarter = numbers::toNumber(text) / 4;
    for (int i = 0; i < 3; ++i)
        family.q[i] = quarter;
    if (fourth == FourthQuarter::Fixed) {
        const auto amount = FixedAmount::fromDouble(quarter);
        if (!amount)
            return std::nullopt;
        family.q[3] = *amount;
    } else {
        family.q[3] = quarter;
    }
    return family;
}

QList<int> atFault(const QList<QString>& texts) {
    QList<int> refused;
    for (int i = 0; i < texts.size(); ++i)
        if (!isAmount(texts[i]))
            refused << i;
    if (refused.isEmpty())
        for (int i = 0; i < texts.size(); ++i)
            refused << i;
    return refused;
}

QString hint(const QList<QString>& texts) {
    static const QString kQuarterNames[] = {QStringLiteral("I квартал"), QStringLiteral("II квартал"),
                                            QStringLiteral("III квартал"), QStringLiteral("IV квартал")};
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString period = texts.size() == 4 ? kQuarterNames[i] : QStringLiteral("год");
        const QString why = amountHint(texts[i], QStringLiteral("за ") + period);
        if (!why.isEmpty())
            return why;
    }
    // Every text holds an amount, but not all of them together.
    return QStringLiteral("Число слишком велико");
}

} // namespace familyEntry

QString amountHint(const QString& text, const QString& where) {
    if (FixedAmount::fromText(text))
        return {};
    if (text.trimmed().isEmpty())
        return where.isEmpty() ? QStringLiteral("Не введена сумма")
                               : QStringLiteral("Не введена сумма ") + where;
    if (numbers::isNumeral(text))
        return QStringLiteral("Число слишком велико");
    const QLocale locale;
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    return QStringLiteral("Введите число: цифры и %1, например 12500000%2")
        .arg(comma ? QStringLiteral("запятая") : QStringLiteral("точка"),
             locale.decimalPoint() + QStringLiteral("50"));
}
