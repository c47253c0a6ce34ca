#pragma once

#include "data/FileStore.h"
#include "data/Result.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The badges of the employees: data/badges.txt, Latin-1, a version line and then one line per
// badge issued, "name<TAB>sha256-of-code<TAB>issued<TAB>revoked" with ISO dates and an empty
// revoked field while the badge works. The codes themselves are never stored: a copied file must
// not let anyone make a working badge.
struct Badge
{
    QString employee;
    QByteArray hash; // 64 lowercase hex digits
    QDate issued;
    QDate revoked; // null while the badge works

    bool active() const { return revoked.isNull(); }
    bool operator==(const Badge&) const = default;
};

struct BadgeFile
{
    QList<Badge> badges;
    QStringList problems; // one entry per unreadable line, naming the line number
    bool isClean() const { return problems.isEmpty(); }
};

inline constexpr int BadgeFileVersion = 1;
// Some hundred thousand badges.
inline constexpr qint64 MaxBadgeFileSize = 16 << 20;
// A reader types a card's code: fobs give ten digits or so, printed badges a few more.
inline constexpr int MinBadgeCodeLength = 4;
inline constexpr int MaxBadgeCodeLength = 64;

QString BadgeFilePath();

// The code as stored and compared: spaces around it removed, letters in upper case (a reader with
// Caps Lock on types the other case). Fails, saying why, for a code that is too short or too long
// or holds a character other than printable ASCII.
Result<QString> NormalizeBadgeCode(const QString& typed);
// The SHA-256 of a normalised code, in hex.
QByteArray BadgeCodeHash(const QString& normalizedCode);

// A new code for a printed badge: 16 characters from QRandomGenerator::system() over 18 letters
// that QWERTY, QWERTZ and AZERTY keyboards type alike (66 bits).
QString NewBadgeCode();

// Parses the bytes of the file. A file from a newer version is refused whole (newerVersion);
// damaged lines are listed in problems and skipped, every good line is kept.
BadgeFile ParseBadgeFile(const QByteArray& bytes, bool* newerVersion = nullptr);
QByteArray SerializeBadgeFile(const QList<Badge>& badges);

// Reads the file; a missing file holds no badges. A file that cannot be read, one from a newer
// version and one with damaged lines fail with a message naming the file (and the lines); the
// good lines of a damaged file are still in *file.
IoResult ReadBadgeFile(BadgeFile* file);

// The employee whose working badge has this code; empty when none has (unknown or revoked) and
// when working badges of two employees have it (a hand-edited or merged file). Only
// the lines that can be read count. The badges are kept from one call to the next and the file is
// read again once its stamp (FileStamp.h) has moved, so a scan reads no unchanged file.
Result<QString> BadgeHolder(const QString& normalizedCode);

// The employees whose working badges share one code, a list per code, in the file's order.
QList<QStringList> SharedBadgeHolders(const BadgeFile& file);

// The changes below read the file, change it and replace it atomically; a file that cannot be
// read whole is never written. Each returns a message naming the file when it fails.

// Gives the employee a badge with this code and revokes his others. Refused when another
// employee's working badge has the code.
IoResult IssueBadge(const QString& employee, const QString& normalizedCode, const QDate& today);
// Revokes every working badge of the employee; *revoked counts them.
IoResult RevokeBadges(const QString& employee, const QDate& today, int* revoked = nullptr);

// The employee's working badge, if he has one, else his last revoked one, else none.
const Badge* CurrentBadgeOf(const BadgeFile& file, const QString& employee);
