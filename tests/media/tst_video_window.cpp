#include "app/form1.h"
#include "media/full_screen.h"
#include "media/media_player.h"
#include "media/player_keys.h"
#include "platform/settings.h"
#include "support/test_media.h"

#include <QtTest>
#include <QtWidgets>

#include <dlfcn.h>

// Mesa unloads its driver when the display closes, before the leak check at exit,
// leaving frames no suppression can name; kept loaded, they carry its name.
static void keepGraphicsDriversLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (maps.open(QIODevice::ReadOnly))
        for (const QByteArray& line : maps.readAll().split('\n'))
            if (line.contains("/dri/") || line.contains("libLLVM") || line.contains("libgallium"))
                dlopen(line.mid(line.indexOf('/')).constData(),
                       RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

static bool writeMedia(const QString& path, double seconds = 4) {
    const int width = path.endsWith(".avi") ? 320 : 0; // no picture in a WAV file
    return testmedia::ffmpeg(path, seconds, {"-c:v", "mpeg4", "-c:a", "pcm_s16le"}, width, 240);
}

// A main window playing a 20 s clip, paused at 0:10 by a click on its picture.
struct Paused {
    QTemporaryDir dir;
    Form1 f;
    MediaPlayer* p = f.MediaPlayer1();
    QWindow* picture = nullptr;
    bool ready() {
        mIni::overrideAppPathForTesting(dir.path());
        MediaPlayer::setEngineOptions({false, false, {{"ao", "null"}}});
        if (!writeMedia(dir.filePath("clip.avi"), 20))
            return false;
        f.Form_Load({dir.filePath("clip.avi")});
        f.show();
        f.activateWindow();
        if (!QTest::qWaitForWindowActive(&f) ||
            !QTest::qWaitFor([&] { return p->pictureSize() == QSize(320, 240); }, 20000))
            return false;
        picture = f.windowHandle()->findChild<QWindow*>();
        QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(20, 20));
        if (!QTest::qWaitFor([&] { return p->state() == MediaPlayer::State::Paused; }))
            return false;
        p->setCurrentPosition(10);
        return QTest::qWaitFor([&] { return std::abs(p->CurrentPosition() - 10) < 0.5; });
    }
};

class TestVideoWindow : public QObject {
    Q_OBJECT
private slots:
    // Shown, the player leaves the engine's libraries alone until asked to get
    // ready; a picture output comes with a picture only.
    void pictureOutput_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("sound") << "song.wav";
        QTest::newRow("video") << "clip.avi";
    }
    void pictureOutput() {
        QFETCH(QString, name);
        const bool picture = name.endsWith(".avi");
        QTemporaryDir dir;
        QVERIFY(writeMedia(dir.filePath(name)));
        MediaPlayer::setEngineOptions({false, false, {{"ao", "null"}}});
        MediaPlayer p;
        p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        if (!picture) { // the first row: nothing loaded them yet
            QTest::qWait(300);
            QVERIFY(!dlopen("libsonoquill_engine.so", RTLD_NOW | RTLD_NOLOAD));
        }
        p.prepareEngine();
        QTRY_VERIFY(dlopen("libsonoquill_engine.so", RTLD_NOW | RTLD_NOLOAD)); // before any file
        p.setFileName(dir.filePath(name));
        QTRY_VERIFY_WITH_TIMEOUT(p.timeText().startsWith("0:01"), 20000);
        QCOMPARE(p.pictureSize(), picture ? QSize(320, 240) : QSize());
        QCOMPARE(p.findChild<QWidget*>(QStringLiteral("openGlPicture")) != nullptr, picture);
        const QImage shot = p.screen()->grabWindow(p.winId(), 0, 0, 320, 240).toImage();
        QSet<QRgb> colours;
        for (int i = 0; i < 40 * 30; ++i)
            colours.insert(shot.pixel(i % 40 * 8, i / 40 * 8) & 0xF0F0F0);
        QVERIFY2(!picture || colours.size() > 8, qPrintable(QString::number(colours.size())));
        keepGraphicsDriversLoaded();
    }

    // A drop on the native picture window or over it plays as a drop elsewhere does.
    void dropOnThePicture() {
        QTemporaryDir dir;
        mIni::overrideAppPathForTesting(dir.path());
        const QString clip = dir.filePath("clip.avi"), song = dir.filePath("song.wav");
        QVERIFY(writeMedia(clip) && writeMedia(song));
        MediaPlayer::setEngineOptions({false, false, {{"ao", "null"}}});
        Form1 f;
        f.Form_Load({clip});
        f.show();
        QTRY_COMPARE_WITH_TIMEOUT(f.MediaPlayer1()->pictureSize(), QSize(320, 240), 20000);
        auto* picture = f.windowHandle()->findChild<QWindow*>();
        const QPoint mid(picture->width() / 2, picture->height() / 2);
        const QPoint over = f.windowHandle()->mapFromGlobal(picture->mapToGlobal(mid));
        for (const auto& [target, at, file] :
             {std::tuple{f.windowHandle(), over, song}, std::tuple{picture, mid, clip}}) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(file)});
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &enter);
            QCoreApplication::sendEvent(target, &drop);
            QVERIFY(enter.isAccepted() && drop.isAccepted());
            QCOMPARE(f.MediaPlayer1()->FileName(), file);
        }
    }

    // The keys, the picture focused by a click: what each does, and what it
    // leaves to the controls (the box with the focus keeps Space, the menu F12).
    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("result");
        QTest::newRow("Space") << int(Qt::Key_Space) << "playing";
        QTest::newRow("Right") << int(Qt::Key_Right) << "at 15";
        QTest::newRow("Left") << int(Qt::Key_Left) << "at 5";
        QTest::newRow("Up") << int(Qt::Key_Up) << "volume 55";
        QTest::newRow("F") << int(Qt::Key_F) << "full screen";
        QTest::newRow("F11") << int(Qt::Key_F11) << "full screen";
        QTest::newRow("Esc") << int(Qt::Key_Escape) << "back";
        QTest::newRow("XF86AudioPlay") << int(Qt::Key_MediaPlay) << "playing";
        QTest::newRow("XF86AudioStop") << int(Qt::Key_MediaStop) << "stopped";
        QTest::newRow("XF86AudioNext") << int(Qt::Key_MediaNext) << "next";
        QTest::newRow("XF86AudioPrev") << int(Qt::Key_MediaPrevious) << "previous";
        QTest::newRow("Space on a box") << int(Qt::Key_Space) << "box";
        QTest::newRow("F12") << int(Qt::Key_F12) << "list";
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(QString, result);
        Paused t;
        QVERIFY(t.ready());
        QVERIFY(t.p->hasFocus());
        const QSize size = t.f.size();
        auto* keys = t.p->findChild<PlayerKeys*>();
        QSignalSpy next(keys, &PlayerKeys::nextRequested),
            previous(keys, &PlayerKeys::previousRequested);
        t.f.Sl1()->setValue(50);
        if (result == "box")
            t.f.chkCou(1)->setFocus();
        if (result == "back") {
            QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_F11);
            QTRY_VERIFY(t.p->isFullScreen() &&
                        QGuiApplication::focusWindow() == t.p->windowHandle());
        }
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key(key));
        const auto seen = [&] {
            if (result == "playing" || result == "stopped")
                return t.p->statusText() == (result == "playing" ? "再生中" : "停止");
            if (result.startsWith("at "))
                return std::abs(t.p->CurrentPosition() - result.mid(3).toDouble()) < 0.5;
            if (result == "full screen")
                return t.p->isWindow() && t.p->geometry() == t.f.screen()->geometry();
            if (result == "back")
                return t.p->parentWidget()->window() == &t.f && t.p->hasFocus();
            return result == "volume 55"  ? t.f.Sl1()->value() == 55
                   : result == "next"     ? next.size() == 1 && previous.isEmpty()
                   : result == "previous" ? previous.size() == 1 && next.isEmpty()
                   : result == "box"      ? t.f.chkValue(1) == 1
                                          : t.f.mnuSort2()->isChecked();
        };
        QTRY_VERIFY2(seen(), qPrintable(result));
        if (result != "playing" && result != "stopped")
            QCOMPARE(t.p->state(), MediaPlayer::State::Paused);
        if (result != "full screen")
            QCOMPARE(t.f.size(), size);
    }

    // A double-click on the picture, as a person makes it (the player answers
    // the first click before the second comes), shows it full screen, paused
    // or playing as before; one more puts it back, the main window as it was.
    void doubleClickFullScreen() {
        Paused t;
        QVERIFY(t.ready());
        const QRect before = t.f.geometry(), inside = t.p->geometry();
        for (bool full : {true, false}) {
            QWindow* picture = t.p->window()->windowHandle()->findChild<QWindow*>();
            QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(20, 20));
            QTRY_COMPARE(t.p->state(), MediaPlayer::State::Playing);
            QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval; // a moment later
            QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(20, 20));
            QTRY_COMPARE(t.p->isWindow(), full);
            QTRY_COMPARE(t.p->state(), MediaPlayer::State::Paused);
        }
        QCOMPARE(t.f.geometry(), before);
        QCOMPARE(t.p->geometry(), inside);
    }
};

QTEST_MAIN(TestVideoWindow)
#include "tst_video_window.moc"
