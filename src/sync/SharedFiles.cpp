#include "sync/SharedFiles.h"

#include "data/BadgeFile.h"
#include "data/EmployeeList.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/ShiftHours.h"
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
    // What the file travels as once the head deleted it, so that nothing of it stays in force at
    // the punch stations; null: a deletion does not travel.
    QByteArray absent = {};
};

QList<SharedFile> SharedFileList()
{
    // The badge file holds hashes of the codes, never the codes: it may travel. Without the shifts
    // file nothing is late or early: a deleted one travels as a schedule without shifts.
    return {{WholeList, EmployeeListPath(), MaxEmployeeListSize, false},
            {PunchList, EmployeeListPath(), MaxEmployeeListSize, true, true},
            {QStringLiteral("options.ini"), OptionsFilePath(), OptionsRecord::Size},
            {QStringLiteral("badges.txt"), BadgeFilePath(), MaxBadgeFileSize, true, false,
             SerializeBadgeFile({})},
            {QStringLiteral("shifts.txt"), ShiftScheduleFilePath(), MaxShiftScheduleSize, true,
             false, SerializeShiftSchedule({})}};
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

struct Revision
{
    qint64 number = 0; // 0: none stored yet
    QByteArray bytes;
    QString station;
};

IoResult NewestRevision(SyncDatabase& database, const QString& name, qint64* revision,
                        QByteArray* bytes)
{
    ServerRows* query = nullptr;
    if (IoResult r = database.exec(&query,
                                   QStringLiteral("SELECT revision, bytes FROM %1 WHERE name = ? "
                                                  "ORDER BY revision DESC LIMIT 1")
                                       .arg(Table),
                                   {name}, "read the employees and settings");
        !r)
        return r;
    *revision = 0;
    bytes->clear();
    if (query->next()) {
        *revision = query->value(0).toLongLong();
        *bytes = query->value(1).toByteArray();
    }
    return IoResult::success();
}

// The newest revision of each of the files, in one statement.
IoResult NewestRevisions(SyncDatabase& database, const QList<SharedFile>& files,
                         const QString& source, QHash<QString, Revision>* newest)
{
    newest->clear();
    QStringList names;
    for (const SharedFile& file : files)
        names.append(file.name);
    ServerRows* query = nullptr;
    if (IoResult r = database.exec(
            &query,
            QStringLiteral("SELECT DISTINCT ON (name) name, revision, bytes, station FROM %1 WHERE"
                           " name = ANY(string_to_array(CAST(? AS text), chr(10)))"
                           " ORDER BY name, revision DESC")
                .arg(source),
            {names.join(u'\n')}, "read the employees and settings");
        !r)
        return r;
    while (query->next())
        newest->insert(query->value(0).toString(),
                       {query->value(1).toLongLong(), query->value(2).toByteArray(),
                        query->value(3).toString()});
    return IoResult::success();
}

// What the head stores of a file: its bytes; a file that was there and is no longer is stored
// as its absent form (a badge file without badges: no badge stays active at the punch stations).
IoResult LocalBytes(const SharedFile& file, const Revision& stored, QByteArray* local, bool* skip)
{
    *skip = false;
    if (FileStore::examine(file.path).kind == FileStore::Entry::Kind::Missing) {
        *skip = file.absent.isNull() || stored.number == 0;
        *local = file.absent;
        return IoResult::success();
    }
    if (IoResult r = FileStore::readFile(file.path, local, file.maxSize); !r)
        return r;
    if (IoResult r = CheckShape(file, *local, QStringLiteral("at this station")); !r)
        return r;
    if (file.strip)
        *local = WithoutPayData(*local);
    return IoResult::success();
}

} // namespace

IoResult PublishSharedFiles(SyncDatabase& database, const QString& station, QStringList* published)
{
    published->clear();
    // One question tells which files changed; only those take a transaction.
    QHash<QString, Revision> newest;
    if (IoResult r = NewestRevisions(database, SharedFileList(), Table, &newest); !r)
        return r;
    for (const SharedFile& file : SharedFileList()) {
        QByteArray local;
        bool skip = false;
        if (IoResult r = LocalBytes(file, newest.value(file.name), &local, &skip); !r)
            return r;
        if (skip || (newest.value(file.name).number > 0 && newest.value(file.name).bytes == local))
            continue;
        if (IoResult r = database.begin(); !r)
            return r;
        qint64 revision = 0;
        QByteArray stored;
        IoResult r = NewestRevision(database, file.name, &revision, &stored);
        if (r && revision > 0 && stored == local) {
            database.rollback();
            continue;
        }
        ServerRows* insert = nullptr;
        if (r)
            r = database.exec(&insert,
                              QStringLiteral("INSERT INTO horodex_shared_file (name, revision, "
                                             "bytes, station) VALUES (?, ?, ?, ?)"),
                              {file.name, revision + 1, local, station},
                              "store the employees and settings");
        ServerRows* prune = nullptr;
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
    QList<SharedFile> files;
    for (const SharedFile& file : SharedFileList()) {
        if (file.punch)
            files.append(file);
    }
    QHash<QString, Revision> revisions;
    if (IoResult r = NewestRevisions(database, files, PunchView, &revisions); !r)
        return r;
    for (const SharedFile& file : std::as_const(files)) {
        const auto found = revisions.constFind(file.name);
        if (found == revisions.cend())
            continue;
        *headStation = found->station;
        QByteArray newest = found->bytes;
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
