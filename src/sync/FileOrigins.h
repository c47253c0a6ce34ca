#pragma once

#include "data/Result.h"
#include "sync/PunchRows.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class SyncDatabase;

// Where the lines of an origin come from (none: it holds its file from the start).
struct OriginLink
{
    QByteArray base;
    qint64 baseLength = 0; // bytes of the base's file this origin begins with
    bool replaces = false; // a re-send of a rewritten file: the base's lines were replaced
    qint64 length = 0;     // the file when the origin was made
    QByteArray digest;
};

// What the server holds of one employee's files at one station: every origin's rows and links.
struct EmployeeOrigins
{
    QHash<QByteArray, QList<PunchRow>> rows; // by origin, in the order of their offsets
    QHash<QByteArray, OriginLink> links;     // by origin

    // The lines of the file that origin stands for, from its start to the first gap.
    QList<PunchRow> content(const QByteArray& origin) const;
    // The last re-send that replaced origin, following re-sends of re-sends; origin when none.
    QByteArray newest(const QByteArray& origin) const;
    bool replaced(const QByteArray& origin) const;
    QList<QByteArray> origins() const;
};

// Reads, in two statements, what the server holds of the station's files of these employees.
IoResult LoadOrigins(SyncDatabase& database, const QString& station, const QStringList& employees,
                     QHash<QString, EmployeeOrigins>* origins);

IoResult AddOriginLink(SyncDatabase& database, const QString& station, const QString& employee,
                       const QByteArray& origin, const OriginLink& link);

// The lines of rows, joined.
QByteArray JoinedLines(const QList<PunchRow>& rows);
