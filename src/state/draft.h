#pragma once

#include "state/files.h"
#include "state/plan_state.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The draft of the plan in progress: one JSON file in the user's private data
// folder, rewritten after every step so that a closed window, a crash or a power
// cut loses nothing.
//
// The file (format version 1):
//   { "format": "planium-draft", "version": 1,
//     "written": "2026-12-09T10:15:00.000+03:00",  local time with its offset
//     "plan":    { every plan variable by name (plan_fields.h), "services": [40 records] },
//     "screens": { each screen's entries and which screens show } }
// A plan value is null (empty), a text as textToJson() gives it, {"whole": "12"},
// {"double": "0.1"} (17 significant digits, or "inf", "-inf", "nan") or
// {"fixed": "125000"} (ten-thousandths). A family is an array of five values,
// the total first. A draft of a newer version is never read.
namespace draft {

inline constexpr int kVersion = 1;

struct Contents {
    QDateTime written; // when the draft was written
    PlanState plan;
    QJsonObject screens; // what the wizard keeps of the screens; not looked into here
};

// The whole file for the contents.
QByteArray encode(const Contents& contents);
QByteArray encode(const QDateTime& written, const PlanState& plan, const QJsonObject& screens);
// The contents of a file, or nothing when it is not a whole draft this version
// can read (`why` then says what is wrong).
std::optional<Contents> decode(const QByteArray& bytes, QString* why = nullptr);

// Whether the screens can go on with the plan: its counters as they can be, and
// every number one the screens or calculations could have made (the amounts
// whose boxes are read again when the plan is continued aside). `why` says what
// is wrong.
bool planCanBeContinued(const PlanState& plan, QString* why = nullptr);

// The plan alone, as the draft holds it.
QJsonObject planToJson(const PlanState& plan);
bool planFromJson(const QJsonObject& json, PlanState& plan);
// A text exactly as typed: a JSON string, or {"utf16": "<hex>"} for a text that
// UTF-8 cannot hold (a lone surrogate pasted in) or that holds U+FEFF (which a
// JSON reader drops from the start of a string); nothing when it is neither.
QJsonValue textToJson(const QString& text);
std::optional<QString> textFromJson(const QJsonValue& json);
// One service record, as the plan's records are held.
QJsonObject serviceToJson(const ServiceRecord& record);
bool serviceFromJson(const QJsonObject& json, ServiceRecord& record);

// The drafts of one user. Each running instance of the program claims a slot of
// its own ("draft.json", then "draft-2.json" …) with a lock file beside it, so two
// instances never write the same draft; a slot whose owner has died (a crash, a
// kill) is free again, and the draft it left is offered on the next start.
class Store {
public:
    // The folder defaults to the user's private data folder (XDG_DATA_HOME). It
    // is made when missing; one that belongs to another user or that others can
    // write is not used.
    explicit Store(const QString& folder = {});
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // The user's private data folder for drafts.
    static QString defaultFolder();
    // The largest draft read; the largest plan the screens can hold comes far below.
    static constexpr qint64 kLargestDraft = 128 * 1024 * 1024;

    // Why no draft can be kept at all, in the user's words; empty when one can.
    QString problem() const { return m_problem; }
    // Where this instance keeps its draft; empty when it cannot keep one.
    QString path() const { return m_path; }

    struct Waiting {
        QString path;
        Contents contents;
    };
    struct Found {
        QList<Waiting> drafts; // newest first
        QString putAside;      // where the first draft that could not be read went
        QString why;           // what was wrong with it
        bool unreadable = false;
    };
    // Every draft in the folder that no running instance holds, this instance's
    // slot among them, whether or not its lock file could be made. Anything else
    // there (empty, cut short, garbled, of a newer version, a plan no screen could
    // have made, a folder, a link, a FIFO) is renamed aside, never deleted and
    // never waited on.
    Found look();
    // Goes on with the waiting draft at `path`: this instance keeps its plan
    // there from now on (unless another instance has claimed it since).
    void adopt(const QString& path);

    // Writes the draft safely: a new file beside the old one, flushed to the disk,
    // then renamed over it; a crash at any moment leaves the old or the new draft.
    // The kind of failure and the system's text when it cannot.
    files::WriteResult saveBytes(const QByteArray& bytes);
    files::WriteResult save(const Contents& contents) { return saveBytes(encode(contents)); }

private:
    QString slotPath(int slot) const;

    QString m_folder;
    QString m_problem;
    bool m_trusted = false; // the folder is the user's own
    QString m_path;
    std::unique_ptr<files::FileLock> m_lock; // none where no lock file can be had
};

} // namespace draft
