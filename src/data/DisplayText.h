#pragma once

#include <QString>

namespace FileStore {

// A path for a message: native separators, shortened in the middle when it is very long.
QString displayPath(const QString& path);
// A text of data for a message (a name), shortened at its end when it is very long.
QString displayText(const QString& text);

} // namespace FileStore
