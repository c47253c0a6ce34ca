#pragma once

#include "data/Result.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// What the server has acknowledged of one time file of this station.
struct SentFile
{
    qint64 acknowledged = 0; // bytes from the start of the file that the server holds
    QByteArray origin;       // the identity the file's lines are stored under
    QByteArray digest;       // SHA-256 (hex) of those bytes; empty when not known yet
};

// What the server has acknowledged of each time file of this station, and the station's own
// identity, made when the file is first written. Kept in station.sent in the data folder,
// replaced whole after each commit, so that a crash leaves the old record or the new one;
// anything sent but not yet recorded here is sent again, and the server stores it once.
struct SentLedger
{
    QString station;                // the name the lines were sent under
    QByteArray stationId;           // this station's files, whatever their name
    QHash<QString, SentFile> files; // employee -> what the server holds of his file

    qint64 of(const QString& employee) const { return files.value(employee).acknowledged; }
};

inline constexpr qint64 MaxSentLedgerSize = 16 << 20;

QString SentLedgerPath();

// A new random identity (32 hex digits) for a station or a file.
QByteArray NewIdentity();
// SHA-256 (hex) of bytes.
QByteArray DigestOf(const QByteArray& bytes);

QByteArray SerializeSentLedger(const SentLedger& ledger);
// Fails, naming the file and what to do, on a line that does not read. Reads the first format
// too (offsets only), whose files then have no origin and no digest.
IoResult ParseSentLedger(const QByteArray& bytes, const QString& path, SentLedger* ledger);

// A missing file is an empty ledger.
IoResult ReadSentLedger(SentLedger* ledger);
IoResult WriteSentLedger(const SentLedger& ledger);
// The ledger with this station's identity, made and written now when it has none.
IoResult ReadOrStartSentLedger(SentLedger* ledger);
