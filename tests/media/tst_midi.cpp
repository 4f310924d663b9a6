#include "media/mpv/midi_file.h"
#include "media/mpv/midi_stream.h"
#include "support/test_media.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace {

// A Standard MIDI File: its tracks' events (after the chunk lengths), the
// division as two bytes, the format.
QByteArray smf(const QList<QByteArray>& tracks, const char* division = "\x01\xE0",
               char format = 1) {
    QByteArray b = QByteArray("MThd\0\0\0\x06\0", 9) + format + '\0' + char(tracks.size()) +
                   QByteArray(division, 2);
    for (const QByteArray& t : tracks) {
        QByteArray len(4, '\0');
        qToBigEndian(static_cast<quint32>(t.size()), len.data());
        b += "MTrk" + len + t;
    }
    return b;
}

QByteArray bytes(const char* s, int n) {
    return QByteArray(s, n);
}
#define B(s) bytes(s, sizeof s - 1)

// Reads until n bytes, the end or a failure; the bytes, and the last result.
std::pair<QByteArray, qint64> readUpTo(MidiStream& s, qint64 n) {
    QByteArray out(n, '\0');
    qint64 got = 0, r = 1;
    while (got < n && (r = s.read(out.data() + got, quint64(n - got))) > 0)
        got += r;
    out.truncate(got);
    return {out, r};
}

qint16 peak(const QByteArray& pcm) {
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    qint16 m = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        m = std::max<qint16>(m, qint16(std::abs(s[i])));
    return m;
}

constexpr qint64 kRate = MidiStream::kSampleRate, kHeader = MidiStream::kHeaderBytes;

} // namespace

class TestMidi : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& content) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName()
                                                                                  : QString();
    }

private slots:
    void timeline_data() {
        QTest::addColumn<QByteArray>("smf");
        QTest::addColumn<qint64>("lastTick"); // -1: no MIDI file
        QTest::addColumn<double>("seconds");  // the length, worked out by hand
        QTest::addColumn<qint64>("tick");     // and a tick within,
        QTest::addColumn<double>("at");       // at this time
        const QByteArray note = B("\x90\x3C\x64"), off = B("\x80\x3C\x40"), end = B("\xFF\x2F\x00");
        // 60 a minute from the start: two quarters of 480 ticks last 2 s, not 1.
        QTest::newRow("opening tempo") << smf({B("\x00\xFF\x51\x03\x0F\x42\x40\x00") + note +
                                               B("\x87\x40") + off + B("\x00") + end})
                                       << 960LL << 2.0 << 480LL << 1.0;
        // 120, then 60 from tick 960, set in a conductor track; notes in running status.
        QTest::newRow("tempo change")
            << smf({B("\x00\xFF\x51\x03\x07\xA1\x20\x87\x40\xFF\x51\x03\x0F\x42\x40\x00") + end,
                    B("\x00") + note + B("\x87\x40\x3C\x00\x00\x3C\x64\x87\x40\x3C\x00\x00") + end})
            << 1920LL << 3.0 << 1440LL << 2.0;
        // 250000 µs a quarter for 480 ticks, 750000 for 960: 0.25 s + 1.5 s.
        QTest::newRow("two changes")
            << smf({B("\x00\xFF\x51\x03\x03\xD0\x90\x00") + note +
                    B("\x83\x60\xFF\x51\x03\x0B\x71\xB0\x87\x40") + off + B("\x00") + end})
            << 1440LL << 1.75 << 720LL << 0.625;
        // A tick a microsecond: deltas of 127, 16383, 2097151 and 268435455 ticks.
        QTest::newRow("deltas of 1 to 4 bytes")
            << smf({B("\x00\xFF\x51\x03\x00\x00\x01\x7F") + note + B("\xFF\x7F") + off +
                    B("\xFF\xFF\x7F") + note + B("\xFF\xFF\xFF\x7F") + end},
                   "\x00\x01")
            << 270549116LL << 270.549116 << 16510LL << 0.01651;
        QTest::newRow("five-byte delta")
            << smf({B("\x00") + note + B("\x60") + off + B("\x81\x80\x80\x80\x00") + end}) << 96LL
            << 0.1 << 48LL << 0.05;
        // 25 frames of 40 ticks a second; a tempo means nothing then.
        QTest::newRow("SMPTE 25")
            << smf({B("\x00\xFF\x51\x03\x0F\x42\x40\x00") + note + B("\x93\x44") + off}, "\xE7\x28")
            << 2500LL << 2.5 << 1000LL << 1.0;
        QTest::newRow("SMPTE 29.97") << smf({B("\x00") + note + B("\x97\x38") + end}, "\xE3\x64")
                                     << 3000LL << 1.001 << 2997LL << 0.9999990;
        QTest::newRow("truncated")
            << testmedia::midiBytes(4).chopped(20) << 960LL << 1.0 << 480LL << 0.5;
        QTest::newRow("alien chunk first")
            << QByteArray(smf({B("\x00") + note + B("\x83\x60") + end}))
                   .insert(14, "XFIH\0\0\0\0", 8)
            << 480LL << 0.5 << 240LL << 0.25;
        for (const auto& [name, bad] : {std::pair{"empty", QByteArray()},
                                        {"WAV", QByteArray("RIFF....WAVE")},
                                        {"division 0", smf({end}, "\0\0")},
                                        {"format 3", smf({end}, "\x01\xE0", 3)},
                                        {"SMPTE 23", smf({end}, "\xE9\x28")},
                                        {"no track", smf({})}})
            QTest::newRow(name) << bad << -1LL << 0.0 << 0LL << 0.0;
    }
    // Length and times follow the tempo map; a track cut short gives what it holds.
    void timeline() {
        QFETCH(QByteArray, smf);
        QFETCH(qint64, lastTick);
        QFETCH(double, seconds);
        QFETCH(qint64, tick);
        QFETCH(double, at);
        auto t = MidiTimeline::parse(smf);
        QCOMPARE(bool(t), lastTick != -1);
        if (!t)
            return;
        QCOMPARE(t->lastTick(), lastTick);
        QCOMPARE(t->lengthSeconds(), seconds);
        QCOMPARE(t->secondsAt(tick), at);
        QVERIFY(std::abs(t->tickAt(at) - tick) <= 1);
    }

    void refused_data() {
        QTest::addColumn<QString>("path");
        const QByteArray song = testmedia::midiBytes(1);
        QVERIFY(mkfifo(dir.filePath("fifo.mid").toLocal8Bit(), 0600) == 0);
        QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.mid")));
        QFile big(write("big.mid", song));
        QVERIFY(big.resize(MidiStream::kMaxFileBytes + 1));
        QTest::newRow("FIFO") << dir.filePath("fifo.mid");
        QTest::newRow("link to a device") << dir.filePath("zero.mid");
        QTest::newRow("folder") << dir.path();
        QTest::newRow("too big") << big.fileName();
        // One delta of 2^28 - 1 ticks at 96 a quarter: 16 days.
        QTest::newRow("longer than a day") << write(
            "day.mid", smf({B("\x00\x90\x3C\x64\xFF\xFF\xFF\x7F\xFF\x2F\x00")}, "\x00\x60"));
        QTest::newRow("no MIDI") << write("text.mid", "not a MIDI file");
    }
    // Nothing is played from these, never waited for; a descriptor given is closed.
    void refused() {
        QFETCH(QString, path);
        QVERIFY(!MidiStream::open(path));
        const int fd = ::open(path.toLocal8Bit(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QVERIFY(!MidiStream::open(fd));
        QCOMPARE(fcntl(fd, F_GETFD), -1);
    }

    // The stream sounds, and gives the same samples again after a jump back.
    void streamRendersAndSeeks() {
        auto s = MidiStream::open(write("a.mid", testmedia::midiBytes(2)));
        QVERIFY(s);
        const auto [first, r] = readUpTo(*s, 64 * 1024);
        QCOMPARE(first.size(), 64 * 1024);
        QVERIFY(peak(first.mid(kHeader)) > 3000);
        QVERIFY(s->seek(0));
        QCOMPARE(readUpTo(*s, first.size()).first, first);
        QVERIFY(!s->seek(s->size() + 1)); // its end is read through the engine
    }

    void length_data() {
        QTest::addColumn<QByteArray>("smf");
        QTest::addColumn<qint64>("soundAt"); // the frame of the last note
        QTest::addColumn<qint64>("lastFrame");
        QTest::newRow("a note") << testmedia::midiBytes(1) << 0LL << kRate / 2;
        // A note, and another after seven hours: past 4 GiB of samples.
        QTest::newRow("seven hours")
            << smf({B("\x00\x90\x3C\x64\x83\x60\x80\x3C\x40\x8B\xC4\xC4\x20\x90\x3C\x64\x83\x60"
                      "\x3C\x00\x00\xFF\x2F\x00")})
            << 7 * 3600 * kRate << 7 * 3600 * kRate + kRate / 2;
        QByteArray chord = B("\x00\xC0\x00\x00\x90\x3C\x64");
        for (int i = 0; i < 100000; ++i)
            chord += B("\x00\x3C\x64");
        QTest::newRow("100000 notes at once")
            << smf({chord + B("\x83\x60\x80\x3C\x40\x00\xFF\x2F\x00")}) << 0LL << kRate / 2;
    }
    // The header gives the last event's time and a second's room, in 64 bits;
    // silence before a note is silence, and the stream ends once the last
    // notes have died away, within that second.
    void length() {
        QFETCH(QByteArray, smf);
        QFETCH(qint64, soundAt);
        QFETCH(qint64, lastFrame);
        auto s = MidiStream::open(write("length.mid", smf));
        QVERIFY(s);
        const qint64 frames = lastFrame + kRate;
        QCOMPARE(s->size(), kHeader + 4 * frames);
        const QByteArray header = readUpTo(*s, kHeader).first;
        QVERIFY(header.startsWith("RF64") && header.mid(8, 8) == "WAVEds64");
        QCOMPARE(qFromLittleEndian<qint64>(header.constData() + 28), 4 * frames);
        QCOMPARE(qFromLittleEndian<qint64>(header.constData() + 36), frames);
        if (soundAt > 0) {
            QVERIFY(s->seek(kHeader + 4 * (soundAt - kRate)));
            QCOMPARE(peak(readUpTo(*s, 4 * kRate).first), 0);
        }
        const auto [rest, r] = readUpTo(*s, 4 * (frames - soundAt) + 4);
        QCOMPARE(r, 0);
        QVERIFY(peak(rest) > 3000);
        const qint64 end = soundAt + rest.size() / 4;
        QVERIFY2(end > lastFrame && end < frames, qPrintable(QString::number(end - lastFrame)));
    }

    // A cancel ends a read under way on another thread and fails every later one.
    void cancel() {
        auto s = MidiStream::open(write("long.mid", testmedia::midiBytes(2000)));
        QVERIFY(s);
        std::atomic<qint64> last{1}, total{0};
        std::thread reader([&] {
            QByteArray buffer(65536, '\0');
            while ((last = s->read(buffer.data(), buffer.size())) > 0)
                total += last;
        });
        QTRY_VERIFY(total > 0);
        s->cancel();
        reader.join();
        QVERIFY(last < 0);
        QVERIFY(total < s->size());
        char c;
        QVERIFY(s->read(&c, 1) < 0);
    }
};

QTEST_GUILESS_MAIN(TestMidi)
#include "tst_midi.moc"
