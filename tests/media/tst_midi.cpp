#include "media/mpv/midi_file.h"
#include "media/mpv/midi_stream.h"
#include "support/test_media.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class TestMidi : public QObject {
    Q_OBJECT
private slots:
    void lengthFromTicks() {
        auto t = MidiTimeline::parse(testmedia::midiBytes(4));
        QVERIFY(t);
        QCOMPARE(t->lastTick(), 4 * 480);
        QCOMPARE(t->lengthSeconds(), 2.0);
        QCOMPARE(t->tickAt(1.0), 960);
    }

    void tempoChangesAreFollowed() {
        // Two quarters at 120, then a tempo of 60 from tick 960 for two more.
        static const char kTrack[] = "\x00\xFF\x51\x03\x07\xA1\x20"         // 500000 µs
                                     "\x00\x90\x3C\x64\x87\x40\x80\x3C\x40" // 960 ticks
                                     "\x00\xFF\x51\x03\x0F\x42\x40"         // 1000000 µs
                                     "\x00\x90\x3C\x64\x87\x40\x3C\x00"     // running status
                                     "\x00\xFF\x2F\x00";
        const QByteArray track(kTrack, sizeof kTrack - 1);
        QByteArray smf("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk\0\0\0", 21);
        smf += static_cast<char>(track.size());
        smf += track;
        auto t = MidiTimeline::parse(smf);
        QVERIFY(t);
        QCOMPARE(t->lastTick(), 1920);
        QCOMPARE(t->secondsAt(960), 1.0);
        QCOMPARE(t->lengthSeconds(), 3.0);
        QCOMPARE(t->tickAt(2.0), 1440);
    }

    void garbageIsRejected() {
        QVERIFY(!MidiTimeline::parse(QByteArray()));
        QVERIFY(!MidiTimeline::parse("RIFF....WAVE"));
        QVERIFY(!MidiTimeline::parse(QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\0", 14))); // division 0
        // A truncated track still gives what it holds.
        QByteArray cut = testmedia::midiBytes(4);
        cut.chop(20);
        QVERIFY(MidiTimeline::parse(cut));
    }

    // The rendered stream is a WAV of the exact length, sounds, and gives
    // the same samples again after a jump back.
    void streamRendersAndSeeks() {
        if (MidiStream::soundfontPath().isEmpty())
            QSKIP("no General MIDI soundfont installed");
        QTemporaryDir dir;
        const QString path = dir.filePath("a.mid");
        QVERIFY(testmedia::writeMidi(path, 2));
        auto s = MidiStream::open(path);
        QVERIFY(s);
        QCOMPARE(s->frames(), static_cast<std::int64_t>(2.0 * 44100)); // 1 s of notes + 1 s tail
        QByteArray first(64 * 1024, '\0');
        QCOMPARE(s->read(first.data(), first.size()), first.size());
        QVERIFY(first.startsWith("RIFF"));
        const auto* samples = reinterpret_cast<const std::int16_t*>(first.constData() + 44);
        int peak = 0;
        for (int i = 0; i < 16000; ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        QVERIFY2(peak > 3000, qPrintable(QString::number(peak)));

        QVERIFY(s->seek(0));
        QByteArray again(first.size(), '\0');
        QCOMPARE(s->read(again.data(), again.size()), again.size());
        QCOMPARE(again, first);

        QVERIFY(s->seek(s->size() - 10));
        char tail[64];
        QCOMPARE(s->read(tail, sizeof tail), 10);
        QCOMPARE(s->read(tail, sizeof tail), 0);
        QVERIFY(!s->seek(s->size() + 1));
    }

    void unplayableFilesGiveNoStream() {
        QTemporaryDir dir;
        QVERIFY(!MidiStream::open(dir.filePath("missing.mid")));
        QFile f(dir.filePath("text.mid"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a midi file");
        f.close();
        QVERIFY(!MidiStream::open(f.fileName()));
    }
};

QTEST_APPLESS_MAIN(TestMidi)
#include "tst_midi.moc"
