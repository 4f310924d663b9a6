#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

// What the renderer needs to know of a Standard MIDI File before it plays it:
// its length and the map between ticks and time, from the file's own events.
class MidiTimeline {
public:
    // Parses the header and every track; nothing when the bytes are no SMF.
    static std::optional<MidiTimeline> parse(const QByteArray& bytes);

    // Tick of the last event of any track (End of Track included).
    std::int64_t lastTick() const { return lastTick_; }

    // Seconds from the start to the given tick, through the tempo changes.
    double secondsAt(std::int64_t tick) const;

    // The tick reached after the given time (inverse of secondsAt).
    std::int64_t tickAt(double seconds) const;

    double lengthSeconds() const { return secondsAt(lastTick_); }

private:
    struct TempoChange {
        std::int64_t tick;
        double seconds;        // time at that tick
        double secondsPerTick; // from that tick on
    };
    std::vector<TempoChange> tempo_;
    std::int64_t lastTick_ = 0;
};
