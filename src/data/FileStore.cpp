#include "data/FileStore.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace FileStore {
namespace {

// Reasons of the file layer's own, kept apart from the system's errno values.
enum Reason : int { NotRegular = 100001, TooLarge, BadName, Shrunk };

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
        .arg(what, displayPath(path), errorText(err));
}

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
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// The folder of a path and the last name in it, which must be a plain name.
struct SplitPath
{
    QByteArray folder;
    QByteArray name;
};

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

// Opens a name inside a folder without following a final link and without waiting on a FIFO.
int openIn(int folder, const QByteArray& name, const QString& path, int flags, mode_t mode = 0644)
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

bool syncFolder(int folder, const QString& path)
{
    if (int err = injected("fsyncdir", path)) {
        errno = err;
        return false;
    }
    return ::fsync(folder) == 0 || errno == EINVAL; // some file systems cannot sync a folder
}

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

// A temporary file in a folder, written and flushed, removed again unless it was renamed.
class StagedFile
{
public:
    StagedFile(int folder, QByteArray folderPath, QByteArray name, QString path)
        : m_folder(folder), m_folderPath(std::move(folderPath)), m_name(std::move(name)),
          m_path(std::move(path))
    {
    }
    ~StagedFile() { discard(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    StagedFile(StagedFile&& other) noexcept
        : m_folder(other.m_folder), m_folderPath(std::move(other.m_folderPath)),
          m_name(std::move(other.m_name)), m_path(std::move(other.m_path)),
          m_temp(std::exchange(other.m_temp, QByteArray())), m_fd(std::move(other.m_fd))
    {
    }
    StagedFile& operator=(StagedFile&&) = delete;

    // Writes bytes to a new temporary file with the mode of the file it will replace.
    IoResult write(const QByteArray& bytes)
    {
        struct stat old
        {
        };
        const bool hadOld = ::fstatat(m_folder, m_name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
        if (hadOld && !S_ISREG(old.st_mode))
            return IoResult::failure(describe(QStringLiteral("replace"), m_path,
                                              S_ISLNK(old.st_mode) ? ELOOP : NotRegular));
        Fd& fd = m_fd;
        for (int n = 1; n <= MaxTemporaries && !fd.valid(); ++n) {
            m_temp = temporaryName(m_name, n);
            fd.reset(openIn(m_folder, m_temp, m_path, O_WRONLY | O_CREAT | O_EXCL));
            if (!fd.valid() && errno != EEXIST)
                break;
        }
        if (!fd.valid()) {
            const int err = errno;
            m_temp.clear();
            return IoResult::failure(
                describe(QStringLiteral("create a temporary copy of"), m_path, err));
        }
        ::flock(fd.get(), LOCK_EX | LOCK_NB); // new and ours: nobody else holds it
        if (hadOld) {
            ::fchmod(fd.get(), old.st_mode & 0777);
            // A job run as root leaves the file its owner's.
            if (::geteuid() == 0 && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
            }
        }
        if (!writeAll(fd.get(), m_path, bytes) || !syncFile(fd.get(), m_path, false))
            return IoResult::failure(describe(QStringLiteral("write"), m_path, errno));
        return IoResult::success();
    }

    IoResult commit()
    {
        if (int err = injected("rename", m_path))
            return IoResult::failure(describe(QStringLiteral("replace"), m_path, err));
        if (::renameat(m_folder, m_temp.constData(), m_folder, m_name.constData()) != 0)
            return IoResult::failure(describe(QStringLiteral("replace"), m_path, errno));
        m_temp.clear();
        m_fd.reset();
        return IoResult::success();
    }

    IoResult syncFolder() const
    {
        if (!FileStore::syncFolder(m_folder, QFile::decodeName(m_folderPath)))
            return IoResult::failure(
                describe(QStringLiteral("flush the folder of"), m_path, errno));
        return IoResult::success();
    }

private:
    void discard()
    {
        if (!m_temp.isEmpty())
            ::unlinkat(m_folder, m_temp.constData(), 0);
        m_temp.clear();
    }

    int m_folder;
    QByteArray m_folderPath;
    QByteArray m_name;
    QString m_path;
    QByteArray m_temp;
    Fd m_fd; // open, and locked, while the temporary exists
};

// The folder of a path, open, with its stale temporaries gone.
struct OpenFolder
{
    Fd fd;
    SplitPath split;
    int error = 0; // why it could not be opened
};

IoResult openFolderOf(const QString& path, OpenFolder* folder, bool cleanUp)
{
    if (!splitPath(path, &folder->split)) {
        folder->error = BadName;
        return IoResult::failure(describe(QStringLiteral("open"), path, BadName));
    }
    folder->fd.reset(openFolder(folder->split.folder));
    if (!folder->fd.valid()) {
        folder->error = errno;
        return IoResult::failure(
            describe(QStringLiteral("open the folder of"), path, folder->error));
    }
    if (cleanUp)
        removeStaleTemporaries(folder->fd.get());
    return IoResult::success();
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// How an output is written: replaced as a file at a path, or written to a stream.
struct OutputTarget
{
    QString file; // the regular file to replace (a link's target), or empty
    bool toStandardOutput = false;
};

IoResult resolveOutput(const QString& path, OutputTarget* target)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat link
    {
    };
    if (::lstat(native.constData(), &link) != 0) {
        if (errno != ENOENT)
            return IoResult::failure(describe(QStringLiteral("write"), path, errno));
        target->file = path;
        return IoResult::success();
    }
    struct stat st
    {
    };
    if (::stat(native.constData(), &st) != 0) // a link that leads nowhere
        return IoResult::failure(
            describe(QStringLiteral("write"), path, errno == ENOENT ? ELOOP : errno));
    struct stat out
    {
    };
    if (::fstat(STDOUT_FILENO, &out) == 0 && sameFile(st, out)) {
        target->toStandardOutput = true;
        return IoResult::success();
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode))
        return IoResult::success(); // a stream: written where it is
    if (!S_ISREG(st.st_mode))
        return IoResult::failure(describe(QStringLiteral("write"), path, NotRegular));
    if (!S_ISLNK(link.st_mode)) {
        target->file = path;
        return IoResult::success();
    }
    char* resolved = ::realpath(native.constData(), nullptr);
    if (!resolved)
        return IoResult::failure(describe(QStringLiteral("write"), path, errno));
    target->file = QFile::decodeName(resolved);
    ::free(resolved);
    return IoResult::success();
}

IoResult writeStream(const QString& path, bool toStandardOutput, const QByteArray& bytes)
{
    Fd own;
    int fd = STDOUT_FILENO;
    if (!toStandardOutput) {
        own.reset(::open(QFile::encodeName(path).constData(),
                         O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat st
        {
        };
        if (!own.valid())
            return IoResult::failure(describe(QStringLiteral("open"), path, errno));
        if (::fstat(own.get(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
            return IoResult::failure(describe(QStringLiteral("write"), path, NotRegular));
        // A reader is there: from now on a full pipe waits for it like any writer.
        ::fcntl(own.get(), F_SETFL, ::fcntl(own.get(), F_GETFL) & ~O_NONBLOCK);
        fd = own.get();
    }
    if (!writeAll(fd, path, bytes))
        return IoResult::failure(describe(QStringLiteral("write"), path, errno));
    return IoResult::success();
}

} // namespace

void setFaultHook(FaultHook hook)
{
    faultHook() = std::move(hook);
}

QString displayPath(const QString& path)
{
    constexpr int Max = 160;
    const QString native = QDir::toNativeSeparators(path);
    if (native.size() <= Max)
        return native;
    return native.left(Max / 3) + QStringLiteral("…") + native.right(Max - Max / 3 - 1);
}

QString displayText(const QString& text)
{
    constexpr int Max = 40;
    QString shown = text.size() <= Max ? text : text.left(Max - 1) + QStringLiteral("…");
    // An escape sequence in a hand-edited file must not reach the terminal or a message box.
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return shown;
}

IoResult replaceFile(const QString& path, const QByteArray& bytes)
{
    OpenFolder folder;
    if (IoResult opened = openFolderOf(path, &folder, true); !opened)
        return opened;
    StagedFile staged(folder.fd.get(), folder.split.folder, folder.split.name, path);
    if (IoResult written = staged.write(bytes); !written)
        return written;
    if (IoResult renamed = staged.commit(); !renamed)
        return renamed;
    return staged.syncFolder();
}

IoResult appendToFile(const QString& path, const QByteArray& bytes, qint64 cutTo)
{
    OpenFolder folder;
    if (IoResult opened = openFolderOf(path, &folder, false); !opened)
        return opened;
    // Created without following a link; an existing name is opened only if it is a plain file.
    Fd fd(openIn(folder.fd.get(), folder.split.name, path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL));
    const bool created = fd.valid();
    if (!created && errno == EEXIST)
        fd.reset(openIn(folder.fd.get(), folder.split.name, path, O_WRONLY | O_APPEND));
    struct stat before
    {
    };
    if (!fd.valid() || !isRegular(fd.get(), &before))
        return IoResult::failure(describe(QStringLiteral("open"), path, errno));
    if (cutTo >= 0 && cutTo < before.st_size) {
        if (::ftruncate(fd.get(), off_t(cutTo)) != 0)
            return IoResult::failure(describe(QStringLiteral("write"), path, errno));
        before.st_size = off_t(cutTo);
    }
    // A new file's name is made durable first, so that a failure leaves at most an empty file.
    if (created && !syncFolder(folder.fd.get(), QFile::decodeName(folder.split.folder)))
        return IoResult::failure(describe(QStringLiteral("write"), path, errno));
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
    return ok ? IoResult::success()
              : IoResult::failure(describe(QStringLiteral("write"), path, err));
}

Reader::~Reader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

IoResult Reader::open(const QString& path, bool missingIsEmpty)
{
    m_path = path;
    m_size = 0;
    m_ownership = Ownership{};
    OpenFolder folder;
    if (IoResult opened = openFolderOf(path, &folder, false); !opened) {
        if (missingIsEmpty && folder.error == ENOENT)
            return IoResult::success();
        return opened;
    }
    Fd fd(openIn(folder.fd.get(), folder.split.name, path, O_RDONLY));
    if (!fd.valid()) {
        const int err = errno;
        if (missingIsEmpty && err == ENOENT)
            return IoResult::success();
        return IoResult::failure(describe(QStringLiteral("open"), path, err));
    }
    struct stat st
    {
    };
    if (!isRegular(fd.get(), &st))
        return IoResult::failure(describe(QStringLiteral("open"), path, errno));
    if (int err = injected("read", path))
        return IoResult::failure(describe(QStringLiteral("read"), path, err));
    m_size = qint64(st.st_size);
    m_ownership = Ownership{unsigned(st.st_uid), unsigned(st.st_mode & 07777)};
    m_fd = fd.release();
    return IoResult::success();
}

IoResult Reader::readAt(qint64 offset, char* buffer, qint64 length)
{
    while (length > 0) {
        const ssize_t n = m_fd < 0 ? 0 : ::pread(m_fd, buffer, size_t(length), off_t(offset));
        if (n == 0)
            return IoResult::failure(describe(QStringLiteral("read"), m_path, Shrunk));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return IoResult::failure(describe(QStringLiteral("read"), m_path, errno));
        }
        buffer += n;
        offset += n;
        length -= n;
    }
    return IoResult::success();
}

IoResult readFile(const QString& path, QByteArray* bytes, qint64 maxSize, bool missingIsEmpty,
                  Ownership* ownership)
{
    bytes->clear();
    Reader file;
    if (IoResult opened = file.open(path, missingIsEmpty); !opened)
        return opened;
    if (ownership)
        *ownership = file.ownership();
    if (file.size() > maxSize)
        return IoResult::failure(
            QStringLiteral("Could not read the file \"%1\": it holds %2 bytes, more than the %3 "
                           "that such a file can hold.")
                .arg(displayPath(path))
                .arg(file.size())
                .arg(maxSize));
    bytes->resize(qsizetype(file.size()));
    const IoResult read = file.readAt(0, bytes->data(), file.size());
    if (!read)
        bytes->clear();
    return read;
}

IoResult createIfMissing(const QString& path)
{
    OpenFolder folder;
    if (IoResult opened = openFolderOf(path, &folder, false); !opened)
        return opened;
    Fd fd(openIn(folder.fd.get(), folder.split.name, path, O_WRONLY | O_CREAT | O_EXCL));
    if (!fd.valid()) {
        if (errno == EEXIST)
            return IoResult::success();
        return IoResult::failure(describe(QStringLiteral("create"), path, errno));
    }
    if (!syncFolder(folder.fd.get(), QFile::decodeName(folder.split.folder)))
        return IoResult::failure(describe(QStringLiteral("flush the folder of"), path, errno));
    return IoResult::success();
}

IoResult ensureDirectory(const QString& path)
{
    if (QFileInfo(path).isDir())
        return IoResult::success();
    if (int err = injected("mkdir", path))
        return IoResult::failure(QStringLiteral("Could not create the folder \"%1\": %2.")
                                     .arg(displayPath(path), errorText(err)));
    // Other accounts must not reach the files in it (PINs, pay rates, the password under a mere
    // scramble), whatever the files' own modes; the folders above it are the user's business.
    const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const int made = QDir().mkpath(QFileInfo(folder).path())
                         ? ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU)
                         : -1;
    if (made != 0 && !(errno == EEXIST && QFileInfo(folder).isDir()))
        return IoResult::failure(
            QStringLiteral("Could not create the folder \"%1\".").arg(displayPath(path)));
    return IoResult::success();
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

bool exists(const QString& path)
{
    return examine(path).kind != Entry::Kind::Missing;
}

IoResult writeOutputs(const QList<Output>& outputs)
{
    struct Plan
    {
        const Output* output;
        OutputTarget target;
        OpenFolder folder;
    };
    std::vector<Plan> plans;
    for (const Output& output : outputs) {
        Plan plan{&output, OutputTarget{}, OpenFolder{}};
        if (IoResult resolved = resolveOutput(output.path, &plan.target); !resolved)
            return resolved;
        if (!plan.target.file.isEmpty()) {
            if (IoResult opened = openFolderOf(plan.target.file, &plan.folder, true); !opened)
                return opened;
        }
        plans.push_back(std::move(plan));
    }
    std::vector<StagedFile> staged;
    staged.reserve(plans.size());
    for (const Plan& plan : plans) {
        if (plan.target.file.isEmpty())
            continue;
        staged.emplace_back(plan.folder.fd.get(), plan.folder.split.folder, plan.folder.split.name,
                            plan.target.file);
        if (IoResult written = staged.back().write(plan.output->bytes); !written)
            return written;
    }
    for (const Plan& plan : plans) {
        if (!plan.target.file.isEmpty())
            continue;
        if (IoResult written =
                writeStream(plan.output->path, plan.target.toStandardOutput, plan.output->bytes);
            !written)
            return written;
    }
    for (StagedFile& file : staged) {
        if (IoResult renamed = file.commit(); !renamed)
            return renamed;
    }
    for (const StagedFile& file : staged) {
        if (IoResult synced = file.syncFolder(); !synced)
            return synced;
    }
    return IoResult::success();
}

} // namespace FileStore
