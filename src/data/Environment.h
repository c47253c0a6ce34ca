#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>

// Where the program keeps its files, what time it is and how dates and money are written.
// Each has one seam for tests; the program itself uses the defaults.
namespace Environment {

// The program's directory.
QString programDirectory();
// The data directory: the folder HORODEX_DATA names; else "data" beside the program when it
// exists and may be written; else $XDG_DATA_HOME/horodex (~/.local/share/horodex).
QString dataDirectory();
// Whether accounts other than its owner can enter the folder (a group or other x bit), and so
// open every file in it that the file's own mode lets them read: the data folder is meant to be
// 0700, as the program creates it. False when the folder cannot be examined.
bool othersMayEnter(const QString& folder);
// The path of a file directly in the data directory; empty when fileName is not a plain name
// (a slash, "." or ".."), which the file layer then refuses.
QString dataFilePath(const QString& fileName);
void setProgramDirectoryForTesting(const QString& dir); // empty restores the default
// A data directory chosen by the user in place of "data" beside the program (the report
// program's --data); empty restores the default.
void setDataDirectory(const QString& dir);

// The wall clock, read once per use so that date and time always belong together.
QDateTime now();
void setClockForTesting(std::function<QDateTime()> clock); // empty restores the system clock

// The regional formats: the system's, or en_US where the system has none (C/POSIX).
QLocale regionalLocale();
void setRegionalLocaleForTesting(const QLocale& locale);
void clearRegionalLocaleForTesting();
// The locale's short date format with a two-digit year widened to four digits.
QString shortDateFormat();
QString shortDateFormat(const QLocale& locale);

} // namespace Environment
