#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The one way the program touches files. A replacing write never leaves a mix of old and new
// content; an append is on disk before it returns. Every failure comes back as a message that
// names the file, for the caller to show.
struct IoResult
{
    bool ok = true;
    QString error; // human-readable, names the file; empty when ok

    static IoResult success() { return {}; }
    static IoResult failure(const QString& message) { return {false, message}; }
    explicit operator bool() const { return ok; }
};

namespace FileStore {

// Writes bytes to a temporary file beside path, flushes it, renames it over path and flushes
// the directory, so that a crash leaves either the old file or the new one.
IoResult replaceFile(const QString& path, const QByteArray& bytes);

// Appends bytes with a single write and flushes them to disk before returning.
IoResult appendToFile(const QString& path, const QByteArray& bytes);

// Reads the whole file. A missing file is an error unless missingIsEmpty is set.
IoResult readFile(const QString& path, QByteArray* bytes, bool missingIsEmpty = false);

// Creates an empty file when none exists; leaves an existing one untouched.
IoResult createIfMissing(const QString& path);

// Creates the directory (and its parents) when it is missing.
IoResult ensureDirectory(const QString& path);

bool exists(const QString& path);

// Size in bytes, or -1 when the file does not exist or cannot be examined.
qint64 fileSize(const QString& path);

// Fault injection for tests: the hook is asked before each system call with the call's name
// ("open", "write", "fsync", "rename", "fsyncdir", "read") and the path; returning a non-zero
// errno makes that call fail with it.
using FaultHook = std::function<int(const char* call, const QString& path)>;
void setFaultHook(FaultHook hook);

} // namespace FileStore
