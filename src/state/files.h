#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// Every file the program reads or writes goes through here: a small file read
// without following links or waiting on anything, a file replaced atomically, a
// file moved aside, a new file published without replacing anything. Each is
// flushed to the disk before anyone is told it is saved. One implementation per
// system behind this header.
namespace files {

// Why a file could not be written, in the kinds the user is told apart.
enum class WriteError {
    None,
    NoSpace,      // the disk or the user's quota is full
    NoPermission, // not allowed, or a read-only file system
    Other,
};

struct WriteResult {
    WriteError error = WriteError::None;
    QString why; // the system's own text, empty on success
    explicit operator bool() const { return error == WriteError::None; }
};

struct ReadResult {
    enum class Status { Missing, Read, Refused };
    enum class Refusal { None, Link, NotPlainFile, TooLarge, Unreadable };
    Status status = Status::Missing;
    Refusal refusal = Refusal::None; // with Refused
    QByteArray bytes;                // with Read
    QString why;                     // with Refused: in words, for the log
};

// Reads a plain file of at most `largest` bytes. A link is never followed, a FIFO
// or device never opened or waited on, a file swapped for something else between
// looking and opening refused.
ReadResult readSmallFile(const QString& path, qint64 largest);

// Replaces the file at `path` (readable and writable by the owner only) with
// `bytes`: written into a new file beside it ("<path>.new", created exclusively),
// flushed, renamed over it and the folder flushed, so that a crash at any moment
// leaves the old or the new file whole. A link at `path` is replaced, never
// written through; a leftover of a write that never finished is removed.
WriteResult replaceFile(const QString& path, const QByteArray& bytes);

// Renames whatever is at `path` (a file, a link, a folder) to "<path><suffix>",
// or "<path><suffix>-2", "-3" … when that is taken, never replacing anything.
// Returns the new path, or empty when it could not be moved.
QString moveAside(const QString& path, const QString& suffix);

// A new file published in a folder without replacing or writing through anything
// found there. It is made as a hidden file of the program's own naming
// (".<stem>.<random>.part", created exclusively), written, and only then given
// its name. Nothing is left in the folder when it is not published.
class NewFile {
public:
    NewFile(const QString& folder, const QString& stem);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // False when the hidden file could not be made; error() says why.
    bool isOpen() const;
    // What went wrong last, empty when nothing did.
    QString error() const;
    // A path through which a library that opens files by name writes into the
    // hidden file, even if something swapped its name in between.
    QByteArray writablePath() const;
    // The bytes written so far, or -1 when they cannot be told.
    qint64 size() const;

    // Gives the file the permissions the user's umask gives new documents,
    // flushes it and names it "<stem><suffix>", or "<stem> (2)<suffix>" …
    // "<stem> (1000)<suffix>" when that is taken; then flushes the folder.
    // Returns the new path, or empty with error() saying why.
    QString publish(const QString& suffix);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// A folder for the user's private files: made when missing (the folders above
// it as usual, itself readable by the owner only); one that is there already (or
// the folder a link there leads to) is used only when it is the user's own and
// no one else can write to it. Nothing that is there is ever changed. Empty when
// the folder can be used, otherwise why not, in the user's words.
QString privateFolder(const QString& path);

// Removes from `folder` what publishing left behind when the program ended in
// the middle of it: hidden files of the program's own naming (".<stem>….part",
// `stem` starting with `stemStart`), plain files (never a link) not changed for
// a minute. Returns how many went.
int removeLeftovers(const QString& folder, const QString& stemStart);

// An exclusive claim on a lock file, held while the object lives and given up
// when the process ends, however it ends. Only a plain file of the program's own
// is a lock file: a link is never followed, nothing is waited on.
class FileLock {
public:
    // The claim, or none when another holds it (then *heldElsewhere is set) or
    // no lock file can be had.
    static std::unique_ptr<FileLock> take(const QString& path, bool* heldElsewhere = nullptr);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    struct Private;
    explicit FileLock(std::unique_ptr<Private> p);
    std::unique_ptr<Private> d;
};

} // namespace files
