#pragma once

#include "data/CorrectionLog.h"
#include "data/TimeCard.h"

class SyncDatabase;

// Correcting time cards at the head station: the card is the employee's punches from every
// station, in the order the reports read them, and the record of corrections lives on the
// server with the same lines as corrections.log.

// The employee's merged time card.
IoResult ReadServerTimeCard(SyncDatabase& database, const QString& employee, TimeCard* card);

// In one transaction, while no station stores punches: if the merged card is still the one
// read, its lines are replaced by the corrected ones (the old lines stay, marked, for the
// record) and the corrections are added to the server's record, chained as in corrections.log.
// A punch that a station sends afterwards joins the corrected card.
IoResult SaveServerCorrections(SyncDatabase& database, const QString& employee,
                               const TimeCard& read, const QList<TimeCardLine>& corrected,
                               const QList<Correction>& corrections);

// Within the caller's transaction: adds corrections to the server's record, chained.
IoResult RecordServerCorrections(SyncDatabase& database, const QString& employee,
                                 const QList<Correction>& corrections);

// The server's record of corrections as the bytes of a corrections.log.
IoResult ReadServerCorrectionLog(SyncDatabase& database, QByteArray* bytes);

// The head of the server's record: its number of entries and the hash of the last.
IoResult ReadServerCorrectionHead(SyncDatabase& database, CorrectionLogHead* head);

// Head station: the corrections.log of this data folder, recorded while the computer was alone,
// becomes the start of the server's record, line for line, so that the record goes on there.
// Only lines the server lacks are added, and only while the server's record is empty or the
// start of the local one; a local record that is not intact, or that the server's contradicts,
// is left where it is, with a message. carried: the lines added.
IoResult CarryOverCorrectionLog(SyncDatabase& database, qsizetype* carried = nullptr);
