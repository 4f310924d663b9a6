// Any bytes as a MIDI file: the reader and the stream never fail on content.
// A file the reader takes opens when it lasts at most a day; its stream has
// the length the reader gives, hands out no more than it announced, and gives
// the same samples again after a jump away and back. Each input renders a
// bounded number of frames.
#include "media/mpv/midi_file.h"
#include "media/mpv/midi_stream.h"

#include <QHash>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

// Up to `want` bytes from the offset the stream stands at, in reads of at most
// 16 KiB; a read may give less than asked (one slice of rendering at most).
static QByteArray readSome(MidiStream& s, std::int64_t& offset, qsizetype want = 65536) {
    QByteArray out;
    while (out.size() < want) {
        QByteArray block(std::min<qsizetype>(16384, want - out.size()), '\0');
        const std::int64_t r = s.read(block.data(), static_cast<std::uint64_t>(block.size()));
        if (r < 0 || r > block.size() || (offset += r) > s.size())
            abort();
        if (r == 0)
            break;
        out += block.left(r);
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto t = MidiTimeline::parse(bytes);
    const double seconds = t ? t->lengthSeconds() : 0;
    if (t && (!(seconds >= 0) || t->secondsAt(t->lastTick() / 2) > seconds))
        abort();
    const int fd = memfd_create("fuzz.mid", MFD_CLOEXEC);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size))
        abort();
    auto s = MidiStream::open(fd);
    if (bool(s) !=
        (t && seconds <= MidiStream::kMaxSeconds && !MidiStream::soundfontPath().isEmpty()))
        abort();
    if (!s)
        return 0;
    const std::int64_t frames =
        std::llround(seconds * MidiStream::kSampleRate) + MidiStream::kTailFrames;
    std::int64_t offset = 0;
    const QByteArray first = readSome(*s, offset);
    if (s->size() != MidiStream::kHeaderBytes + 4 * frames || !first.startsWith("RF64"))
        abort();
    // Somewhere within, chosen by the bytes, and back to the start.
    offset = MidiStream::kHeaderBytes + 4 * (qHash(bytes) % static_cast<std::uint64_t>(frames));
    if (!s->seek(offset))
        abort();
    readSome(*s, offset, 16384);
    offset = 0;
    if (!s->seek(0) || readSome(*s, offset) != first)
        abort();
    return 0;
}
