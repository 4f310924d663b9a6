#pragma once

#include <QByteArray>
#include <QString>

// Reading a small file that the person may have replaced by anything: a link
// to a device, a FIFO, a huge file. Only a regular file is read, it is opened
// without waiting (a FIFO never blocks the caller) and it is read only up to a
// bound, so start-up always finishes in bounded time and memory.
namespace regularfile {

// The largest settings file read: 16 MiB. Anything larger is no settings
// file of ours, so it is neither read nor replaced.
inline constexpr qint64 kSettingsLimit = qint64{16} << 20;

enum class Status {
    Missing, // nothing by that name: a new file may be made
    Read,    // a regular file, read whole
    Refused, // there, but not a regular file within the bound, or unreadable
};

struct Content {
    Status status = Status::Missing;
    QByteArray bytes;
};

// Reads the file a path names (links followed), whole, if it is a regular file
// of at most maxBytes.
Content read(const QString& path, qint64 maxBytes);

} // namespace regularfile
