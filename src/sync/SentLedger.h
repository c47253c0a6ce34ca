#pragma once

#include "data/FileStore.h"

#include <QHash>
#include <QString>

// What the server has acknowledged of each time file of this station: the number of bytes from
// the start of the file that it holds. Kept in station.sent in the data folder, replaced whole
// after each commit, so that a crash leaves the old record or the new one; anything sent but not
// yet recorded here is sent again, and the server stores it once.
struct SentLedger
{
    QString station;                     // the name the lines were sent under
    QHash<QString, qint64> acknowledged; // employee -> bytes held by the server

    qint64 of(const QString& employee) const { return acknowledged.value(employee, 0); }
};

inline constexpr qint64 MaxSentLedgerSize = 16 << 20;

QString SentLedgerPath();

QByteArray SerializeSentLedger(const SentLedger& ledger);
// Fails, naming the file, on a line that does not read.
IoResult ParseSentLedger(const QByteArray& bytes, const QString& path, SentLedger* ledger);

// A missing file is an empty ledger.
IoResult ReadSentLedger(SentLedger* ledger);
IoResult WriteSentLedger(const SentLedger& ledger);
