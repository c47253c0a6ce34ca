#pragma once

#include "data/Result.h"
#include "sync/StationConfig.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class SyncDatabase;

// Who this station is on the server: the identity of its files (station.sent), its name, and
// the computer and folder it runs in.
struct StationIdentity
{
    QByteArray id;
    QString name;
    bool head = false;
    QString host;    // the computer's name, for messages
    QString machine; // the computer's own identity
    QString folder;  // the data folder

    // This process's computer and data folder.
    static StationIdentity here(const StationConfig& config, const QByteArray& id);
};

// How far a station's clock may be from the server's before it is said.
inline constexpr qint64 MaxClockApartSeconds = 120;

// A warning saying how far this computer's clock is from the server's; empty within the limit.
QString ClockApartWarning(qint64 stationMinusServerSeconds);
// The short note for the window's caption of such a warning among problems; empty without one.
QString ClockApartNote(const QStringList& problems);

// Records this station's contact. Another computer that claimed the same name within the last
// minutes is named in warnings, with its last contact (the same computer and folder under a new
// identity is this station itself, after its record of sent lines was lost, unless heard from
// since this identity first was: then a copy of it). The server's clock is compared with this
// computer's on the way, and a warning says when they are too far apart.
IoResult TouchStation(SyncDatabase& database, const StationIdentity& self, QStringList* warnings);

// Head station: this station becomes the head when the database has none, stays it when it is,
// and is refused, naming the head, when another computer is. takeOver makes it the head on
// purpose (a replacement computer).
IoResult ClaimHead(SyncDatabase& database, const StationIdentity& self, bool takeOver);
