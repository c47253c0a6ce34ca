#pragma once

#include "data/FileStore.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

class SyncDatabase;

// Each employee's punches from every station, laid out as one time file: the lines in the order
// of the date and time they read and, within a minute, in the order the server received them. A report
// built from these bytes is the report of one data folder holding the same punches.
class ServerTimeFiles
{
public:
    // The lines a pay period starting on periodStart needs, of one employee or (empty) of all.
    // Lines before the period are left out when they are IN/OUT pairs, which the pairing of a
    // time file only counts.
    IoResult load(SyncDatabase& database, QDate periodStart, const QString& employee = QString());
    QByteArray bytesOf(const QString& employee) const { return m_files.value(employee); }

private:
    QHash<QString, QByteArray> m_files;
};
