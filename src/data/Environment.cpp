#include "data/Environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

#include <unistd.h>

namespace Environment {
namespace {

QString& programDirOverride()
{
    static QString dir;
    return dir;
}

QString& dataDirOverride()
{
    static QString dir;
    return dir;
}

std::function<QDateTime()>& clockOverride()
{
    static std::function<QDateTime()> clock;
    return clock;
}

std::optional<QLocale>& localeOverride()
{
    static std::optional<QLocale> locale;
    return locale;
}

} // namespace

QString programDirectory()
{
    if (!programDirOverride().isEmpty())
        return programDirOverride();
    return QCoreApplication::applicationDirPath();
}

QString dataDirectory()
{
    if (!dataDirOverride().isEmpty())
        return dataDirOverride();
    const QString named = qEnvironmentVariable("HORODEX_DATA");
    if (!named.isEmpty())
        return QDir(named).absolutePath();
    // "data" beside the program serves the build tree, a portable copy and existing
    // installations; an installed program that its user may not write keeps his data at home.
    const QString beside = programDirectory() + QStringLiteral("/data");
    static QString checked;
    static bool usable = false;
    if (beside != checked) {
        checked = beside;
        usable = QFileInfo(beside).isDir() &&
                 ::access(QFile::encodeName(beside).constData(), W_OK | X_OK) == 0;
    }
    if (usable)
        return beside;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/horodex");
}

QString dataFilePath(const QString& fileName)
{
    // Only a plain name stays in the folder; anything else gives no path at all.
    if (fileName.isEmpty() || fileName == u'.' || fileName == QLatin1String("..") ||
        fileName.contains(u'/') || fileName.contains(QChar(0)))
        return QString();
    return dataDirectory() + u'/' + fileName;
}

void setProgramDirectoryForTesting(const QString& dir)
{
    programDirOverride() = dir;
}

void setDataDirectory(const QString& dir)
{
    dataDirOverride() = dir;
}

QDateTime now()
{
    if (clockOverride())
        return clockOverride()();
    return QDateTime::currentDateTime();
}

void setClockForTesting(std::function<QDateTime()> clock)
{
    clockOverride() = std::move(clock);
}

QLocale regionalLocale()
{
    if (localeOverride())
        return *localeOverride();
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return system;
}

void setRegionalLocaleForTesting(const QLocale& locale)
{
    localeOverride() = locale;
}

void clearRegionalLocaleForTesting()
{
    localeOverride().reset();
}

QString shortDateFormat()
{
    return shortDateFormat(regionalLocale());
}

QString shortDateFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

} // namespace Environment
