#pragma once

// Media files for tests, made on the spot: WAV and MIDI bytes written here,
// everything else by the ffmpeg command line.

#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QtEndian>

#include <cmath>
#include <cstdint>

namespace testmedia {

// A 16-bit stereo sine wave.
inline bool writeWav(const QString& path, double seconds, double frequency = 440,
                     double amplitude = 0.5, int rate = 44100) {
    const auto frames = static_cast<quint32>(seconds * rate), bytes = frames * 4;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QDataStream s(&f);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("RIFF", 4);
    s << quint32(36 + bytes);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(2) << quint32(rate) << quint32(rate * 4) << quint16(4)
      << quint16(16);
    s.writeRawData("data", 4);
    s << bytes;
    for (quint32 i = 0; i < frames; ++i) {
        const auto v = static_cast<qint16>(
            std::lround(amplitude * 32767 * std::sin(2 * M_PI * frequency * i / rate)));
        s << v << v;
    }
    return s.status() == QDataStream::Ok && f.flush();
}

// A Standard MIDI File (format 0, 480 ticks a quarter) holding `notes`
// quarter notes at 120 a minute.
inline QByteArray midiBytes(int notes) {
    // Each event after its delta time: 0, or 480 ticks as 83 60.
    QByteArray track("\x00\xFF\x51\x03\x07\xA1\x20\x00\xC0\x00", 10); // tempo, piano
    for (int i = 0; i < notes; ++i)
        track += QByteArray("\x00\x90\x3C\x64\x83\x60\x80\x3C\x40", 9);
    track += QByteArray("\x00\xFF\x2F\x00", 4);
    QByteArray len(4, '\0');
    qToBigEndian(static_cast<std::uint32_t>(track.size()), len.data());
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk", 18) + len + track;
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
    const QString d = QString::number(seconds);
    QStringList args{"-nostdin", "-loglevel", "error", "-y"};
    if (width > 0)
        args += {"-f", "lavfi", "-i",
                 QString("testsrc=size=%1x%2:rate=25:duration=%3").arg(width).arg(height).arg(d)};
    args += QStringList{"-f", "lavfi", "-i", "sine=frequency=440:duration=" + d} + codecArgs;
    args << out;
    QProcess p;
    p.start("ffmpeg", args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace testmedia
