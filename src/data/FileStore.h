#pragma once

#include "data/DisplayText.h"
#include "data/FileFaults.h"
#include "data/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// The one way the program touches its data files (the files a user names for a report are
// OutputFiles'). A replacing write never leaves a mix of old and new content; an append is on
// disk before it returns. Every failure comes back as a message that names the file, for the
// caller to show.
//
// Data files are plain files directly inside their folder. Every call below opens the folder,
// then the last name of the path inside it without following a link, and refuses anything that
// is not a regular file; a FIFO is opened without waiting, so it never hangs the program.
namespace FileStore {

// Writes bytes to a new temporary file beside path (created exclusively, under a unique name,
// with the old file's mode and, run as root, its owner: a write that cannot keep them fails),
// flushes it, renames it over path and flushes the folder, so that a crash leaves either the old
// file or the new one. Temporaries that a killed run left in the folder are removed on the way.
Result<> replaceFile(const QString& path, const QByteArray& bytes);

// A file of fixed-size records: how long a record is, and how to tell the torn start of one that
// a crash interrupted (which the next append replaces) from a damaged end (which it keeps).
struct Records
{
    qint64 size = 0;
    bool (*isTorn)(QByteArrayView tail) = nullptr;
};

// Appends bytes with a single write and flushes them to disk before returning. With records, a
// torn record at the end of the file is first cut away, through the same opening of the file.
Result<> appendToFile(const QString& path, const QByteArray& bytes, Records records = {});

// Who owns a file (a user id) and its permission bits, as found on the file opened.
struct Ownership
{
    unsigned owner = 0;
    unsigned mode = 0;
};

// Reads the whole file, refusing one larger than maxSize bytes. A missing file is an error
// unless missingIsEmpty is set. With ownership, tells who owns the very file read.
Result<QByteArray> readFile(const QString& path, qint64 maxSize, bool missingIsEmpty = false);
Result<QByteArray> readFile(const QString& path, qint64 maxSize, bool missingIsEmpty,
                            Ownership* ownership);
// Old shape, kept for callers outside the core.
IoResult readFile(const QString& path, QByteArray* bytes, qint64 maxSize,
                  bool missingIsEmpty = false, Ownership* ownership = nullptr);

// Creates an empty file when none exists; leaves an existing one untouched.
Result<> createIfMissing(const QString& path);

// Creates the directory (and its parents) when it is missing; the directory itself is made 0700,
// its parents as the umask gives.
Result<> ensureDirectory(const QString& path);

// What lies at a path; a final link is not followed.
struct Entry
{
    enum class Kind { Missing, Regular, Other };
    Kind kind = Kind::Missing;
    qint64 size = 0;
};
Entry examine(const QString& path);
bool exists(const QString& path);

// A regular file read piece by piece, for files that need not be held whole.
class Reader
{
public:
    Reader() = default;
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // A missing file reads as empty when missingIsEmpty is set.
    Result<> open(const QString& path, bool missingIsEmpty = false);
    // The size when opened; later growth is not read.
    qint64 size() const { return m_size; }
    // Who owns the file opened, and its permission bits.
    Ownership ownership() const { return m_ownership; }
    // Exactly length bytes from offset, or a failure naming the file.
    Result<> readAt(qint64 offset, char* buffer, qint64 length);

private:
    int m_fd = -1;
    qint64 m_size = 0;
    Ownership m_ownership;
    QString m_path;
};

// An exclusive lock held through a plain file at path, created empty (0600) when missing, for as
// long as the object lives; the system drops it with the process that held it, however it ended.
// Nothing is written to the file. take() fails at once, without waiting, when another holds it.
class FolderLock
{
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Outcome { Taken, HeldElsewhere, Unusable };
    Outcome take(const QString& path);

private:
    int m_fd = -1;
};

} // namespace FileStore
