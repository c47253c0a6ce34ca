#include "data/OutputFiles.h"

#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/PosixFiles.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <vector>

namespace {

using namespace PosixFiles;

// The path with its links resolved as far as they exist: the real folder of a file that does not
// exist yet, the real target of a link.
QString resolved(const QString& path)
{
    const QFileInfo info(path);
    const QString whole = info.canonicalFilePath();
    if (!whole.isEmpty())
        return whole;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + u'/' + info.fileName();
}

bool isInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

// How an output is written: replaced as a file at a path, or written to a stream.
struct OutputTarget
{
    QString file; // the regular file to replace (a link's target), or empty
    bool toStandardOutput = false;
};

Result<> resolveOutput(const QString& path, OutputTarget* target)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat link
    {
    };
    if (::lstat(native.constData(), &link) != 0) {
        if (errno != ENOENT)
            return failure(QStringLiteral("write"), path, errno);
        target->file = path;
        return Result<>();
    }
    struct stat st
    {
    };
    if (::stat(native.constData(), &st) != 0) // a link that leads nowhere
        return failure(QStringLiteral("write"), path, errno == ENOENT ? ELOOP : errno);
    struct stat out
    {
    };
    if (::fstat(STDOUT_FILENO, &out) == 0 && sameFile(st, out)) {
        target->toStandardOutput = true;
        return Result<>();
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode))
        return Result<>(); // a stream: written where it is
    if (!S_ISREG(st.st_mode))
        return failure(QStringLiteral("write"), path, NotRegular);
    if (!S_ISLNK(link.st_mode)) {
        target->file = path;
        return Result<>();
    }
    char* real = ::realpath(native.constData(), nullptr);
    if (!real)
        return failure(QStringLiteral("write"), path, errno);
    target->file = QFile::decodeName(real);
    ::free(real);
    return Result<>();
}

Result<> writeStream(const QString& path, bool toStandardOutput, const QByteArray& bytes)
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
            return failure(QStringLiteral("open"), path, errno);
        if (::fstat(own.get(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
            return failure(QStringLiteral("write"), path, NotRegular);
        // A reader is there: from now on a full pipe waits for it like any writer.
        ::fcntl(own.get(), F_SETFL, ::fcntl(own.get(), F_GETFL) & ~O_NONBLOCK);
        fd = own.get();
    }
    if (!writeAll(fd, path, bytes))
        return failure(QStringLiteral("write"), path, errno);
    return Result<>();
}

// The file that a staged output replaces, kept under a temporary name of its folder until every
// output has replaced its file, so that a failure can put it back: a second name of the same
// file, or a copy where the file system has no second names.
class KeptFile
{
public:
    explicit KeptFile(const StagedFile& staged)
        : m_folder(staged.folder()), m_name(staged.name()), m_path(staged.path()),
          m_written(staged.written())
    {
    }
    ~KeptFile()
    {
        if (!m_temp.isEmpty())
            ::unlinkat(m_folder, m_temp.constData(), 0);
    }
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    Result<> keep()
    {
        struct stat old
        {
        };
        if (::fstatat(m_folder, m_name.constData(), &old, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? Result<>()
                                   : failure(QStringLiteral("keep a copy of"), m_path, errno);
        m_hadOld = true;
        if (linkTemporary(m_folder, m_name, m_path, &m_fd, &m_temp))
            return Result<>();
        return copyOld();
    }

    // After the new file replaced it: the old file back in its place, or the new one gone when
    // there was none.
    Result<> putBack()
    {
        if (!m_hadOld) {
            struct stat now
            {
            };
            if (::fstatat(m_folder, m_name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                sameFile(now, m_written) && ::unlinkat(m_folder, m_name.constData(), 0) != 0)
                return failure(QStringLiteral("remove the new"), m_path, errno);
            return Result<>();
        }
        if (::renameat(m_folder, m_temp.constData(), m_folder, m_name.constData()) == 0) {
            m_temp.clear();
            return Result<>();
        }
        // The old content stays where it was kept, for the user to take back.
        const QString kept = QFileInfo(m_path).dir().filePath(QFile::decodeName(m_temp));
        m_temp.clear();
        return Failure(describe(QStringLiteral("put back the old content of"), m_path, errno) +
                       QStringLiteral(" It is kept in \"%1\".").arg(FileStore::displayPath(kept)));
    }

private:
    Result<> copyOld()
    {
        const Fd from(openIn(m_folder, m_name, m_path, O_RDONLY));
        struct stat old
        {
        };
        if (!from.valid() || !isRegular(from.get(), &old))
            return failure(QStringLiteral("keep a copy of"), m_path, errno);
        if (Result<> made = createTemporary(m_folder, m_name, m_path, &m_fd, &m_temp);
            made.failed())
            return made;
        if (Result<> taken = takeModeAndOwner(m_fd.get(), old, m_path); taken.failed())
            return taken;
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (;;) {
            const ssize_t n = ::read(from.get(), chunk.data(), size_t(chunk.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 || (n > 0 && !writeAll(m_fd.get(), m_path, QByteArrayView(chunk).first(n))))
                return failure(QStringLiteral("keep a copy of"), m_path, errno);
            if (n == 0)
                break;
        }
        if (!syncFile(m_fd.get(), m_path, false))
            return failure(QStringLiteral("keep a copy of"), m_path, errno);
        return Result<>();
    }

    int m_folder;
    QByteArray m_name;
    QString m_path;
    struct stat m_written;
    bool m_hadOld = false;
    QByteArray m_temp; // the kept file's temporary name
    Fd m_fd;           // open, and locked, while it exists
};

Result<> writeOutputs(const QList<OutputFile>& outputs)
{
    struct Plan
    {
        const OutputFile* output;
        OutputTarget target;
        OpenFolder folder;
    };
    std::vector<Plan> plans;
    for (const OutputFile& output : outputs) {
        Plan plan{&output, OutputTarget{}, OpenFolder{}};
        if (Result<> target = resolveOutput(output.path, &plan.target); target.failed())
            return target;
        if (!plan.target.file.isEmpty()) {
            if (Result<> opened = openFolderOf(plan.target.file, &plan.folder, true);
                opened.failed())
                return opened;
        }
        plans.push_back(std::move(plan));
    }
    std::vector<StagedFile> staged;
    staged.reserve(plans.size());
    for (const Plan& plan : plans) {
        if (plan.target.file.isEmpty())
            continue;
        // Reports hold pay and social security numbers: a new file is for its owner alone.
        staged.emplace_back(plan.folder.fd.get(), plan.folder.split.folder, plan.folder.split.name,
                            plan.target.file, 0600);
        if (Result<> written = staged.back().write(plan.output->bytes); written.failed())
            return written;
    }
    // The last file to be replaced needs nothing kept: when its rename fails, it never changed.
    std::deque<KeptFile> kept;
    for (size_t i = 0; i + 1 < staged.size(); ++i) {
        if (Result<> keeping = kept.emplace_back(staged[i]).keep(); keeping.failed())
            return keeping;
    }
    for (const Plan& plan : plans) {
        if (!plan.target.file.isEmpty())
            continue;
        if (Result<> written =
                writeStream(plan.output->path, plan.target.toStandardOutput, plan.output->bytes);
            written.failed())
            return written;
    }
    for (size_t i = 0; i < staged.size(); ++i) {
        const Result<> renamed = staged[i].commit();
        if (renamed.ok())
            continue;
        QString why = renamed.message();
        while (i-- > 0) {
            if (const Result<> back = kept[i].putBack(); back.failed())
                why += u' ' + back.message();
        }
        return Failure(why);
    }
    for (const StagedFile& file : staged) {
        if (Result<> synced = file.syncFolder(); synced.failed())
            return synced;
    }
    return Result<>();
}

} // namespace

Result<> CheckOutputPath(const QString& path)
{
    const QString data = resolved(Environment::dataDirectory());
    if (!isInside(resolved(path), data))
        return Result<>();
    return Failure(QStringLiteral("\"%1\" lies in Horodex's data folder \"%2\": a report is never "
                                  "written there. Nothing was written.")
                       .arg(FileStore::displayPath(path), FileStore::displayPath(data)));
}

Result<> WriteOutputFiles(const QList<OutputFile>& outputs)
{
    for (const OutputFile& output : outputs) {
        if (const Result<> allowed = CheckOutputPath(output.path); allowed.failed())
            return allowed;
    }
    return writeOutputs(outputs);
}
