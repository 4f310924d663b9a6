#pragma once

#include "media/mpv/midi_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_sfont_t;

// A MIDI file rendered on demand into a 16-bit stereo WAV byte stream, so the
// engine plays it like any other audio file: it knows the exact length, can
// seek, and starts hearing sound as soon as the first block is rendered.
class MidiStream {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kHeaderBytes = 44;

    ~MidiStream();
    MidiStream(const MidiStream&) = delete;
    MidiStream& operator=(const MidiStream&) = delete;

    // Reads the file and prepares the synthesizer; nothing when the file is
    // unreadable, is no MIDI file, or no General MIDI soundfont is installed.
    static std::unique_ptr<MidiStream> open(const QString& path);

    // The soundfont used, "" when none is installed.
    static QString soundfontPath();

    // Starts loading the soundfont on a thread of its own, once per process;
    // open() waits for it. Every synthesizer shares what it loaded.
    static void preloadSoundfont();

    std::int64_t size() const { return kHeaderBytes + frames_ * 4; }
    std::int64_t frames() const { return frames_; }

    // Copies up to n bytes from the current offset; 0 at the end.
    std::int64_t read(char* buffer, std::uint64_t n);

    // Moves to a byte offset; false when it lies outside the stream.
    bool seek(std::int64_t offset);

private:
    MidiStream() = default;
    bool restartPlayerAt(std::int64_t frame);
    void dropSynth();

    QByteArray file_;
    _fluid_sfont_t* font_ = nullptr;
    std::optional<MidiTimeline> timeline_;
    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_player_t* player_ = nullptr;
    QByteArray header_;
    std::int64_t frames_ = 0;
    std::int64_t offset_ = 0;        // byte offset of the next read
    std::int64_t renderedFrame_ = 0; // frame the synthesizer stands at
    QByteArray block_;               // the last rendered samples
    std::int64_t blockStart_ = 0;    // byte offset of block_
};
