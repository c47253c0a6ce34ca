#pragma once

#include <QList>
#include <QStringList>

// The tables of several stations, as statements; the connection (SyncDatabase) applies them.

// The version of the tables this program writes and reads.
inline constexpr int SchemaVersion = 6;

// Every upgrade transaction takes this advisory lock first, so that two stations never upgrade
// at once.
inline constexpr qint64 SchemaUpgradeLock = 0x486f726f646578; // "Horodex"

// The statements of each version, in order; version n is SchemaUpgrades()[n - 1]. They hold no
// values: they run as they are, unprepared.
const QList<QStringList>& SchemaUpgrades();
