#include "media/control_strip.h"
#include "media/media_player.h"
#include "media/volume.h"
#include "support/files.h"
#include "support/test_media.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

constexpr int kTimeout = 20000;

// RMS of a raw 16-bit stereo PCM file.
double rms(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    const auto* s = reinterpret_cast<const std::int16_t*>(bytes.constData());
    const qsizetype n = bytes.size() / 2;
    if (n == 0)
        return -1;
    double sum = 0;
    for (qsizetype i = 0; i < n; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / n);
}

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    void useUntimedEngine() { MediaPlayer::setEngineOptions({true, true, {}}); }

private slots:
    void initTestCase() {
        QVERIFY(testmedia::writeWav(path("tone.wav"), 0.3));
        QVERIFY(testmedia::writeWav(path("long.wav"), 30));
        QVERIFY(testmedia::writeMidi(path("song.mid")));
        QVERIFY(testmedia::ffmpeg(path("tone.mp3"), 0.3, {"-c:a", "libmp3lame"}));
        QVERIFY(testmedia::ffmpeg(path("tone.wma"), 0.3, {"-c:a", "wmav2"}));
        // 352x240 stored, shown 4:3: the display size (352x262 after the
        // format's aspect code) is what counts.
        QVERIFY(testmedia::ffmpeg(path("clip.mpg"), 0.4,
                                  {"-c:v", "mpeg1video", "-aspect", "4:3", "-c:a", "mp2"}, 352,
                                  240));
        QVERIFY(testmedia::ffmpeg(path("clip.avi"), 0.4, {"-c:v", "mpeg4", "-c:a", "pcm_s16le"},
                                  320, 240));
        QVERIFY(
            testmedia::ffmpeg(path("clip.wmv"), 0.4, {"-c:v", "wmv2", "-c:a", "wmav2"}, 176, 144));
        QVERIFY(QDir(dir.path()).mkdir("album") && testmedia::writeWav(path("album/a.wav"), 0.1));
        testfiles::writeAll(path("folder.m3u"), path("album").toUtf8());
        QFile garbage(path("garbage.avi"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        for (int i = 0; i < 4096; ++i)
            garbage.putChar(static_cast<char>((i * 7919) % 251));
    }

    void init() { useUntimedEngine(); }

    void designValues() {
        MediaPlayer p;
        QCOMPARE(p.Width(), 4200);
        QCOMPARE(p.Height(), 3765);
        QCOMPARE(p.PlayCount(), 1);
        QCOMPARE(p.Volume(), 0);
        QCOMPARE(p.Mute(), false);
        QCOMPARE(p.FileName(), QString());
        p.setWidth(5000);
        QCOMPARE(p.Width(), 4995); // whole pixels of 15 twips
    }

    void formats_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("mp3") << "tone.mp3" << QSize();
        QTest::newRow("wav") << "tone.wav" << QSize();
        QTest::newRow("wma") << "tone.wma" << QSize();
        QTest::newRow("midi") << "song.mid" << QSize();
        QTest::newRow("mpeg") << "clip.mpg" << QSize(352, 262);
        QTest::newRow("avi") << "clip.avi" << QSize(320, 240);
        QTest::newRow("wmv") << "clip.wmv" << QSize(176, 144);
    }
    // Every format opens, plays to its end and says so exactly once; the
    // control takes the picture's size, or shrinks to its strip for sound.
    void formats() {
        QFETCH(QString, file);
        QFETCH(QSize, picture);
        // A picture is measured while it shows: in untimed mode a short clip
        // can be over before its size is read.
        if (!picture.isEmpty())
            MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(path(file));
        QCOMPARE(p.FileName(), path(file));
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
        QTest::qWait(200);
        QCOMPARE(ends.count(), 1);
        QCOMPARE(ends.first().first().toInt(), 0);
        QCOMPARE(p.state(), MediaPlayer::State::Ended);
        QCOMPARE(p.pictureSize(), picture);
        if (picture.isEmpty()) {
            QVERIFY2(p.Height() < 1765, qPrintable(QString::number(p.Height())));
        } else {
            QVERIFY(p.Height() > 1765);
            // The picture plus the strip; never narrower than the design width.
            QCOMPARE(p.width(), std::max(picture.width(), 280));
            QVERIFY(p.height() > picture.height() && p.height() < picture.height() + 118);
        }
    }

    // A playlist is one item made of its entries: one end, after
    // the last of them, and the name given stays.
    void listIsOneItem() {
        QFile list(path("two.m3u"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write((path("tone.wav") + "\n" + path("tone.mp3") + "\n").toUtf8());
        list.close();
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        QSignalSpy states(&p, &MediaPlayer::stateChanged);
        p.setFileName(path("two.m3u"));
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
        QTest::qWait(200);
        QCOMPARE(ends.count(), 1);
        QCOMPARE(p.FileName(), path("two.m3u"));
        int playing = 0;
        for (const auto& s : states)
            playing += s.first().value<MediaPlayer::State>() == MediaPlayer::State::Playing;
        QCOMPARE(playing, 2);
    }

    void midiLengthFollowsTheTicks() {
        QVERIFY(testmedia::writeMidi(path("four.mid"), 4)); // four quarters at 120: 2 s
        MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        p.setFileName(path("four.mid"));
        QTRY_VERIFY_WITH_TIMEOUT(p.engine() && p.engine()->duration() > 0, kTimeout);
        QVERIFY2(std::abs(p.engine()->duration() - 3.0) < 0.05,
                 qPrintable(QString::number(p.engine()->duration())));
    }

    void playCountZeroRepeatsUntilSetToOne() {
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        QSignalSpy passes(&p, &MediaPlayer::PassEnded);
        p.setPlayCount(0);
        p.setFileName(path("tone.wav"));
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Playing, kTimeout);
        QTest::qWait(500); // dozens of passes in untimed mode
        QCOMPARE(ends.count(), 0);
        QVERIFY(passes.count() > 0); // each pass is seen, without an end
        QCOMPARE(p.state(), MediaPlayer::State::Playing);
        p.setPlayCount(1);
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
    }

    void secondFileReplacesTheFirst() {
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(path("long.wav"));
        p.setFileName(path("tone.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
        QTest::qWait(300);
        QCOMPARE(ends.count(), 1);
        QCOMPARE(p.FileName(), path("tone.mp3"));
    }

    void failuresRaiseNoEnd_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("status");
        QTest::newRow("missing") << "missing.mp3"
                                 << "ファイルが見つかりません";
        QTest::newRow("garbage") << "garbage.avi"
                                 << "この形式は再生できません";
        QTest::newRow("folder") << "album"
                                << "この形式は再生できません";
        QTest::newRow("folder in a list") << "folder.m3u" // never expanded
                                          << "この形式は再生できません";
    }
    void failuresRaiseNoEnd() {
        QFETCH(QString, file);
        QFETCH(QString, status);
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(path(file));
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Failed, kTimeout);
        QCOMPARE(p.statusText(), status);
        QCOMPARE(p.FileName(), path(file));
        QTest::qWait(200);
        QCOMPARE(ends.count(), 0);
    }

    // In real time: a stop ends playback without an end of stream, and the
    // file plays again from the start.
    void stopInRealTime() {
        MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(path("long.wav"));
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Playing, kTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(p.timeText().startsWith("0:00 / 0:30"), kTimeout);
        p.Stop();
        QCOMPARE(p.state(), MediaPlayer::State::Stopped);
        QCOMPARE(p.statusText(), QStringLiteral("停止"));
        QTest::qWait(300);
        QCOMPARE(ends.count(), 0);
        QCOMPARE(p.FileName(), path("long.wav"));
        p.playPause();
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Playing, kTimeout);
        p.playPause();
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Paused, kTimeout);
        // Play/pause while the file still opens: it opens paused.
        p.setFileName(path("long.wav"));
        QCOMPARE(p.state(), MediaPlayer::State::Opening);
        p.playPause();
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Paused, kTimeout);
        QTest::qWait(300);
        QCOMPARE(p.state(), MediaPlayer::State::Paused);
    }

    void volumeMapping() {
        QCOMPARE(volume::engineVolume(0), 100.0);
        QVERIFY(std::abs(volume::engineVolume(-2700) - 35.4813) < 1e-3);
        QCOMPARE(volume::engineVolume(500), 100.0);
    }

    // Measured on the engine's real output: -2700 is 27 dB down, mute is
    // silence.
    void volumeOnRealOutput() {
        auto render = [&](const QString& out, int volume, bool mute) {
            MediaPlayer::setEngineOptions({true,
                                           true,
                                           {{"ao", "pcm"},
                                            {"ao-pcm-file", QFile::encodeName(out)},
                                            {"ao-pcm-waveheader", "no"},
                                            {"audio-format", "s16"},
                                            {"audio-channels", "stereo"}}});
            MediaPlayer p;
            p.setVolume(volume);
            p.setMute(mute);
            QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
            p.setFileName(path("tone.wav"));
            QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
        };
        render(path("full.pcm"), 0, false);
        render(path("quiet.pcm"), -2700, false);
        render(path("muted.pcm"), 0, true);
        const double full = rms(path("full.pcm")), quiet = rms(path("quiet.pcm"));
        QVERIFY(full > 1000);
        const double db = 20 * std::log10(quiet / full);
        QVERIFY2(std::abs(db + 27) < 0.5, qPrintable(QString::number(db)));
        QVERIFY(rms(path("muted.pcm")) < 1);
        QVERIFY(std::abs(full - 0.5 * 32767 / std::sqrt(2.0)) < 300); // full level untouched
    }

    void timeFormat() {
        QCOMPARE(ControlStrip::formatTime(0), QStringLiteral("0:00"));
        QCOMPARE(ControlStrip::formatTime(12.7), QStringLiteral("0:12"));
        QCOMPARE(ControlStrip::formatTime(225), QStringLiteral("3:45"));
        QCOMPARE(ControlStrip::formatTime(3723), QStringLiteral("1:02:03"));
    }
};

QTEST_MAIN(TestMediaPlayer)
#include "tst_media_player.moc"
