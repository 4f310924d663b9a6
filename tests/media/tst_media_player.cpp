#include "media/control_strip.h"
#include "media/media_player.h"
#include "support/files.h"
#include "support/test_media.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <arpa/inet.h>
#include <cmath>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTimeout = 20000;
const QString kEnded = "再生終了", kMissing = "ファイルが見つかりません",
              kFormat = "この形式は再生できません";

// Raw 16-bit stereo output: frames, level, and the longest all but silent run.
std::tuple<qsizetype, double, int> hear(const QString& pcmPath) {
    const QByteArray bytes = testfiles::readAll(pcmPath);
    const auto* s = reinterpret_cast<const std::int16_t*>(bytes.constData());
    double sum = 0;
    int silence = 0;
    for (int i = 0, run = 0; i < bytes.size() / 2; i += 2, silence = std::max(silence, run)) {
        sum += double(s[i]) * s[i];
        run = std::abs(s[i]) < 8 ? run + 1 : 0;
    }
    return {bytes.size() / 4, std::sqrt(sum / std::max<qsizetype>(bytes.size() / 4, 1)), silence};
}

// A socket of the loopback address (port 0: any free one) and its port.
std::pair<int, quint16> loopback(int type, quint16 port = 0) {
    const int fd = socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), size) != 0 ||
        (type == SOCK_STREAM && listen(fd, 8) != 0)) {
        close(fd);
        return {-1, 0};
    }
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    return {fd, ntohs(a.sin_port)};
}

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::pair<int, quint16> server; // what a name could make the engine connect to
    quint16 udpPort = 0;            // what a name could make the engine listen on
    int opens = -1;                 // inotify: what the engine must never open
    QString path(const QString& name) const {
        return name.contains("://") ? QString(name)
                                          .replace("%1", QString::number(server.second))
                                          .replace("%2", QString::number(udpPort))
               : name.startsWith('/') ? name
                                      : dir.filePath(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(testmedia::writeWav(path("long.wav"), 30));
        for (int i : {1, 2, 3})
            QVERIFY(testmedia::writeWav(path(QString("t%1.wav").arg(i)), 0.2 * i, 300 * i));
        testfiles::writeAll(path("t12.m3u"), ("t1.wav\nfile://" + path("t2.wav")).toUtf8());
        QVERIFY(testmedia::writeMidi(path("song.mid")));
        // The MPEG clip is stored 352x240 and shown 4:3: 352x262 is what counts.
        const QList<std::tuple<QString, QStringList, int, int>> made{
            {"tone.mp3", {"-c:a", "libmp3lame"}, 0, 0},
            {"tone.wma", {"-c:a", "wmav2"}, 0, 0},
            {"clip.mpg", {"-c:v", "mpeg1video", "-aspect", "4:3", "-c:a", "mp2"}, 352, 240},
            {"clip.wmv", {"-c:v", "wmv2", "-c:a", "wmav2"}, 176, 144}};
        for (const auto& [name, codec, w, h] : made)
            QVERIFY(testmedia::ffmpeg(path(name), 0.4, codec, w, h));
        QVERIFY(QDir(dir.path()).mkdir("album") && testmedia::writeWav(path("album/a.wav"), 0.1));
        testfiles::writeAll(path("folder.m3u"), path("album").toUtf8());
        testfiles::writeAll(path("text.mid"), "not a MIDI file");
        // A note, and the end seven hours later.
        testfiles::writeAll(path("seven.mid"),
                            QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk\0\0\0"
                                       "\x0B\0\x90\x3C\x64\x8B\xC4\xC8\0\xFF\x2F\0",
                                       33));
        testfiles::writeAll(path("garbage.avi"), testfiles::readAll(path("t3.wav")).mid(44, 4096));
        server = loopback(SOCK_STREAM);
        const auto [udp, port] = loopback(SOCK_DGRAM);
        close(udp);
        udpPort = port;
        QVERIFY(server.first >= 0 && udpPort != 0);
        testfiles::writeAll(
            path("list.mp3"),
            QString("#EXTM3U\nhttp://127.0.0.1:%1/x.wav\n").arg(server.second).toUtf8());
        QVERIFY(mkfifo(QFile::encodeName(path("pipe.mp3")).constData(), 0600) == 0);
        QVERIFY(QDir(dir.path()).mkdir("album/inner"));
        opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        for (const char* watched : {"pipe.mp3", "album", "album/inner"})
            QVERIFY(inotify_add_watch(opens, QFile::encodeName(path(watched)), IN_OPEN) >= 0);
    }

    void init() { MediaPlayer::setEngineOptions({true, true, {}}); }

    void outcomes_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("queued"); // reached from the queue, after a tone
        QTest::addColumn<QString>("status");
        QTest::addColumn<QSize>("picture");
        for (const char* sound : {"tone.mp3", "t1.wav", "tone.wma", "song.mid"})
            QTest::newRow(sound) << sound << false << kEnded << QSize();
        QTest::newRow("mpeg") << "clip.mpg" << false << kEnded << QSize(352, 262);
        QTest::newRow("wmv") << "clip.wmv" << false << kEnded << QSize(176, 144);
        // Only local regular files are played: a scheme would record the microphone,
        // connect out or listen; a list inside a media file names an address; a
        // folder would be walked, a FIFO wait for ever.
        for (bool queued : {false, true})
            for (const char* file :
                 {"missing.mp3", "garbage.avi", "album", "folder.m3u", "text.mid",
                  "av://lavfi:sine=frequency=500", "tcp://127.0.0.1:%1",
                  "udp://127.0.0.1:%2?listen=1", "http://127.0.0.1:%1/x.wav", "list.mp3",
                  "pipe.mp3", "/dev/zero"})
                QTest::addRow("%s%s", queued ? "queued " : "", file)
                    << file << queued << (file[0] == 'm' ? kMissing : kFormat) << QSize();
    }
    // Each file replaces one playing and what was queued after it. It plays to its end and
    // says so once, the control fitting its picture; or it fails, ending nothing, set or
    // reached from the queue, and nothing plays after it.
    void outcomes() {
        QFETCH(QString, file);
        QFETCH(bool, queued);
        QFETCH(QString, status);
        QFETCH(QSize, picture);
        if (!picture.isEmpty()) // measured while it shows: untimed, a clip is over at once
            MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        QSignalSpy next(&p, &MediaPlayer::NextStarted);
        p.setFileName(path("long.wav"));
        p.setNextFileName(path("tone.mp3"));
        p.setFileName(path(queued ? "t1.wav" : file));
        p.setNextFileName(queued ? path(file) : status == kEnded ? QString() : path("t1.wav"));
        QTRY_COMPARE_WITH_TIMEOUT(p.statusText(), status, kTimeout);
        QTest::qWait(200);
        QCOMPARE(p.FileName(), path(file));
        QCOMPARE(p.NextFileName(), QString());
        QCOMPARE(next.count(), int(queued));
        QCOMPARE(ends.count(), int(status == kEnded));
        QCOMPARE(p.pictureSize(), picture);
        QCOMPARE(accept(server.first, nullptr, nullptr), -1); // nobody connected
        const int udp = loopback(SOCK_DGRAM, udpPort).first;  // nobody listens
        QVERIFY(udp >= 0);
        close(udp);
        char event[4096];
        QCOMPARE(read(opens, event, sizeof event), -1); // nothing opened
        if (status != kEnded)
            return;
        QCOMPARE(ends.first().first().toInt(), 0);
        // The picture and the strip, never narrower than the design width; or the strip alone.
        QCOMPARE(p.width(), std::max(picture.width(), 280));
        QVERIFY(picture.isEmpty()
                    ? p.Height() < 1765
                    : p.height() > picture.height() && p.height() < picture.height() + 118);
    }

    void heardOutput_data() {
        QTest::addColumn<QString>("files"); // the first is set, the others queued in turn
        QTest::addColumn<int>("playCount");
        QTest::addColumn<int>("volume"); // hundredths of a decibel; 1: muted
        QTest::addColumn<int>("frames");
        QTest::addColumn<QString>("heard"); // NextStarted and EndOfStream, with FileName()
        QTest::newRow("no repeat while queued, -27 dB")
            << "t1.wav t2.wav t3.wav" << 0 << -2700 << 52920
            << "next t2.wav,next t3.wav,end t3.wav";
        // A list (names beside it, a file URL) is one item: one end, after the last; its name kept.
        QTest::newRow("a list, muted") << "t12.m3u" << 1 << 1 << 26460 << "end t12.m3u";
        QTest::newRow("a list, a tone")
            << "t12.m3u t3.wav" << 1 << 0 << 52920 << "next t3.wav,end t3.wav";
        // 0.5 s of notes, and their release until it falls silent.
        QTest::newRow("tone, MIDI, tone")
            << "t1.wav song.mid t1.wav" << 1 << 0 << 8820 + 22050 + 8820
            << "next song.mid,next t1.wav,end t1.wav";
    }
    // The engine's untimed PCM output: queued files join into one stream as long as
    // all of them, never silent where they meet, at the level asked for.
    void heardOutput() {
        QFETCH(QString, files);
        QFETCH(int, playCount);
        QFETCH(int, volume);
        QFETCH(int, frames);
        QFETCH(QString, heard);
        const QStringList queue = files.split(' ');
        const QString out = path(QString("%1.pcm").arg(QTest::currentDataTag()));
        QStringList events;
        {
            QList<QPair<QByteArray, QByteArray>> pcm{{"ao", "pcm"}, {"ao-pcm-waveheader", "no"}};
            pcm << qMakePair("audio-format", "s16") << qMakePair("audio-channels", "stereo")
                << qMakePair(QByteArray("ao-pcm-file"), QFile::encodeName(out));
            MediaPlayer::setEngineOptions({true, true, pcm});
            MediaPlayer p;
            connect(&p, &MediaPlayer::EndOfStream, [&] { events << "end " + p.FileName(); });
            connect(&p, &MediaPlayer::NextStarted, [&] {
                events << "next " + p.FileName() + p.NextFileName();
                const int n = events.size() + 1;
                p.setNextFileName(path("t1.wav")); // replaced, or dropped after the last
                p.setNextFileName(n < queue.size() ? path(queue[n]) : QString());
                if (n >= queue.size())
                    p.setPlayCount(1); // the last file plays once
            });
            p.setPlayCount(playCount);
            p.setVolume(std::min(volume, 0));
            p.setMute(volume == 1);
            p.setFileName(path(queue[0]));
            p.setNextFileName(queue.size() > 1 ? path(queue[1]) : QString());
            QTRY_COMPARE_WITH_TIMEOUT(events.join(',').remove(dir.path() + '/'), heard, kTimeout);
        } // the output is whole once the player is gone
        const auto [length, rms, silence] = hear(out);
        // 1 ms; MIDI's release rings for at most a second, and ends at no silence.
        const int release = files.contains(".mid") ? 44100 : 0;
        QVERIFY2(length - frames >= -44 && length - frames < 44 + release,
                 qPrintable(QString::number(length)));
        const double db = 20 * std::log10(rms / (0.5 * 32767 / std::sqrt(2.0)));
        if (volume == 1)
            QVERIFY(rms < 1);
        else if (release)
            QVERIFY2(silence < 441, qPrintable(QString::number(silence)));
        else {
            QVERIFY(std::abs(db - volume / 100.0) < (volume ? 0.5 : 0.2));
            QVERIFY2(silence < 4, qPrintable(QString::number(silence)));
        }
    }

    void endWhilePaused_data() {
        QTest::addColumn<QString>("next"); // queued after long.wav; "": it repeats
        QTest::newRow("next file") << "t3.wav";
        QTest::newRow("repeat") << "";
    }
    // In real time. Paused and moved to just before its end, the file ends while paused: what
    // follows starts playing by itself, and play/pause acts on it.
    void endWhilePaused() {
        QFETCH(QString, next);
        MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        QSignalSpy started(&p,
                           next.isEmpty() ? &MediaPlayer::PassEnded : &MediaPlayer::NextStarted);
        p.setPlayCount(next.isEmpty() ? 0 : 1);
        p.setFileName(path("long.wav"));
        p.setNextFileName(next.isEmpty() ? QString() : path(next));
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Playing, kTimeout);
        p.playPause();
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Paused, kTimeout);
        p.setCurrentPosition(29.9);
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, kTimeout);
        QCOMPARE(p.FileName(), path(next.isEmpty() ? "long.wav" : next));
        QTRY_VERIFY_WITH_TIMEOUT(
            p.state() == MediaPlayer::State::Playing && p.CurrentPosition() > 0.1, kTimeout);
        p.playPause();
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Paused, kTimeout);
        QCOMPARE(p.engine()->property("pause"), QStringLiteral("yes"));
    }

    // In real time: the next file is told when its sound is out, not when the engine decodes
    // its start, and what is heard never has a negative position.
    void nextToldWhenHeard() {
        MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        QString engineAt;
        double lowest = 0;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout,
                [&] { lowest = std::min(lowest, p.CurrentPosition()); });
        sampler.start(10);
        connect(&p, &MediaPlayer::NextStarted,
                [&] { engineAt = p.engine()->property("time-pos"); });
        p.setFileName(path("t2.wav"));
        p.setNextFileName(path("t3.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(!engineAt.isNull(), kTimeout);      // the engine plays it by then
        QVERIFY2(engineAt.toDouble() > -0.05, qPrintable(engineAt)); // within 50 ms of it
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Ended, kTimeout);
        QCOMPARE(lowest, 0.0);
    }

    // In real time, on a disk that stops answering as a hung share does: another file chosen
    // plays, a file whose look-up hangs fails as unreadable, and nothing waits for the disk.
    void stalledDisk() {
        const QString mount = path("share"), trigger = path("stall-now");
        QProcess fs;
        fs.start("/usr/bin/python3", {SONOQUILL_SOURCE_DIR "/tests/support/stall_fs.py",
                                      path("long.wav"), mount, trigger});
        QVERIFY(QDir(dir.path()).mkdir("share"));
        for (int i = 0; i < 50 && !QFile::exists(mount + "/tone.wav"); ++i)
            QTest::qWait(100);
        if (!QFile::exists(mount + "/tone.wav"))
            QSKIP("FUSE is not available here");
        auto unmount = qScopeGuard([&] {
            fs.kill();
            fs.waitForFinished();
            QProcess::execute("fusermount", {"-uz", mount});
        });
        MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        p.setFileName(mount + "/tone.wav");
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Playing, kTimeout);
        testfiles::writeAll(trigger, "");
        QTest::qWait(1500); // the engine has read what it had read ahead
        p.setFileName(path("t2.wav"));
        QTRY_COMPARE_WITH_TIMEOUT(p.statusText(), kEnded, kTimeout);
        int ticks = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, [&] { ++ticks; });
        clock.start(100);
        p.setFileName(mount + "/frozen.wav");
        QTRY_COMPARE_WITH_TIMEOUT(p.statusText(), QStringLiteral("ファイルを読み込めません"),
                                  kTimeout);
        QVERIFY(ticks > 20); // the event loop ran all along
    }

    // From 0:50 of 1:40, the position bar seeks where a click lands, 5 s at an
    // arrow key once Tab reached it, and where an assistive tool sets it; the
    // tool reads the value in seconds and the time as text.
    void positionBar_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<double>("seconds");
        QTest::newRow("click at 3/4") << "click" << 75.0;
        QTest::newRow("Tab, Right") << "keys" << 55.0;
        QTest::newRow("assistive tool") << "tool" << 30.0;
    }
    void positionBar() {
        QFETCH(QString, how);
        QFETCH(double, seconds);
        ControlStrip strip;
        strip.resize(400, strip.sizeHint().height());
        strip.show();
        QVERIFY(QTest::qWaitForWindowActive(&strip));
        strip.setTime(50, 100);
        auto* bar = strip.findChild<QSlider*>();
        QAccessibleInterface* tool = QAccessible::queryAccessibleInterface(bar);
        QCOMPARE(tool->valueInterface()->currentValue().toDouble(), 50.0);
        QCOMPARE(tool->text(QAccessible::Description), QStringLiteral("0:50 / 1:40"));
        QSignalSpy seeks(&strip, &ControlStrip::seekRequested);
        if (how == "click")
            QTest::mouseClick(bar, Qt::LeftButton, {}, {bar->width() * 3 / 4, bar->height() / 2});
        if (how == "tool")
            tool->valueInterface()->setCurrentValue(seconds);
        strip.findChild<QToolButton*>()->setFocus(); // play/pause, then stop, then the bar
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Right})
            if (how == "keys")
                QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(seeks.size(), 1);
        QVERIFY(std::abs(seeks.first().first().toDouble() - seconds) < 3); // the handle's width
    }

    // In real time. PlayCount 0: each pass is seen, without an end, until it is set to 1.
    // A stop raises no end of stream; the file plays again from the start.
    void playCountAndStop() {
        MediaPlayer::setEngineOptions({true, false, {}});
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        QSignalSpy passes(&p, &MediaPlayer::PassEnded);
        p.setPlayCount(0);
        p.setFileName(path("t1.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(passes.count() > 2 && ends.isEmpty(), kTimeout);
        p.setPlayCount(1);
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
        p.setFileName(path("seven.mid")); // its whole length, past 4 GiB of samples
        QTRY_COMPARE_WITH_TIMEOUT(qRound(p.Duration()), 7 * 3600 + 1, kTimeout);
        p.setFileName(path("long.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(p.timeText().startsWith("0:00 / 0:30"), kTimeout);
        p.setMute(true); // while a file plays the engine is told at once
        QTRY_COMPARE_WITH_TIMEOUT(p.engine()->property("mute"), QStringLiteral("yes"), kTimeout);
        p.setNextFileName(path("t1.wav"));
        p.Stop();
        QCOMPARE(p.NextFileName(), QString());
        QCOMPARE(p.statusText(), QStringLiteral("停止"));
        QTest::qWait(300);
        QCOMPARE(ends.count(), 1); // the first file's only
        QCOMPARE(p.FileName(), path("long.wav"));
        p.playPause();
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Playing, kTimeout);
        p.setFileName(path("long.wav")); // play/pause while it opens: it opens paused
        QCOMPARE(p.state(), MediaPlayer::State::Opening);
        p.playPause();
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), MediaPlayer::State::Paused, kTimeout);
        QTest::qWait(300);
        QCOMPARE(p.state(), MediaPlayer::State::Paused);
    }
};

QTEST_MAIN(TestMediaPlayer)
#include "tst_media_player.moc"
