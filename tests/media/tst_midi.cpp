#include "media/mpv/midi_file.h"
#include "media/mpv/midi_stream.h"
#include "support/test_media.h"

#include <QTemporaryDir>
#include <QtTest>

class TestMidi : public QObject {
    Q_OBJECT
private slots:
    void timeline_data() {
        QTest::addColumn<QByteArray>("smf");
        QTest::addColumn<int>("lastTick"); // -1: no MIDI file; 0: unchecked
        // Two quarters at 120, then a tempo of 60 from tick 960 for two more.
        static const char kTrack[] = "\x00\xFF\x51\x03\x07\xA1\x20"         // 500000 µs
                                     "\x00\x90\x3C\x64\x87\x40\x80\x3C\x40" // 960 ticks
                                     "\x00\xFF\x51\x03\x0F\x42\x40"         // 1000000 µs
                                     "\x00\x90\x3C\x64\x87\x40\x3C\x00"     // running status
                                     "\x00\xFF\x2F\x00";
        QByteArray tempo("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk\0\0\0", 21);
        tempo += char(sizeof kTrack - 1) + QByteArray(kTrack, sizeof kTrack - 1);
        QTest::newRow("tempo change") << tempo << 1920;
        QTest::newRow("truncated") << testmedia::midiBytes(4).chopped(20) << 0;
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("WAV") << QByteArray("RIFF....WAVE") << -1;
        QTest::newRow("division 0") << QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\0", 14) << -1;
    }
    // Length and times follow the tempo map; a truncated file gives what it holds.
    void timeline() {
        QFETCH(QByteArray, smf);
        QFETCH(int, lastTick);
        auto t = MidiTimeline::parse(smf);
        QCOMPARE(bool(t), lastTick != -1);
        if (lastTick > 0) {
            QCOMPARE(t->lastTick(), lastTick);
            QCOMPARE(t->lengthSeconds(), 3.0);
            QCOMPARE(t->secondsAt(960), 1.0);
            QCOMPARE(t->tickAt(2.0), 1440);
        }
    }

    // The stream sounds, and gives the same samples again after a jump back.
    void streamRendersAndSeeks() {
        QTemporaryDir dir;
        QVERIFY(testmedia::writeMidi(dir.filePath("a.mid"), 2));
        auto s = MidiStream::open(dir.filePath("a.mid"));
        QVERIFY(s);
        QByteArray first(64 * 1024, '\0'), again(first.size(), '\0');
        QCOMPARE(s->read(first.data(), first.size()), first.size());
        const auto* samples = reinterpret_cast<const std::int16_t*>(first.constData() + 44);
        QVERIFY(*std::max_element(samples, samples + 16000) > 3000);
        QVERIFY(s->seek(0));
        QCOMPARE(s->read(again.data(), again.size()), again.size());
        QCOMPARE(again, first);
        QVERIFY(!s->seek(s->size() + 1)); // its end is read through the engine
    }
};

QTEST_APPLESS_MAIN(TestMidi)
#include "tst_midi.moc"
