#include "data/FileStore.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileStore {
namespace {

FaultHook& faultHook()
{
    static FaultHook hook;
    return hook;
}

// Returns the injected errno for this call, or 0 to let it run.
int injected(const char* call, const QString& path)
{
    const FaultHook& hook = faultHook();
    return hook ? hook(call, path) : 0;
}

QString describe(const QString& what, const QString& path, int err)
{
    return QStringLiteral("Could not %1 the file \"%2\": %3.")
        .arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(err)));
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

int openFile(const QString& path, int flags, mode_t mode = 0644)
{
    if (int err = injected("open", path)) {
        errno = err;
        return -1;
    }
    int fd;
    do {
        fd = ::open(nativePath(path).constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes all bytes, resuming after short writes and interruptions.
bool writeAll(int fd, const QString& path, const QByteArray& bytes)
{
    if (int err = injected("write", path)) {
        errno = err;
        return false;
    }
    const char* data = bytes.constData();
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

bool syncFile(int fd, const QString& path, bool dataOnly)
{
    if (int err = injected(dataOnly ? "fdatasync" : "fsync", path)) {
        errno = err;
        return false;
    }
    return (dataOnly ? ::fdatasync(fd) : ::fsync(fd)) == 0;
}

bool syncDirectory(const QString& dir)
{
    if (int err = injected("fsyncdir", dir)) {
        errno = err;
        return false;
    }
    const int fd = ::open(nativePath(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL; // some file systems cannot sync a dir
    ::close(fd);
    return ok;
}

} // namespace

void setFaultHook(FaultHook hook)
{
    faultHook() = std::move(hook);
}

IoResult replaceFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    // A fixed, dotted name that no reader ever takes for data; a stale one is simply replaced.
    const QString temp = dir + QStringLiteral("/.") + info.fileName() + QStringLiteral(".new");
    const int fd = openFile(temp, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0)
        return IoResult::failure(
            describe(QStringLiteral("create a temporary copy of"), path, errno));
    const bool written = writeAll(fd, temp, bytes) && syncFile(fd, temp, false);
    const int err = errno;
    ::close(fd);
    if (!written) {
        ::unlink(nativePath(temp).constData());
        return IoResult::failure(describe(QStringLiteral("write"), path, err));
    }
    if (int e = injected("rename", path)) {
        ::unlink(nativePath(temp).constData());
        return IoResult::failure(describe(QStringLiteral("replace"), path, e));
    }
    if (::rename(nativePath(temp).constData(), nativePath(path).constData()) != 0) {
        const int e = errno;
        ::unlink(nativePath(temp).constData());
        return IoResult::failure(describe(QStringLiteral("replace"), path, e));
    }
    if (!syncDirectory(dir))
        return IoResult::failure(describe(QStringLiteral("flush the folder of"), path, errno));
    return IoResult::success();
}

IoResult appendToFile(const QString& path, const QByteArray& bytes)
{
    const bool existed = exists(path);
    const int fd = openFile(path, O_WRONLY | O_CREAT | O_APPEND);
    if (fd < 0)
        return IoResult::failure(describe(QStringLiteral("open"), path, errno));
    // A new file's name is made durable first, so that a failure leaves at most an empty file.
    if (!existed && !syncDirectory(QFileInfo(path).absolutePath())) {
        const int err = errno;
        ::close(fd);
        return IoResult::failure(describe(QStringLiteral("write"), path, err));
    }
    struct stat before
    {
    };
    const bool haveSize = ::fstat(fd, &before) == 0;
    bool ok = writeAll(fd, path, bytes);
    int err = errno;
    if (ok && !syncFile(fd, path, true)) {
        ok = false;
        err = errno;
    }
    // Take back a partial or unflushed write: the file keeps whole records only, and a punch
    // reported as not recorded must not turn up later as a duplicate.
    if (!ok && haveSize && ::ftruncate(fd, before.st_size) == 0)
        ::fdatasync(fd);
    ::close(fd);
    return ok ? IoResult::success()
              : IoResult::failure(describe(QStringLiteral("write"), path, err));
}

IoResult readFile(const QString& path, QByteArray* bytes, bool missingIsEmpty)
{
    bytes->clear();
    const int fd = openFile(path, O_RDONLY);
    if (fd < 0) {
        if (missingIsEmpty && errno == ENOENT)
            return IoResult::success();
        return IoResult::failure(describe(QStringLiteral("open"), path, errno));
    }
    if (int err = injected("read", path)) {
        ::close(fd);
        return IoResult::failure(describe(QStringLiteral("read"), path, err));
    }
    // Read straight into a buffer sized from the file, one byte larger so that the read that
    // finds the end needs no reallocation; a file that grows meanwhile is still read whole.
    struct stat st;
    const qsizetype expected = ::fstat(fd, &st) == 0 && st.st_size > 0 ? qsizetype(st.st_size) : 0;
    bytes->resize(expected + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes->size())
            bytes->resize(filled * 2 + 65536);
        const ssize_t n = ::read(fd, bytes->data() + filled, size_t(bytes->size() - filled));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            bytes->clear();
            return IoResult::failure(describe(QStringLiteral("read"), path, err));
        }
        filled += n;
    }
    ::close(fd);
    bytes->resize(filled);
    return IoResult::success();
}

IoResult createIfMissing(const QString& path)
{
    if (exists(path))
        return IoResult::success();
    const int fd = openFile(path, O_WRONLY | O_CREAT | O_EXCL);
    if (fd < 0) {
        if (errno == EEXIST)
            return IoResult::success();
        return IoResult::failure(describe(QStringLiteral("create"), path, errno));
    }
    ::close(fd);
    if (!syncDirectory(QFileInfo(path).absolutePath()))
        return IoResult::failure(describe(QStringLiteral("flush the folder of"), path, errno));
    return IoResult::success();
}

IoResult ensureDirectory(const QString& path)
{
    if (QFileInfo(path).isDir())
        return IoResult::success();
    if (int err = injected("mkdir", path))
        return IoResult::failure(
            QStringLiteral("Could not create the folder \"%1\": %2.")
                .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(err))));
    if (!QDir().mkpath(path))
        return IoResult::failure(QStringLiteral("Could not create the folder \"%1\".")
                                     .arg(QDir::toNativeSeparators(path)));
    return IoResult::success();
}

bool exists(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(nativePath(path).constData(), &st) == 0;
}

qint64 fileSize(const QString& path)
{
    struct stat st
    {
    };
    if (::stat(nativePath(path).constData(), &st) != 0)
        return -1;
    return qint64(st.st_size);
}

} // namespace FileStore
