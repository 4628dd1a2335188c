#include "state/draft.h"
#include "state/plan_fields.h"

#include <QtTest>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

// The one list of the plan's variables and a record's fields is what the draft
// keeps: every listed member once, under a name of its own, and back exactly as
// it was, whatever kind of value it holds.
class TestDraftFields : public QObject {
    Q_OBJECT

    // Texts a draft must carry exactly: quotes and escapes, line breaks and
    // controls, Cyrillic, a character beyond the basic plane, a lone surrogate,
    // a leading U+FEFF.
    static QString text(int n) {
        static const QString texts[] = {
            QStringLiteral("Детский сад «Ромашка» \"№1\" \\ /"),
            QStringLiteral("строка\nвторая\r\tтретья") + QChar(0x1b),
            QString::fromUtf8("\xF0\x9F\x8E\xA8 рисование"),
            QChar(0xD83D) + QStringLiteral("половина"),
            QChar(0xFEFF) + QStringLiteral("невидимый"),
        };
        return texts[n % 5] + QString::number(n);
    }

    static TaggedValue value(int n) {
        static const double doubles[] = {0.1,
                                         -0.0,
                                         1e308,
                                         std::numeric_limits<double>::denorm_min(),
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(),
                                         std::numeric_limits<double>::quiet_NaN()};
        switch (n % 4) {
        case 0:
            return text(n);
        case 1:
            return n % 3 ? std::int64_t(n) * -1000003 : std::numeric_limits<std::int64_t>::min() + n;
        case 2:
            return n < 28 ? doubles[n / 4] : n / 3.0;
        default:
            return FixedAmount::fromUnits(n % 3 ? std::int64_t(n) * 123457
                                                : std::numeric_limits<std::int64_t>::max() - n);
        }
    }

    static void give(TaggedValue& member, int& n) { member = value(n++); }
    static void give(QString& member, int& n) { member = text(n++); }
    static void give(Family& member, int& n) {
        give(member.total, n);
        for (TaggedValue& q : member.q)
            give(q, n);
    }
    template <std::size_t N> static void give(std::array<TaggedValue, N>& member, int& n) {
        for (TaggedValue& v : member)
            give(v, n);
    }

    // Equal kind and value, a double bit for bit (NaN as NaN).
    static bool same(const TaggedValue& a, const TaggedValue& b) {
        if (a.real() && b.real())
            return std::bit_cast<std::uint64_t>(*a.real()) == std::bit_cast<std::uint64_t>(*b.real()) ||
                   (std::isnan(*a.real()) && std::isnan(*b.real()));
        return a == b;
    }
    static bool same(const QString& a, const QString& b) { return a == b; }
    static bool same(const Family& a, const Family& b) { return same(a.total, b.total) && same(a.q, b.q); }
    template <std::size_t N>
    static bool same(const std::array<TaggedValue, N>& a, const std::array<TaggedValue, N>& b) {
        for (std::size_t k = 0; k < N; ++k)
            if (!same(a[k], b[k]))
                return false;
        return true;
    }

    // The names of the members that differ between a and b, and whether every
    // member is listed once under a name of its own.
    template <typename Fields, typename Object>
    static void compare(const Fields& fields, const Object& a, const Object& b, const QString& where,
                        QStringList& differing, QSet<QString>& names, QSet<const void*>& members) {
        const auto check = [&](const auto& field) {
            names.insert(QString::fromLatin1(field.name));
            members.insert(&(a.*field.member));
            if (!same(a.*field.member, b.*field.member))
                differing << where + QLatin1String(field.name);
        };
        std::apply([&](const auto&... field) { (check(field), ...); }, fields);
    }

private slots:
    void everyListedMemberComesBackAsItWas() {
        PlanState plan;
        int n = 0;
        planFields::eachVariable(plan, [&](const char*, auto& member) { give(member, n); });
        for (ServiceRecord& record : plan.services)
            planFields::eachField(record, [&](const char*, auto& member) { give(member, n); });
        // The counters within what the screens can show, each of another kind.
        plan.serviceCount = PlanState::kMaxServices;
        plan.currentService = QStringLiteral("17");
        plan.adjustmentStage = 1.0;
        plan.correctionsEnabled = FixedAmount::fromUnits(FixedAmount::kScale);

        const QDateTime written = QDateTime::currentDateTime();
        const QJsonObject screens{{QStringLiteral("Form1"), QJsonObject{{QStringLiteral("Text1"), text(0)}}}};
        QString why;
        const auto back = draft::decode(draft::encode(written, plan, screens), &why);
        QVERIFY2(back, qPrintable(why));
        QCOMPARE(back->written, written);
        QCOMPARE(back->screens, screens);

        QStringList differing;
        QSet<QString> names{QStringLiteral("services")};
        QSet<const void*> members{&plan.services};
        compare(planFields::kPlanVariables, plan, back->plan, QString(), differing, names, members);
        QCOMPARE(names.size(), qsizetype(std::tuple_size_v<decltype(planFields::kPlanVariables)>) + 1);
        QCOMPARE(members.size(), names.size());
        for (std::size_t i = 0; i < plan.services.size(); ++i) {
            QSet<QString> fieldNames;
            QSet<const void*> fieldMembers;
            compare(planFields::kServiceFields, plan.services[i], back->plan.services[i],
                    QStringLiteral("services[%1].").arg(i), differing, fieldNames, fieldMembers);
            QCOMPARE(fieldNames.size(), qsizetype(std::tuple_size_v<decltype(planFields::kServiceFields)>));
            QCOMPARE(fieldMembers.size(), fieldNames.size());
        }
        QVERIFY2(differing.isEmpty(), qPrintable(differing.join(QLatin1String(", "))));
    }
};

QTEST_GUILESS_MAIN(TestDraftFields)
#include "test_draft_fields.moc"
