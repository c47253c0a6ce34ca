#include "sync/StationRegistry.h"

#include "sync/SyncDatabase.h"

#include <QDateTime>
#include <QLocale>
#include <QSysInfo>

namespace {

// A station heard from within this long is alive.
constexpr int LiveMinutes = 5;

QString Moment(const QDateTime& when)
{
    return QLocale(QLocale::English, QLocale::UnitedStates)
        .toString(when.toLocalTime(), QStringLiteral("MM/dd/yyyy hh:mm:ss"));
}

} // namespace

StationIdentity StationIdentity::here(const StationConfig& config, const QByteArray& id)
{
    StationIdentity self;
    self.id = id;
    self.name = config.station;
    self.head = config.isHead();
    self.host = QSysInfo::machineHostName();
    self.machine = QString::fromLatin1(QSysInfo::machineUniqueId().toHex());
    self.folder = config.folder;
    return self;
}

IoResult TouchStation(SyncDatabase& database, const StationIdentity& self, QStringList* warnings)
{
    warnings->clear();
    QSqlQuery* query = nullptr;
    if (IoResult r = database.exec(
            &query,
            QStringLiteral(
                "WITH me AS (INSERT INTO horodex_station (id, name, role, host, machine, folder)"
                " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO UPDATE SET name = EXCLUDED.name,"
                " role = EXCLUDED.role, host = EXCLUDED.host, machine = EXCLUDED.machine,"
                " folder = EXCLUDED.folder, last_contact = now() RETURNING id) "
                "SELECT host, last_contact FROM horodex_station WHERE name = ? AND id <> ?"
                " AND last_contact > now() - make_interval(mins => ?)"
                " AND NOT (machine = ? AND folder = ?) ORDER BY last_contact DESC"),
            {QString::fromLatin1(self.id), self.name,
             self.head ? QStringLiteral("head") : QStringLiteral("punch"), self.host, self.machine,
             self.folder, self.name, QString::fromLatin1(self.id), LiveMinutes, self.machine,
             self.folder},
            "record this station's contact");
        !r)
        return r;
    while (query->next())
        warnings->append(
            QStringLiteral("Another computer (\"%1\", last contact %2) also calls itself station "
                           "\"%3\". The punches of both are kept, but reports cannot tell them "
                           "apart: give each computer its own name in station.ini.")
                .arg(FileStore::displayText(query->value(0).toString()),
                     Moment(query->value(1).toDateTime()), FileStore::displayText(self.name)));
    return IoResult::success();
}

IoResult ClaimHead(SyncDatabase& database, const StationIdentity& self, bool takeOver)
{
    QSqlQuery* claim = nullptr;
    if (IoResult r = database.exec(
            &claim,
            takeOver ? QStringLiteral("INSERT INTO horodex_head (one, id, name) VALUES (true, ?, ?)"
                                      " ON CONFLICT (one) DO UPDATE SET id = EXCLUDED.id,"
                                      " name = EXCLUDED.name, since = now()")
                     : QStringLiteral("INSERT INTO horodex_head (one, id, name) VALUES (true, ?, ?)"
                                      " ON CONFLICT (one) DO NOTHING"),
            {QString::fromLatin1(self.id), self.name}, "record the head station");
        !r)
        return r;
    QSqlQuery* head = nullptr;
    if (IoResult r = database.exec(
            &head,
            QStringLiteral("SELECT h.id, h.name, s.host, s.machine, s.folder, s.last_contact"
                           " FROM horodex_head h LEFT JOIN horodex_station s ON s.id = h.id"),
            {}, "read the head station");
        !r)
        return r;
    if (!head->next() || head->value(0).toString().toLatin1() == self.id)
        return IoResult::success();
    // The same computer and folder under a new identity: this station, its record of sent
    // lines lost.
    if (head->value(3).toString() == self.machine && head->value(4).toString() == self.folder)
        return ClaimHead(database, self, true);
    const QString contact =
        head->value(5).isNull()
            ? QStringLiteral("never heard from")
            : QStringLiteral("last contact %1").arg(Moment(head->value(5).toDateTime()));
    return IoResult::failure(
        QStringLiteral("Station \"%1\" (\"%2\", %3) is the head station of this database: a "
                       "second head would make the punch stations' employees and settings flip "
                       "between the two. This station's employees and settings are not shared. "
                       "If this computer replaces \"%1\", run horodex-sync --data \"%4\" "
                       "--take-over-head once.")
            .arg(FileStore::displayText(head->value(1).toString()),
                 FileStore::displayText(head->value(2).toString()), contact,
                 FileStore::displayPath(self.folder)));
}
