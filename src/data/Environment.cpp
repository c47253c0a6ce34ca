#include "data/Environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// Whether the folder's owner, group and mode let this user write it. A disk that went read-only
// keeps its data folder, so that the failure names it rather than a new, empty folder at home.
bool mayWrite(const QString& folder)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (::geteuid() == 0)
        return true;
    if (st.st_uid == ::geteuid())
        return (st.st_mode & S_IWUSR) && (st.st_mode & S_IXUSR);
    std::vector<gid_t> groups(size_t(std::max(0, ::getgroups(0, nullptr))));
    groups.resize(size_t(std::max(0, ::getgroups(int(groups.size()), groups.data()))));
    groups.push_back(::getegid());
    if (std::find(groups.begin(), groups.end(), st.st_gid) != groups.end())
        return (st.st_mode & S_IWGRP) && (st.st_mode & S_IXGRP);
    return (st.st_mode & S_IWOTH) && (st.st_mode & S_IXOTH);
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
        usable = mayWrite(beside);
    }
    if (usable)
        return beside;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/horodex");
}

bool othersMayEnter(const QString& folder)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           (st.st_mode & (S_IXGRP | S_IXOTH)) != 0;
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
