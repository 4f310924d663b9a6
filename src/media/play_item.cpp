#include "media/play_item.h"

#include "media/midi_kind.h"
#include "platform/codepage.h"
#include "platform/path_separator.h"

#include <QFileInfo>

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

namespace playitem {
namespace {

// Far more than a list of kMaxEntries names needs.
constexpr qsizetype kMaxListBytes = qsizetype{16} << 20;

QByteArray readBounded(const platform::PlayableFile& file) {
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() <= kMaxListBytes) {
        const ssize_t n = ::read(file.fd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes.left(kMaxListBytes);
}

// A MIDI file is read whole by the synthesizer when the engine opens it, on
// a thread of the engine's that nothing may hold: its bytes are read here
// and handed over in memory, where no read can stall.
platform::OpenedFile inMemory(platform::OpenedFile midi) {
    if (!midi.file.isOpen())
        return midi;
    QByteArray bytes(
        static_cast<qsizetype>(std::min<std::int64_t>(midi.file.size(), kMaxMidiBytes)) + 1, '\0');
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(midi.file.fd(), bytes.data() + got,
                                  static_cast<size_t>(bytes.size() - got), got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    platform::OpenedFile out;
    out.failure = platform::OpenFailure::Unreadable;
    platform::PlayableFile memory(::memfd_create("midi", MFD_CLOEXEC));
    if (!memory.isOpen() ||
        ::write(memory.fd(), bytes.constData(), static_cast<size_t>(got)) != got)
        return out;
    out.failure = platform::OpenFailure::None;
    out.file = platform::PlayableFile(memory.release(), got);
    return out;
}

} // namespace

bool isList(const QString& name) {
    return name.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive);
}

QStringList listEntries(QByteArrayView text, const QString& folder) {
    QStringList entries;
    text = codepage::skipBom(text);
    while (!text.isEmpty() && entries.size() < kMaxEntries) {
        qsizetype end = text.indexOf('\n');
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.first(end);
        text = text.sliced(std::min(end + 1, text.size()));
        line = line.trimmed();
        if (line.isEmpty() || line.front() == '#' || line.size() > platform::kPathMax)
            continue;
        const QString name = codepage::decodeLine(line);
        // A name with a scheme stays as it is: the gate refuses it.
        entries << (name.startsWith(u'/') || platform::hasScheme(name) ? name
                                                                       : folder + u'/' + name);
    }
    return entries;
}

Opened open(const QString& item, QStringList entries, int index) {
    Opened out;
    if (entries.isEmpty()) {
        if (!isList(item)) {
            entries << item;
        } else {
            platform::OpenedFile list = platform::openPlayable(item);
            if (!list.file.isOpen()) {
                out.entry.failure = list.failure;
                return out;
            }
            entries = listEntries(readBounded(list.file), QFileInfo(item).absolutePath());
        }
    }
    out.entries = entries;
    if (index < 0 || index >= entries.size())
        out.entry.failure = platform::OpenFailure::NotAFile; // an empty list plays nothing
    else if (isMidiName(entries.at(index)))
        out.entry = inMemory(platform::openPlayable(entries.at(index)));
    else
        out.entry = platform::openPlayable(entries.at(index));
    return out;
}

} // namespace playitem
