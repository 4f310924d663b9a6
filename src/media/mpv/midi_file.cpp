#include "media/mpv/midi_file.h"

#include <algorithm>
#include <utility>

namespace {

class Reader {
public:
    Reader(const unsigned char* p, std::size_t n)
        : p_(p)
        , n_(n) {}
    bool atEnd() const { return pos_ >= n_; }
    std::size_t pos() const { return pos_; }
    bool skip(std::size_t k) {
        if (k > n_ - pos_)
            return false;
        pos_ += k;
        return true;
    }
    bool byte(std::uint8_t& b) {
        if (pos_ >= n_)
            return false;
        b = p_[pos_++];
        return true;
    }
    bool peek(std::uint8_t& b) const {
        if (pos_ >= n_)
            return false;
        b = p_[pos_];
        return true;
    }
    bool be(int bytes, std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < bytes; ++i) {
            std::uint8_t b;
            if (!byte(b))
                return false;
            v = (v << 8) | b;
        }
        return true;
    }
    // Variable-length quantity: at most four bytes.
    bool vlq(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b))
                return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }

private:
    const unsigned char* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
};

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

std::optional<MidiTimeline> MidiTimeline::parse(const QByteArray& bytes) {
    Reader r(reinterpret_cast<const unsigned char*>(bytes.constData()),
             static_cast<std::size_t>(bytes.size()));
    std::uint32_t magic = 0, headerLength = 0, format = 0, tracks = 0, division = 0;
    if (!r.be(4, magic) || magic != 0x4D546864 /* MThd */ || !r.be(4, headerLength) ||
        headerLength < 6 || !r.be(2, format) || !r.be(2, tracks) || !r.be(2, division) ||
        !r.skip(headerLength - 6) || division == 0)
        return std::nullopt;

    // SMPTE division: a fixed number of ticks per second, no tempo map.
    double smpteSecondsPerTick = 0;
    if (division & 0x8000) {
        const int fps = -static_cast<std::int8_t>(division >> 8);
        const int perFrame = division & 0xFF;
        if (fps <= 0 || perFrame == 0)
            return std::nullopt;
        smpteSecondsPerTick = 1.0 / (fps * perFrame);
    }

    MidiTimeline t;
    std::vector<std::pair<std::int64_t, std::uint32_t>> tempos; // tick, µs per quarter
    int tracksRead = 0;
    while (!r.atEnd() && tracksRead < static_cast<int>(tracks)) {
        std::uint32_t id = 0, length = 0;
        if (!r.be(4, id) || !r.be(4, length))
            break;
        const std::size_t end = r.pos() + length;
        if (id != 0x4D54726B /* MTrk */) {
            if (!r.skip(length))
                break;
            continue;
        }
        ++tracksRead;
        std::int64_t tick = 0;
        std::uint8_t running = 0;
        while (r.pos() < end && !r.atEnd()) {
            std::uint32_t delta = 0;
            if (!r.vlq(delta))
                break;
            tick += delta;
            std::uint8_t status = 0;
            if (!r.peek(status))
                break;
            if (status & 0x80)
                r.byte(status);
            else if (running)
                status = running;
            else
                break; // data byte without a status: the track is corrupt
            bool ok = true;
            if (status == 0xFF) {
                std::uint8_t type = 0;
                std::uint32_t len = 0;
                ok = r.byte(type) && r.vlq(len);
                if (ok && type == 0x51 && len == 3) {
                    std::uint32_t us = 0;
                    ok = r.be(3, us);
                    if (ok && us > 0)
                        tempos.emplace_back(tick, us);
                } else if (ok) {
                    ok = r.skip(len);
                }
                t.lastTick_ = std::max(t.lastTick_, tick);
                if (type == 0x2F)
                    break;
            } else if (status == 0xF0 || status == 0xF7) {
                std::uint32_t len = 0;
                ok = r.vlq(len) && r.skip(len);
            } else if (status >= 0x80 && status < 0xF0) {
                running = status;
                ok = r.skip(static_cast<std::size_t>(dataBytes(status)));
                t.lastTick_ = std::max(t.lastTick_, tick);
            } else {
                break; // system common messages do not belong in a file
            }
            if (!ok)
                break;
        }
        if (end > r.pos() && !r.skip(end - r.pos()))
            break;
    }
    if (tracksRead == 0)
        return std::nullopt;

    if (smpteSecondsPerTick > 0) {
        t.tempo_.push_back({0, 0.0, smpteSecondsPerTick});
        return t;
    }
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

std::int64_t MidiTimeline::tickAt(double seconds) const {
    if (tempo_.empty() || !(seconds > 0))
        return 0;
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), seconds,
                               [](double v, const TempoChange& c) { return v < c.seconds; });
    const TempoChange& c = *std::prev(it);
    return c.tick + static_cast<std::int64_t>((seconds - c.seconds) / c.secondsPerTick);
}
