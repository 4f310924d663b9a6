#pragma once

#include "platform/playable_file.h"

#include <QString>
#include <QStringList>

// What the player is given to play: a media file, or a list file (".m3u",
// ".m3u8") whose entries play in turn as one item. A list is read by us,
// never by the engine, and each entry passes the gate like any file.
namespace playitem {

// Names longer lists are cut at; a person's list is far shorter.
inline constexpr int kMaxEntries = 100000;

bool isList(const QString& name);

// An entry of an item, opened for the engine. `entries` is the item's
// entries as read (the item itself for a media file), when they were asked for.
struct Opened {
    QStringList entries;
    platform::OpenedFile entry;
};

// Reads the item's entries unless they are given, then opens the one at
// `index`. `item` is a local path (platform::localPath). It may wait on a
// stalled disk: call it off the GUI thread.
Opened open(const QString& item, QStringList entries, int index);

// The entries of a list's text: one name a line, comments ("#") and empty
// lines left out, a name relative to the list's folder made absolute.
QStringList listEntries(QByteArrayView text, const QString& folder);

} // namespace playitem
