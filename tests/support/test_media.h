#pragma once

// Media files for tests, made on the spot: WAV and MIDI bytes written here,
// everything else by the ffmpeg command line.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <cmath>
#include <cstdint>

namespace testmedia {

// A 16-bit stereo sine wave.
inline bool writeWav(const QString& path, double seconds, double frequency = 440,
                     double amplitude = 0.5, int rate = 44100) {
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    QByteArray data(static_cast<qsizetype>(frames) * 4, '\0');
    auto* s = reinterpret_cast<std::int16_t*>(data.data());
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(amplitude * 32767 * std::sin(2 * M_PI * frequency * i / rate)));
        s[2 * i] = s[2 * i + 1] = qToLittleEndian(v);
    }
    QByteArray h(44, '\0');
    auto put32 = [&](int at, std::uint32_t v) {
        qToLittleEndian(v, h.data() + at);
    };
    auto put16 = [&](int at, std::uint16_t v) {
        qToLittleEndian(v, h.data() + at);
    };
    memcpy(h.data(), "RIFF", 4);
    put32(4, 36 + frames * 4);
    memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 2);
    put32(24, static_cast<std::uint32_t>(rate));
    put32(28, static_cast<std::uint32_t>(rate) * 4);
    put16(32, 4);
    put16(34, 16);
    memcpy(h.data() + 36, "data", 4);
    put32(40, frames * 4);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(h + data) == h.size() + data.size();
}

// A Standard MIDI File (format 0, 480 ticks a quarter) holding `notes`
// quarter notes at the given tempo (microseconds per quarter).
inline QByteArray midiBytes(int notes, std::uint32_t tempo = 500000) {
    QByteArray track;
    auto vlq = [&](std::uint32_t v) {
        QByteArray b;
        b.prepend(static_cast<char>(v & 0x7F));
        while (v >>= 7)
            b.prepend(static_cast<char>((v & 0x7F) | 0x80));
        track += b;
    };
    vlq(0);
    track += QByteArray("\xFF\x51\x03", 3);
    track += static_cast<char>(tempo >> 16);
    track += static_cast<char>(tempo >> 8);
    track += static_cast<char>(tempo);
    vlq(0);
    track += QByteArray("\xC0\x00", 2); // piano
    for (int i = 0; i < notes; ++i) {
        vlq(0);
        track += QByteArray("\x90\x3C\x64", 3);
        vlq(480);
        track += QByteArray("\x80\x3C\x40", 3);
    }
    vlq(0);
    track += QByteArray("\xFF\x2F\x00", 3);
    QByteArray smf("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14);
    smf += "MTrk";
    QByteArray len(4, '\0');
    qToBigEndian(static_cast<std::uint32_t>(track.size()), len.data());
    return smf + len + track;
}

inline bool writeMidi(const QString& path, int notes = 1) {
    QFile f(path);
    const QByteArray bytes = midiBytes(notes);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs ffmpeg with generated sources: a test picture (when width > 0) and a
// sine tone, for the given seconds.
inline bool ffmpeg(const QString& out, double seconds, const QStringList& codecArgs, int width = 0,
                   int height = 0) {
    QStringList args{"-nostdin", "-loglevel", "error", "-y"};
    const QString d = QString::number(seconds);
    if (width > 0)
        args << "-f"
             << "lavfi"
             << "-i"
             << QStringLiteral("testsrc=size=%1x%2:rate=25:duration=%3")
                    .arg(width)
                    .arg(height)
                    .arg(d);
    args << "-f"
         << "lavfi"
         << "-i" << QStringLiteral("sine=frequency=440:duration=%1").arg(d);
    args << codecArgs << out;
    QProcess p;
    p.start("ffmpeg", args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace testmedia
