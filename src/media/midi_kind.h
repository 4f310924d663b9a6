#pragma once

#include <QString>

#include <cstdint>

// MIDI files are rendered by our synthesizer, which reads them whole; real
// ones are rarely over a few hundred kilobytes.
inline constexpr std::int64_t kMaxMidiBytes = std::int64_t{8} << 20;

// A MIDI file, by its name: what the synthesizer plays.
inline bool isMidiName(const QString& name) {
    for (const char* ext : {".mid", ".midi", ".rmi", ".kar"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            return true;
    return false;
}
