#pragma once

#include "data/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

// One line of names.nms: seven quoted fields. Pin is stored scrambled.
struct EmployeeRecord
{
    QString Name;
    QString Pin;
    QString SSN;
    QString RegularRate;
    QString OvertimeRate;
    QString Shift;
    QString Reserved = QStringLiteral("111111111");

    bool operator==(const EmployeeRecord&) const = default;
};

// The records of the list as read, with a description of every line that could not be read.
// A record whose name is blank is no employee: it is left out without a word, and a rewrite
// of the list drops it.
struct EmployeeList
{
    QList<EmployeeRecord> records;
    QStringList problems; // one entry per unreadable line, naming the line number
    int blankRecords = 0;
    bool isClean() const { return problems.isEmpty(); }
};

// The characters a name may not hold, because the name is also a file name.
inline constexpr char16_t ForbiddenNameCharacters[] = u"\\/:*?\"<>|";
inline constexpr int MaxNameLength = 18;

// The largest employee list read: some two hundred thousand employees.
inline constexpr qint64 MaxEmployeeListSize = 16 << 20;

QString EmployeeListPath();

// Fails, saying why in a phrase ("it has no name"), when a name cannot be used: it would not be a
// plain file name in the data folder (empty, "." or "..", a forbidden or control character).
Result<> NameIsUsable(const QString& name);

// Parses the bytes of names.nms. Lines that do not hold seven quoted fields, names that cannot be
// file names, and a name listed again (trimmed, letter case ignored) are reported in problems and
// skipped; records with a blank name are counted and skipped; every good record is kept.
EmployeeList ParseEmployeeList(const QByteArray& bytes);
QByteArray SerializeEmployeeRecord(const EmployeeRecord& record);

// Reads the file. A failure to read names the file; an unreadable line is a problem, not a failure.
Result<EmployeeList> ReadEmployeeList();
// Old shape, kept for callers outside the core.
IoResult ReadEmployeeList(EmployeeList* list);

// The message shown when names.nms holds lines that cannot be read.
QString EmployeeListProblemsMessage(const EmployeeList& list);

// The numbers of the lines that hold characters of several bytes, when the whole of bytes is
// valid UTF-8 (a list saved by an editor that writes UTF-8); otherwise none. Such a list is still
// read as Latin-1, as every list is, so that existing time files keep their names.
QList<int> Utf8Lines(const QByteArray& bytes);
// "2, 5, 9": line numbers for a message, the first few of a long list.
QString Utf8LinesText(const QList<int>& lines);
// Utf8Lines of names.nms; none when it cannot be read, which its readers report.
QList<int> EmployeeListUtf8Lines();

Result<> EnsureEmployeeListFile();
// Whether another record than exceptName's has this name, ignoring letter case and the spaces
// around stored names; fails when the list cannot be read, rather than letting a duplicate in.
Result<bool> EmployeeExists(const QString& name, const QString& exceptName = QString());
// Exact match. Without one, fails with "Employee not found" (or why the list could not be read):
// never another employee's fields.
Result<EmployeeRecord> FindEmployee(const QString& name);
// Exact match; rewrites the list atomically. True when there was a record to remove; records with
// a blank name are removed as well and count.
Result<bool> DeleteEmployee(const QString& name);
// Old shape, kept for callers outside the core.
IoResult DeleteEmployee(const QString& name, bool* removed);
// Appends one record at the end of the list.
Result<> AppendEmployee(const EmployeeRecord& record);
// Removes the records named oldName and appends record, in one atomic rewrite.
Result<> ReplaceEmployee(const QString& oldName, const EmployeeRecord& record);
// The names for the main list, in file order. Always a list: a list file that cannot be read
// gives none and the lines that cannot be read are left out, each with why as the warning.
Result<QStringList> EmployeeNames();
// True when the record with exactly this name has exactly this unscrambled PIN. Fails when the
// list cannot be read: that is no answer, and never a wrong PIN. A stored PIN that cannot be
// unscrambled gives false with why as the warning.
Result<bool> CheckPin(const QString& name, const QString& typed);
// Digits, all that a PIN box lets through, always scramble; any other text gives "".
QString ScramblePin(const QString& pin);
// Fails for a stored PIN that a hand edit put out of range.
Result<QString> UnscramblePin(const QString& storedPin);
