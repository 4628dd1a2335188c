#include "state/draft.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>
#include <cstdio>
#include <limits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace draft {

namespace {

const QString kFormat = QStringLiteral("planium-draft");
constexpr qint64 kLargestDraft = 16 * 1024 * 1024; // far above any plan; a larger file is not a draft
constexpr int kSlots = 16;

// --- plan values ---------------------------------------------------------------

} // namespace

QJsonValue textToJson(const QString& text) {
    if (QStringView(text).isValidUtf16())
        return text;
    QString hex;
    hex.reserve(text.size() * 4);
    for (const QChar c : text)
        hex += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return QJsonObject{{QStringLiteral("utf16"), hex}};
}

std::optional<QString> textFromJson(const QJsonValue& json) {
    if (json.isString())
        return json.toString();
    const QJsonObject object = json.toObject();
    const QString hex = object.value(QLatin1String("utf16")).toString();
    if (!json.isObject() || object.size() != 1 || hex.size() % 4 != 0)
        return std::nullopt;
    QString text;
    text.reserve(hex.size() / 4);
    for (qsizetype i = 0; i < hex.size(); i += 4) {
        bool ok = false;
        const ushort unit = hex.mid(i, 4).toUShort(&ok, 16);
        if (!ok)
            return std::nullopt;
        text += QChar(unit);
    }
    return text;
}

namespace {

QJsonValue toJson(const TaggedValue& value) {
    switch (value.kind()) {
    case TaggedValue::Kind::Empty:
        return QJsonValue::Null;
    case TaggedValue::Kind::Text:
        return textToJson(*value.text());
    case TaggedValue::Kind::Whole:
        return QJsonObject{{QStringLiteral("whole"), QString::number(*value.whole())}};
    case TaggedValue::Kind::Double: {
        const double d = *value.real();
        QString text;
        if (std::isnan(d))
            text = QStringLiteral("nan");
        else if (std::isinf(d))
            text = d < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
        else
            text = QString::number(d, 'g', 17);
        return QJsonObject{{QStringLiteral("double"), text}};
    }
    case TaggedValue::Kind::Fixed:
        return QJsonObject{{QStringLiteral("fixed"), QString::number(value.fixed()->units())}};
    }
    return QJsonValue::Null;
}

bool fromJson(const QJsonValue& json, TaggedValue& value) {
    if (json.isNull()) {
        value = TaggedValue();
        return true;
    }
    if (json.isString()) {
        value = json.toString();
        return true;
    }
    if (!json.isObject())
        return false;
    const QJsonObject object = json.toObject();
    if (object.contains(QLatin1String("utf16"))) {
        const auto text = textFromJson(json);
        if (text)
            value = *text;
        return text.has_value();
    }
    if (object.size() != 1 || !object.begin().value().isString())
        return false;
    const QString key = object.begin().key();
    const QString text = object.begin().value().toString();
    bool ok = false;
    if (key == u"whole") {
        const qlonglong whole = text.toLongLong(&ok);
        if (ok)
            value = std::int64_t(whole);
    } else if (key == u"fixed") {
        const qlonglong units = text.toLongLong(&ok);
        if (ok)
            value = FixedAmount::fromUnits(units);
    } else if (key == u"double") {
        ok = true;
        if (text == u"nan")
            value = std::numeric_limits<double>::quiet_NaN();
        else if (text == u"inf")
            value = std::numeric_limits<double>::infinity();
        else if (text == u"-inf")
            value = -std::numeric_limits<double>::infinity();
        else {
            const double d = text.toDouble(&ok);
            if (ok)
                value = d;
        }
    }
    return ok;
}

QJsonValue toJson(const Family& family) {
    QJsonArray five{toJson(family.total)};
    for (const TaggedValue& q : family.q)
        five.append(toJson(q));
    return five;
}

bool fromJson(const QJsonValue& json, Family& family) {
    const QJsonArray five = json.toArray();
    if (!json.isArray() || five.size() != 5 || !fromJson(five[0], family.total))
        return false;
    for (qsizetype k = 0; k < 4; ++k)
        if (!fromJson(five[k + 1], family.q[static_cast<std::size_t>(k)]))
            return false;
    return true;
}

template <std::size_t N> QJsonValue toJson(const std::array<TaggedValue, N>& values) {
    QJsonArray all;
    for (const TaggedValue& v : values)
        all.append(toJson(v));
    return all;
}

template <std::size_t N> bool fromJson(const QJsonValue& json, std::array<TaggedValue, N>& values) {
    const QJsonArray all = json.toArray();
    if (!json.isArray() || all.size() != qsizetype(N))
        return false;
    for (std::size_t k = 0; k < N; ++k)
        if (!fromJson(all[qsizetype(k)], values[k]))
            return false;
    return true;
}

QJsonValue toJson(const QString& text) {
    return textToJson(text);
}

bool fromJson(const QJsonValue& json, QString& text) {
    const auto read = textFromJson(json);
    if (!read)
        return false;
    text = *read;
    return true;
}

// Every plan variable under its name, for both directions.
template <typename Plan, typename Visit> void eachVariable(Plan& p, Visit&& v) {
    v("userSurname", p.userSurname);
    v("userFirstInitial", p.userFirstInitial);
    v("userPatronymicInitial", p.userPatronymicInitial);
    v("institutionName", p.institutionName);
    v("settlementType", p.settlementType);
    v("serviceCount", p.serviceCount);
    v("currentService", p.currentService);
    v("adjustmentStage", p.adjustmentStage);
    v("correctionsEnabled", p.correctionsEnabled);
    v("founderSubsidy", p.founderSubsidy);
    v("subsidyQ", p.subsidyQ);
    v("investments", p.investments);
    v("parentFee", p.parentFee);
    v("paidCostTotal", p.paidCostTotal);
    v("paidRevenue", p.paidRevenue);
    v("paidLabour", p.paidLabour);
    v("paidOtherCost", p.paidOtherCost);
    v("servicesLabour", p.servicesLabour);
    v("servicesOther", p.servicesOther);
    v("paidResultRef", p.paidResultRef);
    v("wages", p.wages);
    v("otherPayments", p.otherPayments);
    v("communication", p.communication);
    v("transport", p.transport);
    v("utilities", p.utilities);
    v("rent", p.rent);
    v("maintenance", p.maintenance);
    v("otherServices", p.otherServices);
    v("food", p.food);
    v("otherExpenses", p.otherExpenses);
    v("fixedAssets", p.fixedAssets);
    v("materials", p.materials);
    v("baseWages", p.baseWages);
    v("baseOtherExpenses", p.baseOtherExpenses);
    v("initialDeficit", p.initialDeficit);
    v("planDeficit", p.planDeficit);
    v("baseWagesRef", p.baseWagesRef);
    v("baseOtherExpensesRef", p.baseOtherExpensesRef);
    v("otherPaymentsRef", p.otherPaymentsRef);
    v("communicationRef", p.communicationRef);
    v("transportRef", p.transportRef);
    v("utilitiesRef", p.utilitiesRef);
    v("rentRef", p.rentRef);
    v("maintenanceRef", p.maintenanceRef);
    v("otherServicesRef", p.otherServicesRef);
    v("foodRef", p.foodRef);
    v("fixedAssetsRef", p.fixedAssetsRef);
    v("materialsRef", p.materialsRef);
    v("wagesCorrection", p.wagesCorrection);
    v("communicationCorrection", p.communicationCorrection);
    v("transportCorrection", p.transportCorrection);
    v("utilitiesCorrection", p.utilitiesCorrection);
    v("rentCorrection", p.rentCorrection);
    v("maintenanceCorrection", p.maintenanceCorrection);
    v("otherServicesCorrection", p.otherServicesCorrection);
    v("foodCorrection", p.foodCorrection);
    v("otherExpensesCorrection", p.otherExpensesCorrection);
    v("fixedAssetsCorrection", p.fixedAssetsCorrection);
    v("materialsCorrection", p.materialsCorrection);
}

template <typename Record, typename Visit> void eachField(Record& r, Visit&& v) {
    v("name", r.name);
    v("label", r.label);
    v("kind", r.kind);
    v("price", r.price);
    v("labourCost", r.labourCost);
    v("otherCost", r.otherCost);
    v("qty", r.qty);
    v("revenueQ", r.revenueQ);
}

// A whole number within [low, high], as the counters must be for the screens to
// show the plan.
bool counterWithin(const TaggedValue& value, int low, int high) {
    const double n = value.numeric();
    return std::isfinite(n) && n >= low && n <= high && n == std::trunc(n);
}

// The wizard's counters as the screens can show them: a record count within 0 …
// 40, the record shown among them, the flags 0 or 1.
bool countersMakeSense(const PlanState& plan) {
    if (!counterWithin(plan.serviceCount, 0, PlanState::kMaxServices))
        return false;
    const int count = plan.serviceCountValue();
    return counterWithin(plan.currentService, 0, count) && counterWithin(plan.adjustmentStage, 0, 1) &&
           counterWithin(plan.correctionsEnabled, 0, 1);
}

QString asideName(const QString& path) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = QStringLiteral("%1.bad-%2").arg(path, stamp);
    for (int n = 2; QFileInfo(aside).exists() || QFileInfo(aside).isSymLink(); ++n)
        aside = QStringLiteral("%1.bad-%2-%3").arg(path, stamp).arg(n);
    return aside;
}

} // namespace

QJsonObject serviceToJson(const ServiceRecord& record) {
    QJsonObject r;
    eachField(record,
              [&](const char* name, const auto& value) { r.insert(QLatin1String(name), toJson(value)); });
    return r;
}

bool serviceFromJson(const QJsonObject& json, ServiceRecord& record) {
    bool ok = true;
    eachField(record, [&](const char* name, auto& value) {
        ok = ok && fromJson(json.value(QLatin1String(name)), value);
    });
    return ok;
}

QJsonObject planToJson(const PlanState& plan) {
    QJsonObject json;
    eachVariable(
        plan, [&](const char* name, const auto& value) { json.insert(QLatin1String(name), toJson(value)); });
    QJsonArray services;
    for (const ServiceRecord& record : plan.services)
        services.append(serviceToJson(record));
    json.insert(QLatin1String("services"), services);
    return json;
}

bool planFromJson(const QJsonObject& json, PlanState& plan) {
    bool ok = true;
    eachVariable(plan, [&](const char* name, auto& value) {
        ok = ok && fromJson(json.value(QLatin1String(name)), value);
    });
    const QJsonArray services = json.value(QLatin1String("services")).toArray();
    if (!ok || services.size() != PlanState::kMaxServices)
        return false;
    for (qsizetype i = 0; i < services.size() && ok; ++i)
        ok = services[i].isObject() &&
             serviceFromJson(services[i].toObject(), plan.services[static_cast<std::size_t>(i)]);
    return ok && countersMakeSense(plan);
}

QByteArray encode(const Contents& contents) {
    return encode(contents.written, contents.plan, contents.screens);
}

namespace {

// The plan is written straight as JSON text: it is written after every step, and
// building it as a document first takes several times as long. What it writes is
// what planToJson() gives, and it is read back as a document.
void appendString(QByteArray& out, const QByteArray& utf8) {
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '"' || u == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendTagged(QByteArray& out, const char* key, const QString& text) {
    out += "{\"";
    out += key;
    out += "\":\"";
    out += text.toLatin1();
    out += "\"}";
}

void appendText(QByteArray& out, const QString& text) {
    if (QStringView(text).isValidUtf16())
        appendString(out, text.toUtf8());
    else
        appendTagged(out, "utf16", textToJson(text).toObject().value(QLatin1String("utf16")).toString());
}

void append(QByteArray& out, const QString& text) {
    appendText(out, text);
}

void append(QByteArray& out, const TaggedValue& value) {
    switch (value.kind()) {
    case TaggedValue::Kind::Empty:
        out += "null";
        return;
    case TaggedValue::Kind::Text:
        appendText(out, *value.text());
        return;
    case TaggedValue::Kind::Whole:
        appendTagged(out, "whole", QString::number(*value.whole()));
        return;
    case TaggedValue::Kind::Double:
        appendTagged(out, "double", toJson(value).toObject().value(QLatin1String("double")).toString());
        return;
    case TaggedValue::Kind::Fixed:
        appendTagged(out, "fixed", QString::number(value.fixed()->units()));
        return;
    }
}

template <std::size_t N> void append(QByteArray& out, const std::array<TaggedValue, N>& values) {
    out += '[';
    for (std::size_t k = 0; k < N; ++k) {
        if (k > 0)
            out += ',';
        append(out, values[k]);
    }
    out += ']';
}

void append(QByteArray& out, const Family& family) {
    out += '[';
    append(out, family.total);
    for (const TaggedValue& q : family.q) {
        out += ',';
        append(out, q);
    }
    out += ']';
}

struct Member {
    QByteArray& out;
    bool first = true;
    template <typename T> void operator()(const char* name, const T& value) {
        if (!first)
            out += ',';
        first = false;
        out += '"';
        out += name;
        out += "\":";
        append(out, value);
    }
};

} // namespace

QByteArray encode(const QDateTime& written, const PlanState& plan, const QJsonObject& screens) {
    QByteArray out;
    out.reserve(32 * 1024);
    out += "{\"format\":\"planium-draft\",\"version\":";
    out += QByteArray::number(kVersion);
    out += ",\"written\":";
    appendString(out, written.toOffsetFromUtc(written.offsetFromUtc()).toString(Qt::ISODateWithMs).toUtf8());
    out += ",\"plan\":{";
    Member member{out};
    eachVariable(plan, member);
    out += ",\"services\":[";
    for (std::size_t i = 0; i < plan.services.size(); ++i) {
        out += i > 0 ? ",{" : "{";
        Member field{out};
        eachField(plan.services[i], field);
        out += '}';
    }
    out += "]},\"screens\":";
    out += QJsonDocument(screens).toJson(QJsonDocument::Compact);
    out += '}';
    return out;
}

std::optional<Contents> decode(const QByteArray& bytes, QString* why) {
    const auto refuse = [why](const char* reason) -> std::optional<Contents> {
        if (why)
            *why = QString::fromUtf8(reason);
        return std::nullopt;
    };
    if (bytes.isEmpty())
        return refuse("empty");
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return refuse("not a whole JSON object");
    const QJsonObject file = document.object();
    if (file.value(QLatin1String("format")).toString() != kFormat)
        return refuse("not a draft");
    const QJsonValue version = file.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != std::trunc(version.toDouble()) || version.toDouble() < 1)
        return refuse("no version");
    if (version.toDouble() > kVersion)
        return refuse("a newer version");
    Contents contents;
    contents.written =
        QDateTime::fromString(file.value(QLatin1String("written")).toString(), Qt::ISODateWithMs)
            .toLocalTime();
    if (!contents.written.isValid())
        return refuse("no time written");
    if (!file.value(QLatin1String("plan")).isObject() ||
        !planFromJson(file.value(QLatin1String("plan")).toObject(), contents.plan))
        return refuse("the plan does not read");
    if (!file.value(QLatin1String("screens")).isObject())
        return refuse("no screens");
    contents.screens = file.value(QLatin1String("screens")).toObject();
    return contents;
}

// --- the files -------------------------------------------------------------------

QString Store::defaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("planium"));
}

Store::Store(const QString& folder)
    : m_folder(folder.isEmpty() ? defaultFolder() : folder) {
    QDir dir;
    if (!dir.mkpath(m_folder))
        return;
    // Plans are the user's own business.
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (int slot = 1; slot <= kSlots; ++slot) {
        const QString name =
            slot == 1 ? QStringLiteral("draft.json") : QStringLiteral("draft-%1.json").arg(slot);
        const QString path = QDir(m_folder).filePath(name);
        auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
        // A lock left by a process that no longer runs is taken over at once.
        if (lock->tryLock(0)) {
            m_path = path;
            m_lock = std::move(lock);
            return;
        }
    }
}

Store::~Store() = default;

Store::Loaded Store::load() {
    Loaded loaded;
    if (!usable())
        return loaded;
    const QByteArray native = QFile::encodeName(m_path);
    QByteArray bytes;
    QString why;
#ifdef Q_OS_UNIX
    struct stat seen {};
    if (::lstat(native.constData(), &seen) != 0) {
        if (errno == ENOENT)
            return loaded;
        why = QStringLiteral("cannot be looked at");
    } else if (!S_ISREG(seen.st_mode)) {
        why = S_ISLNK(seen.st_mode) ? QStringLiteral("a link") : QStringLiteral("not a plain file");
    } else if (seen.st_size > kLargestDraft) {
        why = QStringLiteral("too large");
    } else {
        // Never followed, never waited on, even if it was swapped since it was looked at.
        const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat opened {};
        if (fd < 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            why = QStringLiteral("unreadable");
        } else {
            bytes.resize(qsizetype(opened.st_size));
            qsizetype done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::read(fd, bytes.data() + done, std::size_t(bytes.size() - done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                done += n;
            }
            bytes.truncate(done);
        }
        if (fd >= 0)
            ::close(fd);
    }
#else
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return loaded;
    QFile file(m_path);
    if (info.isSymLink() || !info.isFile())
        why = QStringLiteral("not a plain file");
    else if (!file.open(QIODevice::ReadOnly))
        why = QStringLiteral("unreadable");
    else
        bytes = file.read(kLargestDraft + 1);
#endif
    if (why.isEmpty()) {
        if (auto contents = decode(bytes, &why)) {
            loaded.status = Loaded::Status::Good;
            loaded.contents = std::move(contents);
            return loaded;
        }
    }
    loaded.status = Loaded::Status::Bad;
    loaded.why = why;
    const QString aside = asideName(m_path);
    // Left where it is when it cannot be moved; a save then replaces a plain file only.
#ifdef Q_OS_UNIX
    if (std::rename(native.constData(), QFile::encodeName(aside).constData()) == 0)
        loaded.movedTo = aside;
#else
    if (QFile::rename(m_path, aside)) // by wide names, never replacing
        loaded.movedTo = aside;
#endif
    return loaded;
}

bool Store::save(const Contents& contents) {
    return saveBytes(encode(contents));
}

bool Store::saveBytes(const QByteArray& bytes) {
    if (!usable())
        return false;
#ifdef Q_OS_UNIX
    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray fresh = target + ".new";
    // A leftover of a write that never finished is only ever a part of a draft.
    ::unlink(fresh.constData());
    const int fd = ::open(fresh.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(fresh.constData(), target.constData()) != 0) {
        ::unlink(fresh.constData());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
#else
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
#endif
}

} // namespace draft
