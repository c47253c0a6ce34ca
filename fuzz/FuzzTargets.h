#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

// Each target feeds arbitrary bytes to one reader of the data files and checks what must hold
// for any input; a violated rule aborts, which the fuzzer reports.
int FuzzEmployeeList(const uint8_t* data, size_t size);
int FuzzSettings(const uint8_t* data, size_t size);
// For both: the first byte chooses the pay period, rounding and overtime rule; the rest is a
// time file. The one-pass reading must equal the plain record steps; every report text builds.
int FuzzTimeFile(const uint8_t* data, size_t size);
int FuzzReports(const uint8_t* data, size_t size);
// The files a person or another station may edit by hand: station.ini, station.sent and
// corrections.log.
int FuzzStationConfig(const uint8_t* data, size_t size);
int FuzzSentLedger(const uint8_t* data, size_t size);
int FuzzCorrectionLog(const uint8_t* data, size_t size);
// The shifts file, and the exceptions it leads to.
int FuzzShiftSchedule(const uint8_t* data, size_t size);
// The badge file, which an administrator may edit by hand.
int FuzzBadgeFile(const uint8_t* data, size_t size);

// The targets by name, for the fuzzer programs and the corpus replay test.
using FuzzTarget = int (*)(const uint8_t*, size_t);
FuzzTarget FindFuzzTarget(const QString& name);
QStringList FuzzTargetNames();
