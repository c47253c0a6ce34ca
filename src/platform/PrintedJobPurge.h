#pragma once

#include <QString>

// Has the print server delete a job handed to it, its document with it, as soon as the job has
// been printed. A finished job stays in the spooler's history with its document for a day or
// more, and the document of a sheet of badge cards is a set of keys. The job is the newest of
// this user on printer with the title given; it is watched from the event loop, one short request
// at a time, for at most WatchMs, and forgotten if the program ends first. Without CUPS (or when
// the job cannot be found) nothing is done.
namespace PrintedJobPurge {

constexpr int WatchMs = 30 * 60 * 1000;

void purgeOncePrinted(const QString& printer, const QString& title);

} // namespace PrintedJobPurge
