#include "media/mpv/midi_file.h"
#include "media/mpv/midi_stream.h"
#include "support/files.h"
#include "support/test_media.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace {

#define B(s) QByteArray(s, sizeof s - 1)

// A Standard MIDI File of the given tracks' events, division (two bytes) and format.
QByteArray smf(const QList<QByteArray>& tracks, const char* division = "\x01\xE0", char fmt = 1) {
    QByteArray b = B("MThd\0\0\0\x06\0") + fmt + '\0' + char(tracks.size()) + B("??");
    b.replace(12, 2, division, 2);
    for (const QByteArray& t : tracks) // the length in four bytes, big-endian
        b +=
            "MTrk" + QByteArray::fromHex(QByteArray::number(0x100000000 + t.size(), 16).mid(1)) + t;
    return b;
}

// Reads until n bytes, the end or a failure: the bytes, and the last result.
std::pair<QByteArray, qint64> readUpTo(MidiStream& s, qint64 n) {
    QByteArray out(n, '\0');
    qint64 got = 0, r = 1;
    while (got < n && (r = s.read(out.data() + got, quint64(n - got))) > 0)
        got += r;
    return {out.left(got), r};
}

int peak(const QByteArray& pcm) {
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    auto [lo, hi] = std::minmax_element(s, s + pcm.size() / 2);
    return pcm.isEmpty() ? 0 : std::max(-int(*lo), int(*hi));
}

constexpr qint64 kRate = MidiStream::kSampleRate, kHeader = MidiStream::kHeaderBytes;

} // namespace

class TestMidi : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void timeline_data() {
        QTest::addColumn<QByteArray>("smf");
        QTest::addColumn<qint64>("lastTick"); // -1: no MIDI file
        QTest::addColumn<double>("seconds");  // the length, worked out by hand
        // 60 a minute from the start: two quarters of 480 ticks last 2 s, not 1.
        QTest::newRow("opening tempo")
            << smf({B("\0\xFF\x51\x03\x0F\x42\x40\0\x90\x3C\x64\x87\x40\x80\x3C\x40\0\xFF\x2F\0")})
            << 960LL << 2.0;
        // 120, then 60 from tick 960, in a conductor track; notes in running status.
        QTest::newRow("tempo change")
            << smf({B("\0\xFF\x51\x03\x07\xA1\x20\x87\x40\xFF\x51\x03\x0F\x42\x40\0\xFF\x2F\0"),
                    B("\0\x90\x3C\x64\x87\x40\x3C\0\0\x3C\x64\x87\x40\x3C\0\0\xFF\x2F\0")})
            << 1920LL << 3.0;
        // 250000 µs a quarter for 480 ticks, 750000 for 960: 0.25 s + 1.5 s.
        QTest::newRow("two changes")
            << smf({B("\0\xFF\x51\x03\x03\xD0\x90\0\x90\x3C\x64\x83\x60\xFF\x51\x03\x0B\x71\xB0"
                      "\x87\x40\x80\x3C\x40")})
            << 1440LL << 1.75;
        // A tick a microsecond: deltas of 127, 16383, 2097151 and 268435455 ticks.
        QTest::newRow("deltas of 1 to 4 bytes")
            << smf({B("\0\xFF\x51\x03\0\0\x01\x7F\x90\x3C\x64\xFF\x7F\x80\x3C\x40\xFF\xFF\x7F\x90"
                      "\x3C\x64\xFF\xFF\xFF\x7F\xFF\x2F\0")},
                   "\0\x01")
            << 270549116LL << 270.549116;
        QTest::newRow("five-byte delta")
            << smf({B("\0\x90\x3C\x64\x60\x80\x3C\x40\x81\x80\x80\x80\0\xFF\x2F\0")}) << 96LL
            << 0.1;
        // 25 frames of 40 ticks a second; a tempo means nothing then.
        QTest::newRow("SMPTE 25")
            << smf({B("\0\xFF\x51\x03\x0F\x42\x40\0\x90\x3C\x64\x93\x44\x80\x3C\x40")}, "\xE7\x28")
            << 2500LL << 2.5;
        QTest::newRow("truncated") << testmedia::midiBytes(4).chopped(20) << 960LL << 1.0;
        const QByteArray end = B("\0\xFF\x2F\0");
        for (const auto& [name, bad] : {std::pair{"empty", QByteArray()},
                                        {"WAV", QByteArray("RIFF....WAVE")},
                                        {"division 0", smf({end}, "\0\0")},
                                        {"format 3", smf({end}, "\0\x60", 3)},
                                        {"SMPTE 23", smf({end}, "\xE9\x28")},
                                        {"no track", smf({})}})
            QTest::newRow(name) << bad << -1LL << 0.0;
    }
    // Length and time follow the tempo map; a track cut short gives what it holds.
    void timeline() {
        QFETCH(QByteArray, smf);
        QFETCH(qint64, lastTick);
        QFETCH(double, seconds);
        auto t = MidiTimeline::parse(smf);
        QCOMPARE(bool(t), lastTick != -1);
        if (!t)
            return;
        QCOMPARE(t->lastTick(), lastTick);
        QCOMPARE(t->lengthSeconds(), seconds);
    }

    void refused_data() {
        QTest::addColumn<QString>("path");
        QVERIFY(mkfifo(dir.filePath("fifo.mid").toLocal8Bit(), 0600) == 0);
        QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.mid")));
        testfiles::writeAll(dir.filePath("big.mid"), testmedia::midiBytes(1));
        QVERIFY(QFile::resize(dir.filePath("big.mid"), (8 << 20) + 1)); // past 8 MiB
        // One delta of 2^28 - 1 ticks at 96 a quarter: 16 days.
        testfiles::writeAll(dir.filePath("day.mid"),
                            smf({B("\0\x90\x3C\x64\xFF\xFF\xFF\x7F\xFF\x2F\0")}, "\0\x60"));
        testfiles::writeAll(dir.filePath("text.mid"), "not a MIDI file");
        for (const char* name : {"fifo.mid", "zero.mid", "big.mid", "day.mid", "text.mid", "."})
            QTest::newRow(name) << dir.filePath(name);
    }
    // A FIFO, a device, a folder, a file too big, too long or no MIDI file: never
    // waited for, nothing played; a descriptor given is closed.
    void refused() {
        QFETCH(QString, path);
        QVERIFY(!MidiStream::open(path));
        const int fd = ::open(path.toLocal8Bit(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QVERIFY(!MidiStream::open(fd));
        QCOMPARE(fcntl(fd, F_GETFD), -1);
    }

    void length_data() {
        QTest::addColumn<QByteArray>("smf");
        QTest::addColumn<qint64>("soundAt"); // the frame of the last note
        QTest::addColumn<qint64>("lastFrame");
        QTest::newRow("a note") << testmedia::midiBytes(1) << 0LL << kRate / 2;
        // A note, and another seven hours later: past 4 GiB of samples.
        QTest::newRow("seven hours")
            << smf({B("\0\x90\x3C\x64\x83\x60\x80\x3C\x40\x8B\xC4\xC4\x20\x90\x3C\x64\x83\x60\x3C"
                      "\0\0\xFF\x2F\0")})
            << 7 * 3600 * kRate << 7 * 3600 * kRate + kRate / 2;
    }
    // The header gives the last event's time and a second's room, in 64 bits.
    // Silence before a note is silence; the stream ends once the last notes
    // have died away, within that second, and gives the same again after a jump.
    void length() {
        QFETCH(QByteArray, smf);
        QFETCH(qint64, soundAt);
        QFETCH(qint64, lastFrame);
        testfiles::writeAll(dir.filePath("length.mid"), smf);
        auto s = MidiStream::open(dir.filePath("length.mid"));
        QVERIFY(s);
        const qint64 frames = lastFrame + kRate;
        QCOMPARE(s->size(), kHeader + 4 * frames);
        const QByteArray header = readUpTo(*s, kHeader).first;
        QVERIFY(header.startsWith("RF64") && header.mid(8, 8) == "WAVEds64");
        QVERIFY(qFromLittleEndian<qint64>(header.constData() + 28) == 4 * frames &&
                qFromLittleEndian<qint64>(header.constData() + 36) == frames);
        const qint64 from = std::max(0LL, soundAt - kRate);
        QVERIFY(s->seek(kHeader + 4 * from));
        const auto [all, r] = readUpTo(*s, 4 * (frames - from) + 4);
        QCOMPARE(r, 0);
        QCOMPARE(peak(all.left(4 * (soundAt - from))), 0);
        QVERIFY(peak(all.mid(4 * (soundAt - from))) > 3000);
        const qint64 end = from + all.size() / 4;
        QVERIFY2(end > lastFrame && end < frames, qPrintable(QString::number(end - lastFrame)));
        QVERIFY(s->seek(kHeader + 4 * from));
        QCOMPARE(readUpTo(*s, all.size() + 4).first, all);
    }

    // A cancel ends a read under way on another thread and fails every later one.
    void cancel() {
        testfiles::writeAll(dir.filePath("long.mid"), testmedia::midiBytes(2000));
        auto s = MidiStream::open(dir.filePath("long.mid"));
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
        QVERIFY(last < 0 && total < s->size());
        char c;
        QVERIFY(s->read(&c, 1) < 0);
    }
};

QTEST_GUILESS_MAIN(TestMidi)
#include "tst_midi.moc"
