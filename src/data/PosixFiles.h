#pragma once

// The system calls behind the file layer, private to src/data: FileStore (the data folder) and
// OutputFiles (the files a user names) are built on them; nothing else includes this file.
#include "data/FileFaults.h"
#include "data/Result.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

#include <utility>

namespace PosixFiles {

// Reasons of the file layer's own, kept apart from the system's errno values.
enum Reason : int { NotRegular = 100001, TooLarge, BadName, Shrunk };

FileStore::FaultHook& faultHook();
// Returns the injected errno for this call, or 0 to let it run.
int injected(const char* call, const QString& path);

QString errorText(int err);
// "Could not <what> the file "<path>": <why>."
QString describe(const QString& what, const QString& path, int err);
Failure failure(const QString& what, const QString& path, int err);

// A file descriptor that closes itself.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// The folder of a path and the last name in it, which must be a plain name.
struct SplitPath
{
    QByteArray folder;
    QByteArray name;
};

// Opens a name inside a folder without following a final link and without waiting on a FIFO.
int openIn(int folder, const QByteArray& name, const QString& path, int flags, mode_t mode = 0644);
// A plain file; errno NotRegular otherwise.
bool isRegular(int fd, struct stat* st);
// Writes all bytes, resuming after short writes and interruptions.
bool writeAll(int fd, const QString& path, QByteArrayView bytes);
// Gives a new file the mode of the file it stands in for and, when a job runs as root, its
// owner: a file that would change hands or become readable to others is not written.
Result<> takeModeAndOwner(int fd, const struct stat& old, const QString& path);
bool syncFile(int fd, const QString& path, bool dataOnly);
bool syncFolder(int folder, const QString& path);
bool sameFile(const struct stat& a, const struct stat& b);

// The folder of a path, open; with cleanUp, its stale temporaries gone.
struct OpenFolder
{
    Fd fd;
    SplitPath split;
    int error = 0; // why it could not be opened
};
Result<> openFolderOf(const QString& path, OpenFolder* folder, bool cleanUp);

// A new temporary beside name (".NAME.tmp-N"), created exclusively and locked for as long as fd
// stays open, so that no other writer takes it for a killed run's leftover. With link, it is a
// second name of that file instead of a new empty one.
Result<> createTemporary(int folder, const QByteArray& name, const QString& path, Fd* fd,
                         QByteArray* temporary, mode_t mode = 0644);
Result<> linkTemporary(int folder, const QByteArray& name, const QString& path, Fd* fd,
                       QByteArray* temporary);

// A temporary file in a folder, written and flushed, removed again unless it was renamed.
class StagedFile
{
public:
    // newMode: the mode of a file that replaces none (the umask applies).
    StagedFile(int folder, QByteArray folderPath, QByteArray name, QString path,
               mode_t newMode = 0644);
    ~StagedFile() { discard(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;

    // Writes bytes to a new temporary file with the mode (and, for root, the owner) of the file
    // it will replace.
    Result<> write(const QByteArray& bytes);
    // Renames the temporary over the file.
    Result<> commit();
    Result<> syncFolder() const;

    int folder() const { return m_folder; }
    const QByteArray& name() const { return m_name; }
    const QString& path() const { return m_path; }
    // The file written, to know it again after the rename.
    const struct stat& written() const { return m_written; }

private:
    void discard();

    int m_folder;
    QByteArray m_folderPath;
    QByteArray m_name;
    QString m_path;
    mode_t m_newMode;
    QByteArray m_temp;
    Fd m_fd; // open, and locked, while the temporary exists
    struct stat m_written
    {
    };
};

} // namespace PosixFiles
