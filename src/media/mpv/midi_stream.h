#pragma once

#include "media/midi_kind.h"
#include "media/mpv/midi_file.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_sfont_t;

// A MIDI file rendered on demand into a 16-bit stereo 44.1 kHz RF64 byte
// stream, so the engine plays it like any other audio file: it knows the
// length up front, can seek, and hears sound as soon as the first block is
// rendered. The bytes are hostile: the file is read whole but never past
// kMaxFileBytes, a length past kMaxSeconds is refused, silence costs nothing
// to render, a seek replays only the controls before it, and a read renders
// a bounded slice, so cancel() takes hold at once even in a dense file.
class MidiStream {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kHeaderBytes = 80;
    static constexpr std::int64_t kMaxFileBytes = kMaxMidiBytes;
    static constexpr double kMaxSeconds = 24 * 3600.0;
    // The stream's length is the last event's time and this much room for
    // the last notes to die away; it ends earlier, once they are silent.
    static constexpr std::int64_t kTailFrames = kSampleRate;

    ~MidiStream();
    MidiStream(const MidiStream&) = delete;
    MidiStream& operator=(const MidiStream&) = delete;

    // Takes fd and closes it, also on failure. Only a regular file (fstat)
    // is read, with pread and at most kMaxFileBytes. Nothing when the file is
    // too big, is no MIDI file, lasts longer than kMaxSeconds, or no General
    // MIDI soundfont is installed.
    static std::unique_ptr<MidiStream> open(int fd);

    // Opens the path without blocking (a FIFO or device is refused, never
    // waited for) and reads it as open(int) does.
    static std::unique_ptr<MidiStream> open(const QString& path);

    // The soundfont used, "" when none is installed.
    static QString soundfontPath();

    // Starts loading the soundfont on a thread of its own, once per process;
    // open() waits for it. Every synthesizer shares what it loaded.
    static void preloadSoundfont();

    // Bytes of the stream as announced in its header: it may end sooner.
    std::int64_t size() const { return kHeaderBytes + frames_ * 4; }
    std::int64_t frames() const { return frames_; }

    // Copies up to n bytes from the current offset: 0 at the end, -1 once
    // cancelled or when the synthesizer fails. Renders at most one slice of
    // a few milliseconds of sound per call.
    std::int64_t read(char* buffer, std::uint64_t n);

    // Moves to a byte offset; false when it lies outside the stream. Costs
    // nothing until the next read.
    bool seek(std::int64_t offset);

    // Makes the read under way return soon, and every later one fail. Any
    // thread may call it, while another is inside read().
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }

private:
    MidiStream() = default;
    bool freshSynth();
    void dropSynth();
    bool moveTo(std::int64_t frame);
    bool render(int count);
    bool renderSlice();
    void restartTracks();
    void dispatch(const MidiEvent& e, std::int64_t frame);
    void applyControl(const MidiEvent& e);
    std::int64_t frameAt(std::int64_t tick) const;
    bool nextEvent(MidiEvent& e);

    QByteArray file_;
    MidiTimeline timeline_;
    _fluid_sfont_t* font_ = nullptr;
    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    QByteArray header_;
    std::int64_t lastFrame_ = 0;     // the last event's
    std::int64_t frames_ = 0;        // as announced
    std::int64_t endFrame_ = 0;      // frames_, or where the sound was found to end
    std::int64_t offset_ = 0;        // byte offset of the next read
    std::int64_t renderedFrame_ = 0; // frame the synthesizer stands at
    std::int64_t synthFrames_ = 0;   // frames it rendered
    std::int64_t quietSince_ = -1;   // start of the quiet run after the last event
    bool silent_ = true;             // no voice and nothing audible: no need to render
    std::atomic<bool> cancelled_{false};

    // The tracks merged by tick: a reader each, and a heap of their next events.
    std::vector<MidiTrackReader> readers_;
    std::vector<MidiEvent> pending_;
    std::vector<std::pair<std::int64_t, std::uint32_t>> heap_; // tick, track

    // Notes started and not yet ended, by channel and key: a note-off for a
    // note never started costs a search of every voice.
    std::array<std::uint16_t, 16 * 128> sounding_{};
    std::int64_t noteOnBlock_ = -1;
    int noteOnsInBlock_ = 0;

    std::vector<std::int16_t> block_; // the last rendered samples
    std::int64_t blockStart_ = 0;     // frame of block_'s first
    std::vector<float> left_, right_;
};
