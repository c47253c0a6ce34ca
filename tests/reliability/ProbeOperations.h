#pragma once

#include "data/FileStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The writing operations that the crash and I/O-error tests exercise, each as the program
// performs it, on the data directory currently installed in Environment.
QStringList ProbeOperationNames();
// Writes the files the operation starts from.
void PrepareProbeOperation(const QString& name);
IoResult RunProbeOperation(const QString& name);

// The content of each data file before and after the operation; an empty optional-like pair
// (both equal) for files it does not touch. A file listed later may be "after" only when those
// before it are: the record of a change never runs ahead of the change.
struct ProbeExpectation
{
    QString file;
    QByteArray before;
    QByteArray after;
};
QList<ProbeExpectation> ProbeExpectations(const QString& name);
