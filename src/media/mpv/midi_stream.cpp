#include "media/mpv/midi_stream.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <fluidsynth.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <limits>
#include <mutex>

namespace {

// The synthesizer's default gain plays some 20 dB below other media.
constexpr double kGain = 1.0;

// Voices at once. A note beyond them ends another, so a crowd of notes in
// one chunk would only end each other before they sound: past
// kMaxNoteOnsPerChunk they are left out, and a file of a million notes at
// once costs no more than one of a few.
constexpr int kPolyphony = 128;
constexpr int kMaxNoteOnsPerChunk = 64;

// The synthesizer renders in chunks of this many frames; a read renders one
// slice of them at most, and takes the lock for one chunk or one batch of
// events at a time.
constexpr std::int64_t kChunk = 64;
constexpr std::int64_t kSliceFrames = 1024;
constexpr int kEventBatch = 256;

// Below this a sample is silence (-72 dBFS): with no voice left, nothing
// needs rendering until the next event.
constexpr float kQuiet = 8.0f / 32767.0f;
// After its last event a stream ends once its sound stays below kEndLevel
// (-60 dBFS, nothing a person hears next to the following file) for
// kQuietRun frames, or at once when no voice sounds any more.
constexpr float kEndLevel = 32.0f / 32767.0f;
constexpr std::int64_t kQuietRun = 256;

void silenceLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

// Every synthesizer borrows the keeper's soundfont, whose presets and samples
// count their users without atomics and, with dynamic loading, load and drop
// their samples as presets are chosen: everything any synthesizer does
// happens under this one lock, taken for a bounded step at a time.
std::mutex& fontLock() {
    static std::mutex lock;
    return lock;
}

// RF64: a WAV header whose lengths take 64 bits (ds64), for any length.
QByteArray rf64Header(std::int64_t frames) {
    const auto dataBytes = static_cast<std::uint64_t>(frames) * 4;
    QByteArray h(MidiStream::kHeaderBytes, '\0');
    char* p = h.data();
    auto put = [](char* at, auto v) {
        qToLittleEndian(v, at);
    };
    std::memcpy(p, "RF64", 4);
    put(p + 4, std::uint32_t{0xFFFFFFFF});
    std::memcpy(p + 8, "WAVEds64", 8);
    put(p + 16, std::uint32_t{28});
    put(p + 20, std::uint64_t{MidiStream::kHeaderBytes - 8 + dataBytes});
    put(p + 28, dataBytes);
    put(p + 36, static_cast<std::uint64_t>(frames));
    put(p + 44, std::uint32_t{0}); // no table
    std::memcpy(p + 48, "fmt ", 4);
    put(p + 52, std::uint32_t{16});
    put(p + 56, std::uint16_t{1}); // PCM
    put(p + 58, std::uint16_t{2});
    put(p + 60, std::uint32_t{MidiStream::kSampleRate});
    put(p + 64, std::uint32_t{MidiStream::kSampleRate * 4});
    put(p + 68, std::uint16_t{4});
    put(p + 70, std::uint16_t{16});
    std::memcpy(p + 72, "data", 4);
    put(p + 76, std::uint32_t{0xFFFFFFFF});
    return h;
}

void applySettings(fluid_settings_t* settings) {
    fluid_settings_setnum(settings, "synth.sample-rate", MidiStream::kSampleRate);
    fluid_settings_setnum(settings, "synth.gain", kGain);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setint(settings, "synth.polyphony", kPolyphony);
    // Only the presets a file chooses load their samples: the soundfont is
    // ready in about two thirds of the time.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
}

struct Keeper {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
} keeper;

// The soundfont's bytes, mapped once. Its loader reads them through these
// callbacks: with dynamic loading it opens the file again for every preset a
// synthesizer chooses, and a mapped file costs no system call, nor memory
// beyond the pages read. Set before the soundfont loads, read-only after.
struct MappedFont {
    const char* data = nullptr;
    std::int64_t size = 0;
} mapped;

void* fontOpen(const char*) {
    return mapped.data ? new std::int64_t(0) : nullptr;
}
int fontRead(void* buffer, fluid_long_long_t count, void* handle) {
    auto& pos = *static_cast<std::int64_t*>(handle);
    if (count < 0 || count > mapped.size - pos)
        return FLUID_FAILED;
    std::memcpy(buffer, mapped.data + pos, static_cast<std::size_t>(count));
    pos += count;
    return FLUID_OK;
}
int fontSeek(void* handle, fluid_long_long_t offset, int origin) {
    auto& pos = *static_cast<std::int64_t*>(handle);
    const std::int64_t base = origin == SEEK_CUR ? pos : origin == SEEK_END ? mapped.size : 0;
    if (offset < -base || offset > mapped.size - base)
        return FLUID_FAILED;
    pos = base + offset;
    return FLUID_OK;
}
fluid_long_long_t fontTell(void* handle) {
    return *static_cast<std::int64_t*>(handle);
}
int fontClose(void* handle) {
    delete static_cast<std::int64_t*>(handle);
    return FLUID_OK;
}

// Maps the soundfont file, and has the synthesizer read it from there; it
// reads the file itself when it cannot be mapped.
void mapFont(fluid_synth_t* synth, const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0)
        return;
    void* data = MAP_FAILED;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        data = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    fluid_sfloader_t* loader =
        data != MAP_FAILED ? new_fluid_defsfloader(keeper.settings) : nullptr;
    if (!loader) {
        if (data != MAP_FAILED)
            munmap(data, static_cast<size_t>(st.st_size));
        return;
    }
    mapped = {static_cast<const char*>(data), st.st_size};
    fluid_sfloader_set_callbacks(loader, fontOpen, fontRead, fontSeek, fontTell, fontClose);
    fluid_synth_add_sfloader(synth, loader); // tried before the one that opens files
}

// The soundfont, loaded by a synthesizer that lives as long as the process so
// that it stays in memory; the others only borrow it. Loading it costs more
// than everything else of a MIDI file's start.
// Held where the program's end still finds it: it is never freed.

fluid_sfont_t* loadSharedFont() {
    const QString path = MidiStream::soundfontPath();
    if (path.isEmpty())
        return nullptr;
    silenceLog();
    keeper.settings = new_fluid_settings();
    applySettings(keeper.settings);
    const std::lock_guard<std::mutex> hold(fontLock());
    keeper.synth = new_fluid_synth(keeper.settings);
    if (!keeper.synth)
        return nullptr;
    const QByteArray file = QFile::encodeName(path);
    mapFont(keeper.synth, file);
    const int id = fluid_synth_sfload(keeper.synth, file.constData(), 0);
    return id < 0 ? nullptr : fluid_synth_get_sfont_by_id(keeper.synth, id);
}

std::shared_future<fluid_sfont_t*> sharedFont() {
    static std::mutex lock;
    static std::shared_future<fluid_sfont_t*> font;
    const std::lock_guard<std::mutex> hold(lock);
    if (!font.valid())
        font = std::async(std::launch::async, loadSharedFont).share();
    return font;
}

// The whole of a regular file, if it holds at most kMaxFileBytes.
bool readRegularFile(int fd, QByteArray& bytes) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MidiStream::kMaxFileBytes)
        return false;
    // It may have grown since: read one byte past the limit to see.
    bytes.resize(static_cast<qsizetype>(st.st_size) + 1);
    std::int64_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > MidiStream::kMaxFileBytes)
                return false;
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, MidiStream::kMaxFileBytes + 1));
        }
        const ssize_t n = pread(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got),
                                static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += n;
    }
    bytes.truncate(static_cast<qsizetype>(got));
    return true;
}

std::int16_t toSample(float v) {
    return static_cast<std::int16_t>(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

} // namespace

void MidiStream::preloadSoundfont() {
    sharedFont();
}

QString MidiStream::soundfontPath() {
    static const QString found = [] {
        for (const char* candidate :
             {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf3/default-GM.sf3",
              "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"}) {
            if (QFileInfo(QString::fromLatin1(candidate)).isReadable())
                return QString::fromLatin1(candidate);
        }
        return QString();
    }();
    return found;
}

std::unique_ptr<MidiStream> MidiStream::open(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    return fd < 0 ? nullptr : open(fd);
}

std::unique_ptr<MidiStream> MidiStream::open(int fd) {
    QByteArray bytes;
    const bool read = fd >= 0 && readRegularFile(fd, bytes);
    if (fd >= 0)
        ::close(fd);
    if (!read)
        return nullptr;
    auto timeline = MidiTimeline::parse(bytes);
    // Silence costs nothing, but a length past any piece's is no music.
    if (!timeline || !(timeline->lengthSeconds() <= kMaxSeconds))
        return nullptr;
    fluid_sfont_t* font = sharedFont().get();
    if (!font)
        return nullptr;

    std::unique_ptr<MidiStream> s(new MidiStream);
    s->file_ = std::move(bytes);
    s->timeline_ = std::move(*timeline);
    s->font_ = font;
    s->lastFrame_ = s->frameAt(s->timeline_.lastTick());
    s->frames_ = s->lastFrame_ + kTailFrames;
    s->endFrame_ = s->frames_;
    s->header_ = rf64Header(s->frames_);
    s->settings_ = new_fluid_settings();
    applySettings(s->settings_);
    if (!s->freshSynth())
        return nullptr;
    s->left_.resize(kChunk);
    s->right_.resize(kChunk);
    return s;
}

MidiStream::~MidiStream() {
    const std::lock_guard<std::mutex> hold(fontLock());
    dropSynth();
    if (settings_)
        delete_fluid_settings(settings_);
}

// Under the lock.
void MidiStream::dropSynth() {
    if (!synth_)
        return;
    // The soundfont is shared: a synthesizer would free it with itself.
    fluid_synth_remove_sfont(synth_, font_);
    delete_fluid_synth(synth_);
    synth_ = nullptr;
}

// A synthesizer at the start: all it rang with gone, the tracks from the top.
bool MidiStream::freshSynth() {
    {
        const std::lock_guard<std::mutex> hold(fontLock());
        dropSynth();
        synth_ = new_fluid_synth(settings_);
        if (synth_ && fluid_synth_add_sfont(synth_, font_) < 0)
            dropSynth();
    }
    synthFrames_ = 0;
    restartTracks();
    return synth_ != nullptr;
}

std::int64_t MidiStream::frameAt(std::int64_t tick) const {
    return std::llround(timeline_.secondsAt(tick) * kSampleRate);
}

void MidiStream::restartTracks() {
    const auto& tracks = timeline_.tracks();
    const auto* bytes = reinterpret_cast<const unsigned char*>(file_.constData());
    readers_.clear();
    pending_.assign(tracks.size(), MidiEvent{});
    heap_.clear();
    for (std::uint32_t i = 0; i < tracks.size(); ++i) {
        readers_.emplace_back(bytes, tracks[i].begin, tracks[i].end);
        if (readers_[i].next(pending_[i]))
            heap_.emplace_back(pending_[i].tick, i);
    }
    std::make_heap(heap_.begin(), heap_.end(), std::greater<>());
}

// The events of all tracks by tick; at one tick, the earlier track's first.
bool MidiStream::nextEvent(MidiEvent& e) {
    if (heap_.empty())
        return false;
    std::pop_heap(heap_.begin(), heap_.end(), std::greater<>());
    const std::uint32_t track = heap_.back().second;
    heap_.pop_back();
    e = pending_[track];
    if (readers_[track].next(pending_[track])) {
        heap_.emplace_back(pending_[track].tick, track);
        std::push_heap(heap_.begin(), heap_.end(), std::greater<>());
    }
    return true;
}

void MidiStream::dispatch(const MidiEvent& e, std::int64_t frame) {
    const int channel = e.status & 0x0F;
    const int kind = e.status < 0xF0 ? e.status & 0xF0 : e.status;
    // A channel message's data is below 128.
    auto sounding = [&]() -> std::uint16_t& {
        return sounding_[static_cast<std::size_t>(channel * 128 + e.data1)];
    };
    switch (kind) {
    case 0x90:
        if (e.data2 > 0) {
            if (frame / kChunk != noteOnBlock_) {
                noteOnBlock_ = frame / kChunk;
                noteOnsInBlock_ = 0;
            }
            if (noteOnsInBlock_ >= kMaxNoteOnsPerChunk)
                return;
            ++noteOnsInBlock_;
            if (fluid_synth_noteon(synth_, channel, e.data1, e.data2) == FLUID_OK &&
                sounding() < std::numeric_limits<std::uint16_t>::max())
                ++sounding();
            silent_ = false;
            return;
        }
        [[fallthrough]];
    case 0x80:
        if (sounding() == 0)
            return;
        --sounding();
        fluid_synth_noteoff(synth_, channel, e.data1);
        return;
    case 0xA0:
        fluid_synth_key_pressure(synth_, channel, e.data1, e.data2);
        return;
    default:
        applyControl(e);
    }
}

// Whatever an event sets for the notes after it.
void MidiStream::applyControl(const MidiEvent& e) {
    const int channel = e.status & 0x0F;
    if (e.status == 0xF0) {
        std::uint32_t length = e.length;
        const char* data = file_.constData() + e.offset;
        if (length > 0 && static_cast<std::uint8_t>(data[length - 1]) == 0xF7)
            --length; // the synthesizer takes the message without its end
        if (length > 0)
            fluid_synth_sysex(synth_, data, static_cast<int>(length), nullptr, nullptr, nullptr, 0);
        return;
    }
    switch (e.status & 0xF0) {
    case 0xB0:
        fluid_synth_cc(synth_, channel, e.data1, e.data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth_, channel, e.data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth_, channel, e.data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth_, channel, e.data1 | (e.data2 << 7));
        break;
    default: // notes, meta events and escapes set nothing
        break;
    }
}

// The sound at a frame depends on every control before it: a jump silences
// what sounds and replays the controls up to the frame, from the start (on a
// fresh synthesizer) when it goes back, without the notes and without
// rendering.
bool MidiStream::moveTo(std::int64_t frame) {
    if (frame == renderedFrame_)
        return true;
    const bool back = frame < renderedFrame_;
    if (back) {
        if (!freshSynth())
            return false;
    } else {
        const std::lock_guard<std::mutex> hold(fontLock());
        fluid_synth_all_sounds_off(synth_, -1);
    }
    sounding_.fill(0);
    renderedFrame_ = frame;
    endFrame_ = frames_;
    quietSince_ = -1;
    silent_ = back; // a fresh synthesizer rings with nothing; the other may still ring
    noteOnBlock_ = -1;
    block_.clear();
    blockStart_ = frame;
    {
        // The synthesizer renders in chunks of its own: whatever the way
        // here, they start at the same frames, and so do the notes in them.
        const std::lock_guard<std::mutex> hold(fontLock());
        const auto align = static_cast<int>(((frame - synthFrames_) % kChunk + kChunk) % kChunk);
        if (align > 0 && !render(align))
            return false;
    }
    for (bool more = true; more;) {
        if (cancelled_.load(std::memory_order_relaxed))
            return false;
        const std::lock_guard<std::mutex> hold(fontLock());
        MidiEvent e;
        int batch = 0;
        while (batch < kEventBatch && !heap_.empty() && frameAt(heap_.front().first) < frame &&
               nextEvent(e)) {
            applyControl(e);
            ++batch;
        }
        more = batch == kEventBatch;
    }
    return true;
}

// Under the lock: the next count frames (at most a chunk) into left_ and right_.
bool MidiStream::render(int count) {
    synthFrames_ += count;
    return fluid_synth_write_float(synth_, count, left_.data(), 0, 1, right_.data(), 0, 1) ==
           FLUID_OK;
}

bool MidiStream::renderSlice() {
    blockStart_ = renderedFrame_;
    const std::int64_t stop = renderedFrame_ + std::min(kSliceFrames, endFrame_ - renderedFrame_);
    block_.assign(static_cast<std::size_t>(stop - blockStart_) * 2, 0);
    while (renderedFrame_ < stop) {
        if (cancelled_.load(std::memory_order_relaxed))
            return false;
        const std::lock_guard<std::mutex> hold(fontLock());
        const std::int64_t at = renderedFrame_;
        MidiEvent e;
        int batch = 0;
        while (batch < kEventBatch && !heap_.empty() && frameAt(heap_.front().first) <= at &&
               nextEvent(e)) {
            dispatch(e, at);
            ++batch;
        }
        if (batch == kEventBatch)
            continue; // more at this frame: let go of the lock, look for a cancel
        std::int64_t until = stop;
        if (!heap_.empty())
            until = std::min(until, frameAt(heap_.front().first));
        // Nothing sounds until the next event: zeros, whole chunks of them.
        const std::int64_t skip = (until - at) / kChunk * kChunk;
        if (silent_ && !heap_.empty() && at % kChunk == 0 && skip > 0) {
            renderedFrame_ += skip;
            continue;
        }
        until = std::min(until, (at / kChunk + 1) * kChunk);
        const int count = static_cast<int>(until - at);
        if (!render(count))
            return false;
        float peak = 0;
        std::int16_t* out = block_.data() + (at - blockStart_) * 2;
        for (int i = 0; i < count; ++i) {
            out[2 * i] = toSample(left_[i]);
            out[2 * i + 1] = toSample(right_[i]);
            peak = std::max({peak, std::abs(left_[i]), std::abs(right_[i])});
        }
        renderedFrame_ = until;
        const bool voices = fluid_synth_get_active_voice_count(synth_) > 0;
        silent_ = peak < kQuiet && !voices;
        if (!heap_.empty())
            continue;
        // After the last event: the stream ends with its sound.
        if (peak >= kEndLevel) {
            quietSince_ = -1;
            continue;
        }
        if (quietSince_ < 0)
            quietSince_ = at;
        if (!voices || renderedFrame_ - quietSince_ >= kQuietRun) {
            endFrame_ = renderedFrame_ = std::max(quietSince_, blockStart_);
            block_.resize(static_cast<std::size_t>(endFrame_ - blockStart_) * 2);
            return true;
        }
    }
    return true;
}

std::int64_t MidiStream::read(char* buffer, std::uint64_t n) {
    if (cancelled_.load(std::memory_order_relaxed))
        return -1;
    std::uint64_t copied = 0;
    bool rendered = false;
    while (copied < n) {
        const std::uint64_t want = n - copied;
        if (offset_ < kHeaderBytes) {
            const auto k =
                std::min<std::uint64_t>(want, static_cast<std::uint64_t>(kHeaderBytes - offset_));
            std::memcpy(buffer + copied, header_.constData() + offset_, k);
            copied += k;
            offset_ += static_cast<std::int64_t>(k);
            continue;
        }
        const std::int64_t byte = offset_ - kHeaderBytes;
        const std::int64_t blockBegin = blockStart_ * 4;
        const auto blockBytes = static_cast<std::int64_t>(block_.size()) * 2;
        if (byte >= blockBegin && byte < blockBegin + blockBytes) {
            const auto k = std::min<std::uint64_t>(
                want, static_cast<std::uint64_t>(blockBegin + blockBytes - byte));
            std::memcpy(buffer + copied,
                        reinterpret_cast<const char*>(block_.data()) + (byte - blockBegin), k);
            copied += k;
            offset_ += static_cast<std::int64_t>(k);
            continue;
        }
        // One slice a call, so that a cancel is seen soon.
        const std::int64_t frame = byte / 4;
        if (rendered || frame >= endFrame_)
            break;
        if (!moveTo(frame) || !renderSlice())
            return -1;
        rendered = true;
    }
    return static_cast<std::int64_t>(copied);
}

bool MidiStream::seek(std::int64_t offset) {
    if (offset < 0 || offset > size() || cancelled_.load(std::memory_order_relaxed))
        return false;
    offset_ = offset;
    return true;
}
