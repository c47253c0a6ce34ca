#pragma once

#include <QString>

#include <optional>

namespace FileStore {

// Tells whether a data file may have changed since it was last read, without reading it: the
// identity of the file at the path (a final link is not followed), its size and the times of its
// last change. A rename over the path gives another file; a write in place moves the times.
struct Stamp
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool operator==(const Stamp&) const = default;
};

// The stamp of the regular file at the path; none for a missing file or anything else.
std::optional<Stamp> stampOf(const QString& path);

} // namespace FileStore
