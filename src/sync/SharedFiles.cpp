#include "sync/SharedFiles.h"

#include "data/BadgeFile.h"
#include "data/EmployeeList.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "sync/SyncDatabase.h"

#include <QFileInfo>

namespace {

// The whole employee list, which only the head's role may read.
const QString WholeList = QStringLiteral("names.nms");
// Its copy without SSNs and pay rates, stored beside it for the punch stations.
const QString PunchList = QStringLiteral("names-punch.nms");

struct SharedFile
{
    QString name; // as stored on the server
    QString path;
    qint64 maxSize;
    bool punch = true;  // taken by the punch stations
    bool strip = false; // the employee list without its pay data
};

QList<SharedFile> SharedFileList()
{
    // The badge file holds hashes of the codes, never the codes: it may travel.
    return {{WholeList, EmployeeListPath(), MaxEmployeeListSize, false},
            {PunchList, EmployeeListPath(), MaxEmployeeListSize, true, true},
            {QStringLiteral("options.ini"), OptionsFilePath(), OptionsRecord::Size},
            {QStringLiteral("badges.txt"), BadgeFilePath(), MaxBadgeFileSize}};
}

// The head reads the table; a punch station the view, which has no whole employee list.
const QString Table = QStringLiteral("horodex_shared_file");
const QString PunchView = QStringLiteral("horodex_shared_public");

// A settings file of another length is damaged: never spread, never taken.
IoResult CheckShape(const SharedFile& file, const QByteArray& bytes, const QString& where)
{
    const bool ok =
        file.name != QLatin1String("options.ini") || bytes.size() == OptionsRecord::Size;
    if (ok && bytes.size() <= file.maxSize)
        return IoResult::success();
    return IoResult::failure(QStringLiteral("The %1 %2 is damaged (%3 bytes) and was not copied.")
                                 .arg(file.name, where)
                                 .arg(bytes.size()));
}

IoResult NewestRevision(SyncDatabase& database, const QString& name, qint64* revision,
                        QByteArray* bytes, QString* station = nullptr,
                        const QString& source = Table)
{
    QSqlQuery* query = nullptr;
    if (IoResult r = database.exec(&query,
                                   QStringLiteral("SELECT revision, bytes, station FROM %1 WHERE "
                                                  "name = ? ORDER BY revision DESC LIMIT 1")
                                       .arg(source),
                                   {name}, "read the employees and settings");
        !r)
        return r;
    *revision = 0;
    bytes->clear();
    if (query->next()) {
        *revision = query->value(0).toLongLong();
        *bytes = query->value(1).toByteArray();
        if (station)
            *station = query->value(2).toString();
    }
    return IoResult::success();
}

} // namespace

IoResult PublishSharedFiles(SyncDatabase& database, const QString& station, QStringList* published)
{
    published->clear();
    for (const SharedFile& file : SharedFileList()) {
        QByteArray local;
        if (FileStore::examine(file.path).kind == FileStore::Entry::Kind::Missing)
            continue;
        if (IoResult r = FileStore::readFile(file.path, &local, file.maxSize); !r)
            return r;
        if (IoResult r = CheckShape(file, local, QStringLiteral("at this station")); !r)
            return r;
        if (file.strip)
            local = WithoutPayData(local);
        if (IoResult r = database.begin(); !r)
            return r;
        qint64 revision = 0;
        QByteArray stored;
        IoResult r = NewestRevision(database, file.name, &revision, &stored);
        if (r && revision > 0 && stored == local) {
            database.rollback();
            continue;
        }
        QSqlQuery* insert = nullptr;
        if (r)
            r = database.exec(&insert,
                              QStringLiteral("INSERT INTO horodex_shared_file (name, revision, "
                                             "bytes, station) VALUES (?, ?, ?, ?)"),
                              {file.name, revision + 1, local, station},
                              "store the employees and settings");
        QSqlQuery* prune = nullptr;
        if (r)
            r = database.exec(&prune,
                              QStringLiteral("DELETE FROM horodex_shared_file WHERE name = ? AND "
                                             "revision <= ?"),
                              {file.name, revision + 1 - KeptRevisions},
                              "store the employees and settings");
        if (r = database.finish(r); !r)
            return r;
        published->append(file.name);
    }
    return IoResult::success();
}

IoResult FetchSharedFiles(SyncDatabase& database, QStringList* replaced, QString* headStation)
{
    replaced->clear();
    for (const SharedFile& file : SharedFileList()) {
        if (!file.punch)
            continue;
        qint64 revision = 0;
        QByteArray newest;
        if (IoResult r =
                NewestRevision(database, file.name, &revision, &newest, headStation, PunchView);
            !r)
            return r;
        if (revision == 0)
            continue;
        if (IoResult r = CheckShape(file, newest, QStringLiteral("on the server")); !r)
            return r;
        if (file.strip)
            newest = WithoutPayData(newest);
        QByteArray local;
        if (IoResult r = FileStore::readFile(file.path, &local, file.maxSize, true); !r)
            return r;
        if (local == newest && FileStore::exists(file.path))
            continue;
        if (IoResult r = FileStore::replaceFile(file.path, newest); !r)
            return r;
        replaced->append(QFileInfo(file.path).fileName());
    }
    return IoResult::success();
}

QByteArray WithoutPayData(const QByteArray& employeeList)
{
    QByteArray bytes;
    for (EmployeeRecord record : ParseEmployeeList(employeeList).records) {
        record.SSN.clear();
        record.RegularRate.clear();
        record.OvertimeRate.clear();
        bytes += SerializeEmployeeRecord(record);
    }
    return bytes;
}

IoResult ReadHeadFiles(SyncDatabase& database, OptionsRecord* settings, EmployeeList* list)
{
    QByteArray options;
    QByteArray names;
    qint64 revision = 0;
    if (IoResult r = NewestRevision(database, QStringLiteral("options.ini"), &revision, &options);
        !r)
        return r;
    if (revision == 0 || options.size() != OptionsRecord::Size)
        return IoResult::failure(
            QStringLiteral("The shared database %1 holds no settings of a head station yet: "
                           "start the head station once, or give --data the head's folder.")
                .arg(database.address().describe()));
    if (IoResult r = NewestRevision(database, WholeList, &revision, &names); !r)
        return r;
    *settings = OptionsRecord::fromBytes(options);
    *list = ParseEmployeeList(names);
    return IoResult::success();
}
