#include "sync/StationRegistry.h"

#include "data/FileStore.h"
#include "sync/SyncDatabase.h"

#include <QDateTime>
#include <QLocale>
#include <QSysInfo>

#include <cstdlib>

namespace {

const QString ClockWarningStart = QStringLiteral("This computer's clock is ");

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

QString ClockApartWarning(qint64 stationMinusServer)
{
    const qint64 apart = std::abs(stationMinusServer);
    if (apart <= MaxClockApartSeconds)
        return QString();
    const qint64 minutes = (apart + 30) / 60;
    const QString span = minutes < 120 ? QStringLiteral("%1 minutes").arg(minutes)
                                       : QStringLiteral("%1 hours").arg((minutes + 30) / 60);
    return ClockWarningStart + span +
           (stationMinusServer < 0 ? QStringLiteral(" behind") : QStringLiteral(" ahead of")) +
           QStringLiteral(" the server's: its punches are stamped with its own time, so hours and "
                          "who is in come out wrong. Set its clock (time synchronisation).");
}

QString ClockApartNote(const QStringList& problems)
{
    for (const QString& problem : problems) {
        if (problem.startsWith(ClockWarningStart))
            return QStringLiteral("clock ") +
                   problem.mid(ClockWarningStart.size())
                       .section(QStringLiteral(" the server's"), 0, 0) +
                   QStringLiteral(" the server");
    }
    return QString();
}

IoResult TouchStation(SyncDatabase& database, const StationIdentity& self, QStringList* warnings)
{
    warnings->clear();
    ServerRows* query = nullptr;
    const QDateTime asked = QDateTime::currentDateTimeUtc();
    // Others of this name: another computer, or a copy of this one (the same computer and folder
    // under another identity) heard from since this identity first was.
    if (IoResult r = database.exec(
            &query,
            QStringLiteral(
                "WITH me AS (INSERT INTO horodex_station (id, name, role, host, machine, folder)"
                " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO UPDATE SET name = EXCLUDED.name,"
                " role = EXCLUDED.role, host = EXCLUDED.host, machine = EXCLUDED.machine,"
                " folder = EXCLUDED.folder, last_contact = now()"
                " RETURNING first_contact, last_contact) "
                "SELECT extract(epoch FROM me.last_contact)::float8, o.host, o.last_contact, "
                "o.machine = ? AND o.folder = ?"
                " FROM me LEFT JOIN horodex_station o ON o.name = ? AND o.id <> ?"
                " AND o.last_contact > now() - make_interval(mins => ?)"
                " AND (NOT (o.machine = ? AND o.folder = ?) OR o.last_contact > me.first_contact)"
                " ORDER BY o.last_contact DESC"),
            {QString::fromLatin1(self.id), self.name,
             self.head ? QStringLiteral("head") : QStringLiteral("punch"), self.host, self.machine,
             self.folder, self.machine, self.folder, self.name, QString::fromLatin1(self.id),
             LiveMinutes, self.machine, self.folder},
            "record this station's contact");
        !r)
        return r;
    const QDateTime answered = QDateTime::currentDateTimeUtc();
    bool first = true;
    while (query->next()) {
        // The server's now() against this computer's clock halfway through the round trip.
        const qint64 middle = asked.toMSecsSinceEpoch() + asked.msecsTo(answered) / 2;
        const auto server = qint64(query->value(0).toDouble() * 1000);
        if (const QString clock = ClockApartWarning((middle - server) / 1000);
            first && !clock.isEmpty())
            warnings->append(clock);
        first = false;
        if (query->value(1).isNull())
            continue;
        const QString host = FileStore::displayText(query->value(1).toString());
        const QString when = Moment(query->value(2).toDateTime());
        if (query->value(3).toBool())
            warnings->append(
                QStringLiteral("A copy of this computer (\"%1\", last contact %2), as from a disk "
                               "image, runs station \"%3\" from the same folder under another "
                               "identity. Stop Horodex on the copy, move its station.sent away and "
                               "give it a name of its own in station.ini.")
                    .arg(host, when, FileStore::displayText(self.name)));
        else
            warnings->append(
                QStringLiteral("Another computer (\"%1\", last contact %2) also calls itself "
                               "station \"%3\". The punches of both are kept, but reports cannot "
                               "tell them apart: give each computer its own name in station.ini.")
                    .arg(host, when, FileStore::displayText(self.name)));
    }
    return IoResult::success();
}

IoResult ClaimHead(SyncDatabase& database, const StationIdentity& self, bool takeOver)
{
    ServerRows* claim = nullptr;
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
    ServerRows* head = nullptr;
    // The head, whether it was heard from since this identity first was, and a live copy of
    // this computer: the same computer and folder under another identity, heard from since.
    if (IoResult r = database.exec(
            &head,
            QStringLiteral(
                "SELECT h.id, h.name, s.host, s.machine, s.folder, s.last_contact,"
                " COALESCE(s.last_contact > me.first_contact, false), c.host, c.last_contact"
                " FROM horodex_head h LEFT JOIN horodex_station s ON s.id = h.id"
                " LEFT JOIN horodex_station me ON me.id = ?"
                " LEFT JOIN LATERAL (SELECT host, last_contact FROM horodex_station o"
                " WHERE o.id <> me.id AND o.machine = me.machine AND o.folder = me.folder"
                " AND o.last_contact > me.first_contact"
                " AND o.last_contact > now() - make_interval(mins => ?)"
                " ORDER BY o.last_contact DESC LIMIT 1) c ON true"),
            {QString::fromLatin1(self.id), LiveMinutes}, "read the head station");
        !r)
        return r;
    if (!head->next())
        return IoResult::success();
    if (!takeOver && !head->value(7).isNull())
        return IoResult::failure(
            QStringLiteral("A copy of this computer (\"%1\", last contact %2), as from a disk "
                           "image, runs this head station's folder under another identity: two "
                           "heads would make the punch stations' employees and settings flip "
                           "between them, so neither is the head while both run. Stop Horodex on "
                           "the copy, move its station.sent away and give it a name and role of "
                           "its own in station.ini.")
                .arg(FileStore::displayText(head->value(7).toString()),
                     Moment(head->value(8).toDateTime())));
    if (head->value(0).toString().toLatin1() == self.id)
        return IoResult::success();
    // The same computer and folder under a new identity, the old one silent since: this
    // station, its record of sent lines lost.
    if (head->value(3).toString() == self.machine && head->value(4).toString() == self.folder &&
        !head->value(6).toBool())
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
