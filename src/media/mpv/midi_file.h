#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One event of a track as the file holds it.
struct MidiEvent {
    std::int64_t tick = 0;    // from the start of its track
    std::uint8_t status = 0;  // a channel message's, 0xF0 (system exclusive) or 0xFF (meta)
    std::uint8_t data1 = 0;   // a channel message's data; a meta event's type
    std::uint8_t data2 = 0;   // (a message with one data byte leaves it 0)
    std::uint32_t offset = 0; // where a meta or system exclusive payload starts in the file
    std::uint32_t length = 0; // and its bytes
};

// Reads the events of one track in order. It stops at End of Track, at the
// end of the chunk, and where the bytes break off or make no sense: a track
// cut short plays what it holds.
class MidiTrackReader {
public:
    MidiTrackReader() = default;
    MidiTrackReader(const unsigned char* bytes, std::size_t begin, std::size_t end)
        : p_(bytes)
        , pos_(begin)
        , end_(end) {}

    // The next event; false once the track is over.
    bool next(MidiEvent& e);

private:
    bool vlq(std::uint32_t& v);
    const unsigned char* p_ = nullptr;
    std::size_t pos_ = 0, end_ = 0;
    std::int64_t tick_ = 0;
    std::uint8_t running_ = 0;
};

// What the renderer needs to know of a Standard MIDI File before it plays it:
// where its tracks lie, its length, and the map between ticks and time, from
// the file's own events.
class MidiTimeline {
public:
    struct Track {
        std::size_t begin, end; // the chunk's events within the file
    };

    // Parses the header and every track; nothing when the bytes are no SMF.
    static std::optional<MidiTimeline> parse(const QByteArray& bytes);

    const std::vector<Track>& tracks() const { return tracks_; }

    // Tick of the last event of any track (End of Track included).
    std::int64_t lastTick() const { return lastTick_; }

    // Seconds from the start to the given tick, through the tempo changes.
    double secondsAt(std::int64_t tick) const;

    double lengthSeconds() const { return secondsAt(lastTick_); }

private:
    struct TempoChange {
        std::int64_t tick;
        double seconds;        // time at that tick
        double secondsPerTick; // from that tick on
    };
    std::vector<Track> tracks_;
    std::vector<TempoChange> tempo_;
    std::int64_t lastTick_ = 0;
};
