#include "media/mpv/midi_stream.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <fluidsynth.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <mutex>

namespace {

// What follows the last event: room for the last notes to die away. The
// synthesizer's own player would run on for seconds more.
constexpr double kReleaseTailSeconds = 1.0;

// The synthesizer's default gain plays some 20 dB below other media.
constexpr double kGain = 1.0;

constexpr std::int64_t kBlockFrames = 4096;

void silenceLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

QByteArray wavHeader(std::int64_t frames) {
    const auto dataBytes = static_cast<std::uint32_t>(frames * 4);
    QByteArray h(MidiStream::kHeaderBytes, '\0');
    char* p = h.data();
    auto put32 = [](char* at, std::uint32_t v) {
        qToLittleEndian(v, at);
    };
    auto put16 = [](char* at, std::uint16_t v) {
        qToLittleEndian(v, at);
    };
    std::memcpy(p, "RIFF", 4);
    put32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    put32(p + 16, 16);
    put16(p + 20, 1); // PCM
    put16(p + 22, 2);
    put32(p + 24, MidiStream::kSampleRate);
    put32(p + 28, MidiStream::kSampleRate * 4);
    put16(p + 32, 4);
    put16(p + 34, 16);
    std::memcpy(p + 36, "data", 4);
    put32(p + 40, dataBytes);
    return h;
}

void applySettings(fluid_settings_t* settings) {
    fluid_settings_setnum(settings, "synth.sample-rate", MidiStream::kSampleRate);
    fluid_settings_setnum(settings, "synth.gain", kGain);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
}

// The soundfont, loaded by a synthesizer that lives as long as the process so
// that the samples stay in memory; the others only borrow it. Loading it costs
// more than everything else of a MIDI file's start.
// Held where the program's end still finds it: it is never freed.
struct Keeper {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
} keeper;

fluid_sfont_t* loadSharedFont() {
    const QString path = MidiStream::soundfontPath();
    if (path.isEmpty())
        return nullptr;
    silenceLog();
    keeper.settings = new_fluid_settings();
    applySettings(keeper.settings);
    keeper.synth = new_fluid_synth(keeper.settings);
    const int id =
        keeper.synth ? fluid_synth_sfload(keeper.synth, path.toLocal8Bit().constData(), 0) : -1;
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
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    std::unique_ptr<MidiStream> s(new MidiStream);
    s->file_ = f.readAll();
    s->timeline_ = MidiTimeline::parse(s->file_);
    if (!s->timeline_)
        return nullptr;
    s->font_ = sharedFont().get();
    if (!s->font_)
        return nullptr;
    s->settings_ = new_fluid_settings();
    applySettings(s->settings_);

    const double seconds = s->timeline_->lengthSeconds() + kReleaseTailSeconds;
    s->frames_ = static_cast<std::int64_t>(seconds * kSampleRate);
    s->header_ = wavHeader(s->frames_);
    if (!s->restartPlayerAt(0))
        return nullptr;
    return s;
}

MidiStream::~MidiStream() {
    dropSynth();
    if (settings_)
        delete_fluid_settings(settings_);
}

bool MidiStream::restartPlayerAt(std::int64_t frame) {
    // The sound at a time depends on every event before it, and a used
    // synthesizer still rings with what it played: a jump starts a fresh
    // synthesizer (on the shared soundfont, so it costs little) and a player
    // that replays the controls up to the target without the notes.
    dropSynth();
    synth_ = new_fluid_synth(settings_);
    if (!synth_ || fluid_synth_add_sfont(synth_, font_) < 0)
        return false;
    player_ = new_fluid_player(synth_);
    if (!player_ ||
        fluid_player_add_mem(player_, file_.constData(), static_cast<size_t>(file_.size())) !=
            FLUID_OK ||
        fluid_player_play(player_) != FLUID_OK)
        return false;
    if (frame > 0) {
        const auto tick = timeline_->tickAt(static_cast<double>(frame) / kSampleRate);
        if (tick < timeline_->lastTick())
            fluid_player_seek(player_, static_cast<int>(tick));
        else
            fluid_player_stop(player_); // only the tail is left: silence
    }
    renderedFrame_ = frame;
    block_.clear();
    return true;
}

void MidiStream::dropSynth() {
    if (player_) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
    }
    if (synth_) {
        // The soundfont is shared: a synthesizer would free it with itself.
        fluid_synth_remove_sfont(synth_, font_);
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
}

std::int64_t MidiStream::read(char* buffer, std::uint64_t n) {
    std::uint64_t copied = 0;
    const std::int64_t total = size();
    while (copied < n && offset_ < total) {
        const std::uint64_t want = n - copied;
        if (offset_ < kHeaderBytes) {
            const auto k =
                std::min<std::uint64_t>(want, static_cast<std::uint64_t>(kHeaderBytes - offset_));
            std::memcpy(buffer + copied, header_.constData() + offset_, k);
            copied += k;
            offset_ += static_cast<std::int64_t>(k);
            continue;
        }
        const std::int64_t blockEnd = blockStart_ + block_.size();
        if (offset_ < blockStart_ || offset_ >= blockEnd) {
            const std::int64_t frame = (offset_ - kHeaderBytes) / 4;
            if (frame != renderedFrame_ && !restartPlayerAt(frame))
                return copied > 0 ? static_cast<std::int64_t>(copied) : -1;
            const std::int64_t count = std::min(kBlockFrames, frames_ - frame);
            block_.resize(count * 4);
            auto* samples = reinterpret_cast<std::int16_t*>(block_.data());
            fluid_synth_write_s16(synth_, static_cast<int>(count), samples, 0, 2, samples, 1, 2);
            blockStart_ = kHeaderBytes + frame * 4;
            renderedFrame_ = frame + count;
            continue;
        }
        const auto k =
            std::min<std::uint64_t>(want, static_cast<std::uint64_t>(blockEnd - offset_));
        std::memcpy(buffer + copied, block_.constData() + (offset_ - blockStart_), k);
        copied += k;
        offset_ += static_cast<std::int64_t>(k);
    }
    return static_cast<std::int64_t>(copied);
}

bool MidiStream::seek(std::int64_t offset) {
    if (offset < 0 || offset > size())
        return false;
    offset_ = offset;
    return true;
}
