#include "data/OutputFiles.h"

#include "data/Environment.h"
#include "data/FileStore.h"

#include <QDir>
#include <QFileInfo>

namespace {

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

} // namespace

QString OutputPathProblem(const QString& path)
{
    const QString data = resolved(Environment::dataDirectory());
    if (!isInside(resolved(path), data))
        return QString();
    return QStringLiteral("\"%1\" lies in Horodex's data folder \"%2\": a report is never "
                          "written there. Nothing was written.")
        .arg(FileStore::displayPath(path), FileStore::displayPath(data));
}

IoResult WriteOutputFiles(const QList<FileStore::Output>& outputs)
{
    for (const FileStore::Output& output : outputs) {
        if (const QString problem = OutputPathProblem(output.path); !problem.isEmpty())
            return IoResult::failure(problem);
    }
    return FileStore::writeOutputs(outputs);
}
