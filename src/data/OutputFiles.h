#pragma once

#include "data/FileStore.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A file chosen by the user: a report saved from its window or written by the report program.
struct OutputFile
{
    QString path;
    QByteArray bytes;
};

// Writes the files that the user named for a report (Save As, the report program's --output).
// A path that leads into the data folder is refused before anything is written: a report must
// never replace an employee list, the settings or a time file.
//
// A regular file, or a link to one, is replaced as FileStore::replaceFile does (through the
// link: the file it points to); a device, a FIFO or standard output is written as a stream; any
// other kind of target is refused. Every replaced file is written and flushed before the first
// of them replaces its old file, and the old files are kept aside until the last one is
// replaced, so a failure puts every replaced file back as it was (what a stream received stays
// received). Only a crash between two of the renames can leave some replaced and not others.
Result<> WriteOutputFiles(const QList<OutputFile>& outputs);

// Whether path may receive a report; the failure refuses it.
Result<> CheckOutputPath(const QString& path);
