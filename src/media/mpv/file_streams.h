#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

struct mpv_handle;

// The only way a file reaches the engine: a descriptor the program checked,
// published under a URL of our own protocol. The engine opens that URL as
// often as it needs (the current entry, the queued one ahead of time) and
// reads the descriptor through a stream of ours; it can name nothing else,
// so it opens no path, device or address by itself. MIDI files are rendered
// by the synthesizer on the way.
namespace filestreams {

// Lets the engine behind the handle open published files.
void addProtocol(mpv_handle* handle);

// Takes the descriptor of a file of `size` bytes; the URL the engine opens
// it by until release(). `name` tells the kind of file (its extension).
QByteArray publish(int fd, std::int64_t size, const QString& name);

// Closes the published descriptor. Streams the engine already opened keep
// reading their own copy of it until the engine closes them.
void release(const QByteArray& url);

} // namespace filestreams
