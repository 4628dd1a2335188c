#include "state/draft.h"

#include "state/family_entry.h"
#include "state/user_folders.h"

#include "state/plan_fields.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <limits>

namespace draft {

using planFields::eachField;
using planFields::eachVariable;

namespace {

const QString kFormat = QStringLiteral("planium-draft");
constexpr int kSlots = 16;

// A JSON reader drops it from the start of a string.
constexpr QChar kByteOrderMark(0xfeff);

// A text's UTF-16 code units as four lowercase hex digits each: how a text that
// UTF-8 cannot hold (a lone surrogate pasted in) is kept exactly.
QByteArray utf16Hex(QStringView text) {
    static const char digits[] = "0123456789abcdef";
    QByteArray hex;
    hex.reserve(text.size() * 4);
    for (const QChar c : text)
        for (int shift = 12; shift >= 0; shift -= 4)
            hex += digits[(c.unicode() >> shift) & 15];
    return hex;
}

} // namespace

QJsonValue textToJson(const QString& text) {
    if (QStringView(text).isValidUtf16() && !text.contains(kByteOrderMark))
        return text;
    return QJsonObject{{QStringLiteral("utf16"), QString::fromLatin1(utf16Hex(text))}};
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

bool fromJson(const QJsonValue& json, Family& family) {
    const QJsonArray five = json.toArray();
    if (!json.isArray() || five.size() != 5 || !fromJson(five[0], family.total))
        return false;
    for (qsizetype k = 0; k < 4; ++k)
        if (!fromJson(five[k + 1], family.q[static_cast<std::size_t>(k)]))
            return false;
    return true;
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

bool fromJson(const QJsonValue& json, QString& text) {
    const auto read = textFromJson(json);
    if (!read)
        return false;
    text = *read;
    return true;
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

// What a number of the plan can be when the screens and calculations made it: a
// text the screens take as an amount, or a value worked out from such amounts
// (far below 10^18, however many of them are added up).
constexpr double kLargestWorkedOut = 1e18;

bool numberCanBe(const TaggedValue& value) {
    switch (value.kind()) {
    case TaggedValue::Kind::Empty:
    case TaggedValue::Kind::Fixed:
        return true;
    case TaggedValue::Kind::Whole:
        return std::abs(double(*value.whole())) <= kLargestWorkedOut;
    case TaggedValue::Kind::Double:
        return std::isfinite(*value.real()) && std::abs(*value.real()) <= kLargestWorkedOut;
    case TaggedValue::Kind::Text:
        return familyEntry::isAmount(*value.text());
    }
    return false;
}
bool numberCanBe(const Family& family) {
    return numberCanBe(family.total) &&
           std::all_of(family.q.begin(), family.q.end(), [](const TaggedValue& q) { return numberCanBe(q); });
}
template <std::size_t N> bool numberCanBe(const std::array<TaggedValue, N>& values) {
    return std::all_of(values.begin(), values.end(), [](const TaggedValue& v) { return numberCanBe(v); });
}
bool numberCanBe(const QString&) {
    return true;
}

} // namespace

bool planCanBeContinued(const PlanState& plan, QString* why) {
    // Texts as typed, and the amounts whose boxes the screens read again when the
    // plan is continued (the expenses only until the adjustment corrects them).
    static const QStringList kTexts{QStringLiteral("userSurname"), QStringLiteral("userFirstInitial"),
                                    QStringLiteral("userPatronymicInitial"),
                                    QStringLiteral("institutionName"), QStringLiteral("settlementType")};
    static const QStringList kTyped{QStringLiteral("founderSubsidy"), QStringLiteral("investments"),
                                    QStringLiteral("parentFee")};
    const bool adjusting = plan.adjustmentStage.toInt() == 1;
    QString wrong;
    eachVariable(plan, [&](const char* name, const auto& value) {
        const QString variable = QLatin1String(name);
        bool expense = false;
        for (int c = 0; c < kCategoryCount; ++c)
            expense = expense || static_cast<const void*>(&value) == &plan.expense(Category(c));
        const bool typed = kTyped.contains(variable) || (!adjusting && expense);
        if (wrong.isEmpty() && !kTexts.contains(variable) && !typed && !numberCanBe(value))
            wrong = variable;
    });
    for (int i = 1; i <= PlanState::kMaxServices && wrong.isEmpty(); ++i)
        eachField(plan.service(i), [&](const char* name, const auto& value) {
            const QString field = QLatin1String(name);
            if (wrong.isEmpty() && field != u"name" && field != u"label" && !numberCanBe(value))
                wrong = QStringLiteral("services[%1].%2").arg(i).arg(field);
        });
    if (!wrong.isEmpty() && why)
        *why = QStringLiteral("%1 holds what no screen makes").arg(wrong);
    return wrong.isEmpty() && countersMakeSense(plan);
}

bool serviceFromJson(const QJsonObject& json, ServiceRecord& record) {
    bool ok = true;
    eachField(record, [&](const char* name, auto& value) {
        ok = ok && fromJson(json.value(QLatin1String(name)), value);
    });
    return ok;
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

namespace {

// The draft is written straight as JSON text, by this one encoder: it is written
// after every step, and building it as a document first takes several times as
// long. Where a document is wanted, it is what this writes, read back.
void appendTagged(QByteArray& out, const char* key, const QByteArray& latin1) {
    out += "{\"";
    out += key;
    out += "\":\"";
    out += latin1;
    out += "\"}";
}

// A text as a JSON string in UTF-8, or as its code units ({"utf16": "<hex>"})
// when UTF-8 cannot hold it or a reader would not give it back whole.
void appendText(QByteArray& out, QStringView text) {
    static const char hex[] = "0123456789abcdef";
    const qsizetype start = out.size();
    out += '"';
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = text[i].unicode();
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else if (u < 0x20) {
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else if (u < 0x80) {
            out += char(u);
        } else if (u < 0x800) {
            out += char(0xc0 | (u >> 6));
            out += char(0x80 | (u & 0x3f));
        } else if (!QChar::isSurrogate(u) && u != kByteOrderMark) {
            out += char(0xe0 | (u >> 12));
            out += char(0x80 | ((u >> 6) & 0x3f));
            out += char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            const char32_t c = QChar::surrogateToUcs4(u, text[++i].unicode());
            out += char(0xf0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3f));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        } else {
            out.truncate(start); // a lone surrogate, or a character a reader drops
            appendTagged(out, "utf16", utf16Hex(text));
            return;
        }
    }
    out += '"';
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
        appendTagged(out, "whole", QByteArray::number(qint64(*value.whole())));
        return;
    case TaggedValue::Kind::Double: {
        const double d = *value.real();
        if (std::isnan(d))
            appendTagged(out, "double", "nan");
        else if (std::isinf(d))
            appendTagged(out, "double", d < 0 ? "-inf" : "inf");
        else
            appendTagged(out, "double", QString::number(d, 'g', 17).toLatin1());
        return;
    }
    case TaggedValue::Kind::Fixed:
        appendTagged(out, "fixed", QByteArray::number(qint64(value.fixed()->units())));
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
        out += first ? "{\"" : ",\"";
        first = false;
        out += name;
        out += "\":";
        append(out, value);
    }
};

void append(QByteArray& out, const ServiceRecord& record) {
    eachField(record, Member{out});
    out += '}';
}

void append(QByteArray& out, const PlanState& plan) {
    eachVariable(plan, Member{out});
    out += ",\"services\":[";
    for (std::size_t i = 0; i < plan.services.size(); ++i) {
        if (i > 0)
            out += ',';
        append(out, plan.services[i]);
    }
    out += "]}";
}

template <typename T> QJsonObject asDocument(const T& value) {
    QByteArray out;
    append(out, value);
    return QJsonDocument::fromJson(out).object();
}

} // namespace

QJsonObject planToJson(const PlanState& plan) {
    return asDocument(plan);
}

QJsonObject serviceToJson(const ServiceRecord& record) {
    return asDocument(record);
}

QByteArray encode(const Contents& contents) {
    return encode(contents.written, contents.plan, contents.screens);
}

QByteArray encode(const QDateTime& written, const PlanState& plan, const QJsonObject& screens) {
    QByteArray out;
    out.reserve(32 * 1024);
    out += "{\"format\":\"planium-draft\",\"version\":";
    out += QByteArray::number(kVersion);
    out += ",\"written\":";
    appendText(out, written.toOffsetFromUtc(written.offsetFromUtc()).toString(Qt::ISODateWithMs));
    out += ",\"plan\":";
    append(out, plan);
    out += ",\"screens\":";
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

// A running instance's claim on a slot. On POSIX a lock (flock) on the slot's
// lock file: the system lets go of it however the process ends, and refuses a
// second claim even from the same process. Taking it writes nothing, where a lock
// file that names its owner is flushed to the disk first: a wait of milliseconds,
// tens of them on a busy disk, at every start.
QString Store::defaultFolder() {
    return QDir(userFolders::dataHome()).filePath(QStringLiteral("planium"));
}

QString Store::slotPath(int slot) const {
    return QDir(m_folder).filePath(slot == 1 ? QStringLiteral("draft.json")
                                             : QStringLiteral("draft-%1.json").arg(slot));
}

Store::Store(const QString& folder)
    : m_folder(folder.isEmpty() ? defaultFolder() : folder) {
    m_problem = files::privateFolder(m_folder);
    m_trusted = m_problem.isEmpty();
    if (!m_trusted)
        return;
    QString unlockable; // a slot whose lock file cannot be made, but that no one holds
    for (int slot = 1; slot <= kSlots; ++slot) {
        bool held = false;
        if (auto lock = files::FileLock::take(slotPath(slot) + QStringLiteral(".lock"), &held)) {
            m_path = slotPath(slot);
            m_lock = std::move(lock);
            return;
        }
        if (!held && unlockable.isEmpty())
            unlockable = slotPath(slot);
    }
    // Without a lock of its own the draft is kept all the same, where it keeps out
    // of the way of the instances that hold theirs.
    m_path = unlockable;
    if (m_path.isEmpty())
        m_problem = QStringLiteral("все %1 мест для черновиков заняты другими окнами программы").arg(kSlots);
}

Store::~Store() = default;

Store::Found Store::look() {
    Found found;
    if (!m_trusted)
        return found;
    for (int slot = 1; slot <= kSlots; ++slot) {
        const QString path = slotPath(slot);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        std::unique_ptr<files::FileLock> lock;
        if (path != m_path) {
            bool held = false;
            lock = files::FileLock::take(path + QStringLiteral(".lock"), &held);
            if (held)
                continue; // the plan of a window that is open
        }
        const files::ReadResult read = files::readSmallFile(path, kLargestDraft);
        if (read.status == files::ReadResult::Status::Missing)
            continue;
        QString why = read.why;
        if (read.status == files::ReadResult::Status::Read) {
            if (auto contents = decode(read.bytes, &why);
                contents && planCanBeContinued(contents->plan, &why)) {
                found.drafts.append({path, std::move(*contents)});
                continue;
            }
        }
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString aside = files::moveAside(path, QStringLiteral(".bad-") + stamp);
        if (!found.unreadable) {
            found.unreadable = true;
            found.putAside = aside;
            found.why = why;
        }
    }
    std::stable_sort(found.drafts.begin(), found.drafts.end(), [](const Waiting& a, const Waiting& b) {
        return a.contents.written > b.contents.written;
    });
    return found;
}

void Store::adopt(const QString& path) {
    if (path == m_path)
        return;
    bool held = false;
    auto lock = files::FileLock::take(path + QStringLiteral(".lock"), &held);
    if (held)
        return; // claimed by an instance started since: this one keeps its own slot
    m_path = path;
    m_lock = std::move(lock);
}

files::WriteResult Store::saveBytes(const QByteArray& bytes) {
    if (m_path.isEmpty())
        return {files::WriteError::Other, m_problem};
    if (bytes.size() > kLargestDraft)
        return {files::WriteError::Other, QStringLiteral("черновик больше, чем программа может прочитать")};
    return files::replaceFile(m_path, bytes);
}

} // namespace draft
