#include "data/PosixFiles.h"

#include "data/DisplayText.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace PosixFiles {
namespace {

constexpr char TempMark[] = ".tmp-";
constexpr int MaxTemporaries = 16;

// ".NAME.tmp-N": dotted so that no reader takes it for data. Its writer holds a lock on it for
// as long as it lives, so a later write can tell a killed run's leftover from a write going on.
QByteArray temporaryName(const QByteArray& name, int n)
{
    return '.' + name.left(200) + TempMark + QByteArray::number(n);
}

bool isTemporaryName(QByteArrayView name)
{
    if (!name.startsWith('.'))
        return false;
    const qsizetype mark = name.toByteArray().lastIndexOf(TempMark);
    if (mark <= 1)
        return false;
    bool ok = false;
    const int n = name.sliced(mark + qsizetype(sizeof TempMark) - 1).toInt(&ok);
    return ok && n > 0;
}

// Removes the temporaries whose writers no longer run (their lock went with them).
void removeStaleTemporaries(int folder)
{
    const int copy = ::dup(folder);
    if (copy < 0)
        return;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        const Fd fd(::openat(folder, entry->d_name,
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat st
        {
        };
        const bool stale = fd.valid() ? ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) &&
                                            ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0
                                      : errno == ELOOP; // a link in a temporary's place is debris
        if (stale)
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(dir);
}

bool splitPath(const QString& path, SplitPath* split)
{
    const QByteArray native = QFile::encodeName(path);
    const qsizetype slash = native.lastIndexOf('/');
    split->folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : native.left(slash);
    split->name = native.mid(slash + 1);
    return !split->name.isEmpty() && split->name != "." && split->name != ".." &&
           !split->name.contains('\0');
}

int openFolder(const QByteArray& folder)
{
    int fd;
    do {
        fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The temporary of each number in turn until one is free; make creates it, or fails with errno.
template <typename Make>
Result<> firstFreeTemporary(const QByteArray& name, const QString& path, QByteArray* temporary,
                            Make make)
{
    for (int n = 1; n <= MaxTemporaries; ++n) {
        *temporary = temporaryName(name, n);
        if (make(*temporary))
            return Result<>();
        if (errno != EEXIST)
            break;
    }
    const int err = errno;
    temporary->clear();
    return failure(QStringLiteral("create a temporary copy of"), path, err);
}

} // namespace

} // namespace PosixFiles

void FileStore::setFaultHook(FaultHook hook)
{
    PosixFiles::faultHook() = std::move(hook);
}

namespace PosixFiles {

FileStore::FaultHook& faultHook()
{
    static FileStore::FaultHook hook;
    return hook;
}

int injected(const char* call, const QString& path)
{
    const FileStore::FaultHook& hook = faultHook();
    return hook ? hook(call, path) : 0;
}

QString errorText(int err)
{
    switch (err) {
    case ELOOP:
        return QStringLiteral("it is a symbolic link, which Horodex does not follow");
    case ENXIO:
        return QStringLiteral("it is a FIFO or device that nothing reads");
    case NotRegular:
        return QStringLiteral("it is not a plain file (a folder, device, FIFO or socket)");
    case BadName:
        return QStringLiteral("the name cannot be a file name in its folder");
    case Shrunk:
        return QStringLiteral("it became shorter while it was being read");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

QString describe(const QString& what, const QString& path, int err)
{
    return QStringLiteral("Could not %1 the file \"%2\": %3.")
        .arg(what, FileStore::displayPath(path), errorText(err));
}

Failure failure(const QString& what, const QString& path, int err)
{
    return Failure(describe(what, path, err));
}

void Fd::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

int openIn(int folder, const QByteArray& name, const QString& path, int flags, mode_t mode)
{
    if (int err = injected("open", path)) {
        errno = err;
        return -1;
    }
    int fd;
    do {
        fd = ::openat(folder, name.constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool isRegular(int fd, struct stat* st)
{
    if (::fstat(fd, st) != 0)
        return false;
    if (!S_ISREG(st->st_mode)) {
        errno = NotRegular;
        return false;
    }
    return true;
}

bool writeAll(int fd, const QString& path, QByteArrayView bytes)
{
    if (int err = injected("write", path)) {
        errno = err;
        return false;
    }
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

Result<> takeModeAndOwner(int fd, const struct stat& old, const QString& path)
{
    int err = injected("fchmod", path);
    if (err == 0 && ::fchmod(fd, old.st_mode & 0777) != 0)
        err = errno;
    if (err != 0)
        return failure(QStringLiteral("keep the permissions of"), path, err);
    if (::geteuid() != 0)
        return Result<>();
    err = injected("fchown", path);
    if (err == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        err = errno;
    if (err != 0)
        return failure(QStringLiteral("keep the owner of"), path, err);
    return Result<>();
}

bool syncFile(int fd, const QString& path, bool dataOnly)
{
    if (int err = injected(dataOnly ? "fdatasync" : "fsync", path)) {
        errno = err;
        return false;
    }
    return (dataOnly ? ::fdatasync(fd) : ::fsync(fd)) == 0;
}

bool syncFolder(int folder, const QString& path)
{
    if (int err = injected("fsyncdir", path)) {
        errno = err;
        return false;
    }
    return ::fsync(folder) == 0 || errno == EINVAL; // some file systems cannot sync a folder
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

Result<> openFolderOf(const QString& path, OpenFolder* folder, bool cleanUp)
{
    if (!splitPath(path, &folder->split)) {
        folder->error = BadName;
        return failure(QStringLiteral("open"), path, BadName);
    }
    folder->fd.reset(openFolder(folder->split.folder));
    if (!folder->fd.valid()) {
        folder->error = errno;
        return failure(QStringLiteral("open the folder of"), path, folder->error);
    }
    if (cleanUp)
        removeStaleTemporaries(folder->fd.get());
    return Result<>();
}

Result<> createTemporary(int folder, const QByteArray& name, const QString& path, Fd* fd,
                         QByteArray* temporary, mode_t mode)
{
    const Result<> made = firstFreeTemporary(name, path, temporary, [&](const QByteArray& temp) {
        fd->reset(openIn(folder, temp, path, O_WRONLY | O_CREAT | O_EXCL, mode));
        return fd->valid();
    });
    if (made)
        ::flock(fd->get(), LOCK_EX | LOCK_NB); // new and ours: nobody else holds it
    return made;
}

Result<> linkTemporary(int folder, const QByteArray& name, const QString& path, Fd* fd,
                       QByteArray* temporary)
{
    if (int err = injected("link", path))
        return failure(QStringLiteral("keep a copy of"), path, err);
    const Result<> made = firstFreeTemporary(name, path, temporary, [&](const QByteArray& temp) {
        return ::linkat(folder, name.constData(), folder, temp.constData(), 0) == 0;
    });
    if (!made)
        return made;
    fd->reset(openIn(folder, *temporary, path, O_RDONLY));
    if (fd->valid())
        ::flock(fd->get(), LOCK_EX | LOCK_NB);
    return Result<>();
}

StagedFile::StagedFile(int folder, QByteArray folderPath, QByteArray name, QString path,
                       mode_t newMode)
    : m_folder(folder), m_folderPath(std::move(folderPath)), m_name(std::move(name)),
      m_path(std::move(path)), m_newMode(newMode)
{
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : m_folder(other.m_folder), m_folderPath(std::move(other.m_folderPath)),
      m_name(std::move(other.m_name)), m_path(std::move(other.m_path)), m_newMode(other.m_newMode),
      m_temp(std::exchange(other.m_temp, QByteArray())), m_fd(std::move(other.m_fd)),
      m_written(other.m_written)
{
}

Result<> StagedFile::write(const QByteArray& bytes)
{
    struct stat old
    {
    };
    const bool hadOld = ::fstatat(m_folder, m_name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (hadOld && !S_ISREG(old.st_mode))
        return failure(QStringLiteral("replace"), m_path,
                       S_ISLNK(old.st_mode) ? ELOOP : NotRegular);
    if (Result<> made = createTemporary(m_folder, m_name, m_path, &m_fd, &m_temp, m_newMode);
        made.failed())
        return made;
    if (hadOld) {
        if (Result<> taken = takeModeAndOwner(m_fd.get(), old, m_path); taken.failed())
            return taken;
    }
    if (!writeAll(m_fd.get(), m_path, bytes) || !syncFile(m_fd.get(), m_path, false) ||
        ::fstat(m_fd.get(), &m_written) != 0)
        return failure(QStringLiteral("write"), m_path, errno);
    return Result<>();
}

Result<> StagedFile::commit()
{
    if (int err = injected("rename", m_path))
        return failure(QStringLiteral("replace"), m_path, err);
    if (::renameat(m_folder, m_temp.constData(), m_folder, m_name.constData()) != 0)
        return failure(QStringLiteral("replace"), m_path, errno);
    m_temp.clear();
    m_fd.reset();
    return Result<>();
}

Result<> StagedFile::syncFolder() const
{
    if (!PosixFiles::syncFolder(m_folder, QFile::decodeName(m_folderPath)))
        return failure(QStringLiteral("flush the folder of"), m_path, errno);
    return Result<>();
}

void StagedFile::discard()
{
    if (!m_temp.isEmpty())
        ::unlinkat(m_folder, m_temp.constData(), 0);
    m_temp.clear();
}

} // namespace PosixFiles
