#pragma once

#include "data/FileStore.h"

#include <QString>
#include <QStringList>

#include <optional>

// Where the shared PostgreSQL database is, read from a libpq connection string. The password
// never appears here: libpq takes
// it from ~/.pgpass or PGPASSWORD.
struct DatabaseAddress
{
    QString host; // empty: libpq's default (the local socket)
    int port = 5432;
    QString user;
    QString database;
    QStringList options;     // "key=value" libpq parameters from the query
    QString uri;             // as given; never shown, as it may hold a password
    quintptr abortGroup = 0; // the owner that may end every wait of its connections at once

    // "user@host:port/database", for messages.
    QString describe() const;
};

// Reads a connection string with libpq's own parser: a URI (postgresql://user@host:port/dbname?
// key=value) or key=value words. Fails with a message that never quotes it when it is not one
// Horodex can use (one host, no password, plain parameter values). Every wait on the server is
// bounded: a connect limit of at most MaxConnectSeconds, and TCP keepalives and a TCP user
// timeout unless the string sets its own.
IoResult ParseDatabaseUri(const QString& uri, DatabaseAddress* address);

// A station of several feeding one payroll: station.ini in the data folder.
struct StationConfig
{
    enum class Role { Head, Punch };

    DatabaseAddress database;
    QString station; // its name, unique among the stations
    Role role = Role::Punch;
    QString folder; // the data folder it was read from

    bool isHead() const { return role == Role::Head; }
};

inline constexpr qint64 MaxStationConfigSize = 64 * 1024;
inline constexpr int MaxConnectSeconds = 10;

// The address as Horodex reads it, for messages: never any password, and nothing of a string
// that cannot be used.
QString MaskedUri(const QString& uri);
inline constexpr int MaxStationNameLength = 64;

QString StationConfigPath();

// Fails, saying why in a phrase, when a station name cannot be used.
IoResult StationNameIsUsable(const QString& name);

// Parses the bytes of station.ini: the INI format QSettings writes, keys database, station and
// role in the general section. path names the file in messages.
IoResult ParseStationConfig(const QByteArray& bytes, const QString& path, StationConfig* config);

// Reads station.ini of the data folder. Without the file *config stays empty: one computer
// alone. A file that cannot be read or used fails with a message naming it.
IoResult ReadStationConfig(std::optional<StationConfig>* config);

// Whether this user may trust a station.ini with this owner and mode: only when only its owner
// (the user or root) may change it. Otherwise fails, saying why in a phrase: another account
// owns it, or its group or others may write it.
IoResult StationConfigIsTrusted(const FileStore::Ownership& file, unsigned user);
