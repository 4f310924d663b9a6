#include "media/mpv/midi_file.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// Data bytes of a channel message by its status.
int dataBytes(std::uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    default:
        return 2;
    }
}

} // namespace

// Variable-length quantity: at most four bytes.
bool MidiTrackReader::vlq(std::uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos_ >= end_)
            return false;
        const std::uint8_t b = p_[pos_++];
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

bool MidiTrackReader::next(MidiEvent& e) {
    std::uint32_t delta = 0;
    if (!vlq(delta) || pos_ >= end_) {
        pos_ = end_;
        return false;
    }
    tick_ += delta;
    std::uint8_t status = p_[pos_];
    if (status & 0x80)
        ++pos_;
    else if (running_)
        status = running_; // running status: the byte is data
    else {
        pos_ = end_; // data without a status: the track is corrupt
        return false;
    }
    e = MidiEvent{};
    e.tick = tick_;
    e.status = status;
    std::uint32_t length = 0;
    if (status < 0xF0) {
        running_ = status;
        const int n = dataBytes(status);
        if (end_ - pos_ < static_cast<std::size_t>(n)) {
            pos_ = end_;
            return false;
        }
        // A stray high bit in a data byte is taken as the data it spoils.
        e.data1 = p_[pos_] & 0x7F;
        e.data2 = n == 2 ? p_[pos_ + 1] & 0x7F : 0;
        pos_ += static_cast<std::size_t>(n);
        return true;
    }
    if (status == 0xFF) {
        if (pos_ >= end_) {
            pos_ = end_;
            return false;
        }
        e.data1 = p_[pos_++];
    } else if (status != 0xF0 && status != 0xF7) {
        pos_ = end_; // system common and real-time messages do not belong in a file
        return false;
    }
    if (!vlq(length) || length > end_ - pos_) {
        pos_ = end_;
        return false;
    }
    e.offset = static_cast<std::uint32_t>(pos_);
    e.length = length;
    pos_ += length;
    if (status == 0xFF && e.data1 == 0x2F)
        end_ = pos_; // End of Track: whatever follows is no part of it
    return true;
}

std::optional<MidiTimeline> MidiTimeline::parse(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto n = static_cast<std::size_t>(bytes.size());
    // Offsets into the file are kept in 32 bits.
    if (n < 14 || n > std::numeric_limits<std::uint32_t>::max() || std::memcmp(p, "MThd", 4))
        return std::nullopt;
    const std::uint32_t headerLength = qFromBigEndian<std::uint32_t>(p + 4);
    const std::uint16_t format = qFromBigEndian<std::uint16_t>(p + 8);
    const std::uint16_t trackCount = qFromBigEndian<std::uint16_t>(p + 10);
    const std::uint16_t division = qFromBigEndian<std::uint16_t>(p + 12);
    if (headerLength < 6 || headerLength > n - 8 || format > 2 || division == 0)
        return std::nullopt;

    // SMPTE division: a fixed number of ticks per second, no tempo map.
    double smpteSecondsPerTick = 0;
    if (division & 0x8000) {
        const int fps = -static_cast<std::int8_t>(division >> 8);
        const int perFrame = division & 0xFF;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || perFrame == 0)
            return std::nullopt;
        // 29 stands for 30 frames with drop-frame counting: 29.97 a second.
        const double framesPerSecond = fps == 29 ? 30000.0 / 1001.0 : fps;
        smpteSecondsPerTick = 1.0 / (framesPerSecond * perFrame);
    }

    MidiTimeline t;
    std::size_t pos = 8 + headerLength;
    while (n - pos >= 8 && t.tracks_.size() < trackCount) {
        const std::size_t begin = pos + 8;
        const std::size_t length = qFromBigEndian<std::uint32_t>(p + pos + 4);
        const std::size_t end = begin + std::min(length, n - begin); // a cut chunk holds the rest
        if (!std::memcmp(p + pos, "MTrk", 4))
            t.tracks_.push_back({begin, end});
        pos = end; // anything else is a chunk of no concern
    }
    if (t.tracks_.empty())
        return std::nullopt;

    std::vector<std::pair<std::int64_t, std::uint32_t>> tempos; // tick, µs a quarter
    for (const Track& track : t.tracks_) {
        MidiTrackReader r(p, track.begin, track.end);
        MidiEvent e;
        while (r.next(e)) {
            t.lastTick_ = std::max(t.lastTick_, e.tick);
            if (e.status == 0xFF && e.data1 == 0x51 && e.length == 3) {
                const std::uint32_t us =
                    (p[e.offset] << 16) | (p[e.offset + 1] << 8) | p[e.offset + 2];
                if (us > 0)
                    tempos.emplace_back(e.tick, us);
            }
        }
    }

    if (smpteSecondsPerTick > 0) {
        t.tempo_.push_back({0, 0.0, smpteSecondsPerTick});
        return t;
    }
    // At one tick, the change of the later track counts: it is played last.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const double ppq = static_cast<double>(division);
    t.tempo_.push_back({0, 0.0, 500000.0 / 1e6 / ppq}); // 120 beats a minute until told
    for (const auto& [tick, us] : tempos) {
        TempoChange& last = t.tempo_.back();
        const double at =
            last.seconds + static_cast<double>(tick - last.tick) * last.secondsPerTick;
        const double spt = us / 1e6 / ppq;
        if (tick == last.tick)
            last.secondsPerTick = spt;
        else
            t.tempo_.push_back({tick, at, spt});
    }
    return t;
}

double MidiTimeline::secondsAt(std::int64_t tick) const {
    if (tempo_.empty() || tick <= 0)
        return 0.0;
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), tick,
                               [](std::int64_t v, const TempoChange& c) { return v < c.tick; });
    const TempoChange& c = *std::prev(it);
    return c.seconds + static_cast<double>(tick - c.tick) * c.secondsPerTick;
}
