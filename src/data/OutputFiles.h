#pragma once

#include "data/FileStore.h"

// Writes the files that the user named for a report (Save As, the report program's --output).
// A path that leads into the data folder is refused before anything is written: a report must
// never replace an employee list, the settings or a time file.
IoResult WriteOutputFiles(const QList<FileStore::Output>& outputs);

// Empty when path may receive a report; otherwise the message that refuses it.
QString OutputPathProblem(const QString& path);
