#include "station/AdminNotices.h"

#include "data/BadgeFile.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"

#include <QDir>
#include <QStringList>

namespace {

QString openFolderNotice(const QString& folder)
{
    return QStringLiteral(
               "Other accounts on this computer can enter the data folder \"%1\" and read its "
               "files: the employee list with PINs, social security numbers and pay rates, and "
               "the settings with the administrator password. Their scrambling does not protect "
               "them; only the folder's permissions do. Unless other accounts must share the "
               "folder, close it with the command:\n\nchmod 700 %2")
        .arg(QDir::toNativeSeparators(folder), ShellQuoted(folder));
}

QString utf8ListNotice(const QList<int>& lines)
{
    const QString list = EmployeeListPath();
    const QString converted = list + QStringLiteral(".latin1");
    return QStringLiteral(
               "The employee file \"%1\" is saved as UTF-8 (%2 %3), but Horodex reads it as "
               "Latin-1: each accented letter of those names shows as two characters. Save the "
               "file as Latin-1, for example with the command:\n\n"
               "iconv -f UTF-8 -t LATIN1 %4 > %5 && mv %5 %4\n\n"
               "Time files made under the names as they show now keep those names: rename them "
               "as well.")
        .arg(QDir::toNativeSeparators(list),
             lines.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
             Utf8LinesText(lines), ShellQuoted(list), ShellQuoted(converted));
}

QString sharedBadgesNotice(const QList<QStringList>& shared)
{
    QStringList groups;
    for (const QStringList& names : shared) {
        QStringList shown;
        for (const QString& name : names)
            shown.append(FileStore::displayText(name));
        groups.append(QStringLiteral("- ") + shown.join(QStringLiteral(", ")));
    }
    return QStringLiteral("The badge file \"%1\" gives one badge to several employees, so that "
                          "badge punches none of them:\n\n%2\n\nIssue each of them a new badge "
                          "in Manage > Badges.")
        .arg(QDir::toNativeSeparators(BadgeFilePath()), groups.join(u'\n'));
}

} // namespace

QString ShellQuoted(const QString& path)
{
    QString quoted = path;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString AdminLoginNotice()
{
    QStringList notices;
    const QString folder = Environment::dataDirectory();
    if (Environment::othersMayEnter(folder))
        notices.append(openFolderNotice(folder));
    if (const QList<int> lines = EmployeeListUtf8Lines(); !lines.isEmpty())
        notices.append(utf8ListNotice(lines));
    BadgeFile badges;
    // A damaged file is said where badges are managed; its good lines still count here.
    ReadBadgeFile(&badges);
    if (const QList<QStringList> shared = SharedBadgeHolders(badges); !shared.isEmpty())
        notices.append(sharedBadgesNotice(shared));
    return notices.join(QStringLiteral("\n\n"));
}
