#pragma once

#include "data/Result.h"

#include <QList>
#include <QPair>
#include <QString>

// The libpq Horodex loads with its first connection (its name since 8.0).
inline constexpr char LibpqSoname[] = "libpq.so.5";

// Whether a library loaded under soname offers the libpq calls Horodex needs; it loads none.
bool LibpqCallsLoaded(const char* soname);

// The message for a computer without libpq.
QString LibpqMissing();

// The parameters of a connection string (a URI or key=value words) as libpq itself reads them,
// in its order, each set one once. Loads libpq when no connection did yet. Fails without quoting
// the string, which may hold a password.
IoResult ReadConnectionString(const QString& text, QList<QPair<QString, QString>>* parameters);
