#include "data/FileStore.h"

#include "data/FileStamp.h"
#include "data/PosixFiles.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace FileStore {

using namespace PosixFiles;

Result<> replaceFile(const QString& path, const QByteArray& bytes)
{
    OpenFolder folder;
    if (Result<> opened = openFolderOf(path, &folder, true); opened.failed())
        return opened;
    StagedFile staged(folder.fd.get(), folder.split.folder, folder.split.name, path);
    if (Result<> written = staged.write(bytes); written.failed())
        return written;
    if (Result<> renamed = staged.commit(); renamed.failed())
        return renamed;
    return staged.syncFolder();
}

Result<> appendToFile(const QString& path, const QByteArray& bytes, Records records)
{
    OpenFolder folder;
    if (Result<> opened = openFolderOf(path, &folder, false); opened.failed())
        return opened;
    // An existing name is opened only if it is a plain file; a missing one is created without
    // following a link. The torn end of a record file is read through the same opening.
    const int access = (records.size > 0 ? O_RDWR : O_WRONLY) | O_APPEND;
    Fd fd(openIn(folder.fd.get(), folder.split.name, path, access));
    bool created = false;
    if (!fd.valid() && errno == ENOENT) {
        fd.reset(openIn(folder.fd.get(), folder.split.name, path, access | O_CREAT | O_EXCL));
        created = fd.valid();
        if (!created && errno == EEXIST)
            fd.reset(openIn(folder.fd.get(), folder.split.name, path, access));
    }
    struct stat before
    {
    };
    if (!fd.valid() || !isRegular(fd.get(), &before))
        return Failure(describe(QStringLiteral("open"), path, errno));
    if (const qint64 torn =
            records.size > 0 && records.isTorn ? qint64(before.st_size) % records.size : 0) {
        QByteArray tail(torn, Qt::Uninitialized);
        const off_t start = before.st_size - off_t(torn);
        if (::pread(fd.get(), tail.data(), size_t(torn), start) == ssize_t(torn) &&
            records.isTorn(tail)) {
            if (::ftruncate(fd.get(), start) != 0)
                return Failure(describe(QStringLiteral("write"), path, errno));
            before.st_size = start;
        }
    }
    // A new file's name is made durable first, so that a failure leaves at most an empty file.
    if (created && !syncFolder(folder.fd.get(), QFile::decodeName(folder.split.folder)))
        return Failure(describe(QStringLiteral("write"), path, errno));
    bool ok = writeAll(fd.get(), path, bytes);
    int err = errno;
    if (ok && !syncFile(fd.get(), path, true)) {
        ok = false;
        err = errno;
    }
    // Take back a partial or unflushed write: the file keeps whole records only, and a punch
    // reported as not recorded must not turn up later as a duplicate.
    if (!ok && ::ftruncate(fd.get(), before.st_size) == 0)
        ::fdatasync(fd.get());
    return ok ? Result<>() : Failure(describe(QStringLiteral("write"), path, err));
}

Reader::~Reader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FolderLock::Outcome FolderLock::take(const QString& path)
{
    OpenFolder folder;
    if (!openFolderOf(path, &folder, false))
        return Outcome::Unusable;
    Fd fd(openIn(folder.fd.get(), folder.split.name, path, O_RDWR | O_CREAT, 0600));
    struct stat st
    {
    };
    if (!fd.valid() || !isRegular(fd.get(), &st))
        return Outcome::Unusable;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? Outcome::HeldElsewhere : Outcome::Unusable;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd.release();
    return Outcome::Taken;
}

Result<> Reader::open(const QString& path, bool missingIsEmpty)
{
    m_path = path;
    m_size = 0;
    m_ownership = Ownership{};
    OpenFolder folder;
    if (Result<> opened = openFolderOf(path, &folder, false); opened.failed()) {
        if (missingIsEmpty && folder.error == ENOENT)
            return Result<>();
        return opened;
    }
    Fd fd(openIn(folder.fd.get(), folder.split.name, path, O_RDONLY));
    if (!fd.valid()) {
        const int err = errno;
        if (missingIsEmpty && err == ENOENT)
            return Result<>();
        return Failure(describe(QStringLiteral("open"), path, err));
    }
    struct stat st
    {
    };
    if (!isRegular(fd.get(), &st))
        return Failure(describe(QStringLiteral("open"), path, errno));
    if (int err = injected("read", path))
        return Failure(describe(QStringLiteral("read"), path, err));
    m_size = qint64(st.st_size);
    m_ownership = Ownership{unsigned(st.st_uid), unsigned(st.st_mode & 07777)};
    m_fd = fd.release();
    return Result<>();
}

Result<> Reader::readAt(qint64 offset, char* buffer, qint64 length)
{
    while (length > 0) {
        const ssize_t n = m_fd < 0 ? 0 : ::pread(m_fd, buffer, size_t(length), off_t(offset));
        if (n == 0)
            return Failure(describe(QStringLiteral("read"), m_path, Shrunk));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Failure(describe(QStringLiteral("read"), m_path, errno));
        }
        buffer += n;
        offset += n;
        length -= n;
    }
    return Result<>();
}

Result<QByteArray> readFile(const QString& path, qint64 maxSize, bool missingIsEmpty,
                            Ownership* ownership)
{
    Reader file;
    if (const Result<> opened = file.open(path, missingIsEmpty); opened.failed())
        return opened.error();
    if (ownership)
        *ownership = file.ownership();
    if (file.size() > maxSize)
        return Failure(
            QStringLiteral("Could not read the file \"%1\": it holds %2 bytes, more than the %3 "
                           "that such a file can hold.")
                .arg(displayPath(path))
                .arg(file.size())
                .arg(maxSize));
    QByteArray bytes(qsizetype(file.size()), Qt::Uninitialized);
    if (const Result<> read = file.readAt(0, bytes.data(), file.size()); read.failed())
        return read.error();
    return bytes;
}

Result<QByteArray> readFile(const QString& path, qint64 maxSize, bool missingIsEmpty)
{
    return readFile(path, maxSize, missingIsEmpty, nullptr);
}

IoResult readFile(const QString& path, QByteArray* bytes, qint64 maxSize, bool missingIsEmpty,
                  Ownership* ownership)
{
    Result<QByteArray> read = readFile(path, maxSize, missingIsEmpty, ownership);
    *bytes = read.ok() ? std::move(*read) : QByteArray();
    return read.failure();
}

Result<> createIfMissing(const QString& path)
{
    OpenFolder folder;
    if (Result<> opened = openFolderOf(path, &folder, false); opened.failed())
        return opened;
    Fd fd(openIn(folder.fd.get(), folder.split.name, path, O_WRONLY | O_CREAT | O_EXCL));
    if (!fd.valid()) {
        if (errno == EEXIST)
            return Result<>();
        return Failure(describe(QStringLiteral("create"), path, errno));
    }
    if (!syncFolder(folder.fd.get(), QFile::decodeName(folder.split.folder)))
        return Failure(describe(QStringLiteral("flush the folder of"), path, errno));
    return Result<>();
}

Result<> ensureDirectory(const QString& path)
{
    if (QFileInfo(path).isDir())
        return Result<>();
    if (int err = injected("mkdir", path))
        return Failure(QStringLiteral("Could not create the folder \"%1\": %2.")
                           .arg(displayPath(path), errorText(err)));
    // Other accounts must not reach the files in it (PINs, pay rates, the password under a mere
    // scramble), whatever the files' own modes; the folders above it are the user's business.
    const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const int made = QDir().mkpath(QFileInfo(folder).path())
                         ? ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU)
                         : -1;
    if (made != 0 && !(errno == EEXIST && QFileInfo(folder).isDir()))
        return Failure(
            QStringLiteral("Could not create the folder \"%1\".").arg(displayPath(path)));
    return Result<>();
}

Entry examine(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {S_ISREG(st.st_mode) ? Entry::Kind::Regular : Entry::Kind::Other, qint64(st.st_size)};
}

std::optional<Stamp> stampOf(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const auto ns = [](const timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return Stamp{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size), ns(st.st_mtim),
                 ns(st.st_ctim)};
}

bool exists(const QString& path)
{
    return examine(path).kind != Entry::Kind::Missing;
}

} // namespace FileStore
