#include "app/form1.h"
#include "media/media_player.h"
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
            // Sound after a picture hides it at once (a native window stays on top of the
            // window's other parts); a picture shows it again.
            QTRY_COMPARE_WITH_TIMEOUT(picture->isVisible(), file == clip, 20000);
        }
    }

    // The keys on a clip paused at 0:10, the picture focused by a click: what
    // each does, and what it leaves to the controls (the box with the focus
    // keeps Space, the menu F12). A double-click on the picture, as a person
    // makes it (the player answers the first click before the second comes),
    // shows it full screen as it was paused; Esc puts it back in its place.
    void keys_data() {
        QTest::addColumn<int>("key"); // 0: the double-click
        QTest::addColumn<QString>("result");
        QTest::newRow("Space") << int(Qt::Key_Space) << "再生中";
        QTest::newRow("Right") << int(Qt::Key_Right) << "at 15";
        QTest::newRow("Left") << int(Qt::Key_Left) << "at 5";
        QTest::newRow("Up") << int(Qt::Key_Up) << "volume 55";
        QTest::newRow("F") << int(Qt::Key_F) << "full screen";
        QTest::newRow("F11") << int(Qt::Key_F11) << "full screen";
        QTest::newRow("double-click") << 0 << "full screen";
        QTest::newRow("Esc") << int(Qt::Key_Escape) << "back";
        QTest::newRow("XF86AudioPlay") << int(Qt::Key_MediaPlay) << "再生中";
        QTest::newRow("XF86AudioStop") << int(Qt::Key_MediaStop) << "停止";
        QTest::newRow("Space on a box") << int(Qt::Key_Space) << "box";
        QTest::newRow("F12") << int(Qt::Key_F12) << "list";
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(QString, result);
        QTemporaryDir dir;
        mIni::overrideAppPathForTesting(dir.path());
        MediaPlayer::setEngineOptions({false, false, {{"ao", "null"}}});
        QVERIFY(writeMedia(dir.filePath("clip.avi"), 20));
        Form1 f;
        MediaPlayer* p = f.MediaPlayer1();
        f.Form_Load({dir.filePath("clip.avi")});
        f.show();
        f.activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(p->pictureSize(), QSize(320, 240), 20000);
        QWindow* picture = f.windowHandle()->findChild<QWindow*>();
        const auto click = [picture] {
            QTest::mouseClick(picture, Qt::LeftButton, {}, {20, 20});
        };
        click();
        QTRY_COMPARE(p->state(), MediaPlayer::State::Paused);
        p->setCurrentPosition(10);
        QTRY_VERIFY(std::abs(p->CurrentPosition() - 10) < 0.5);
        const QSize size = f.size();
        const QRect place = p->geometry();
        f.Sl1()->setValue(50);
        if (result == "box")
            f.chkCou(1)->setFocus();
        if (key == 0 || key == Qt::Key_Escape) {
            click();
            QTRY_COMPARE(p->state(), MediaPlayer::State::Playing);
            QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval; // a moment later
            click();
            QTRY_VERIFY(p->isFullScreen() && QGuiApplication::focusWindow() == p->windowHandle());
        }
        if (key)
            QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key(key));
        const auto seen = [&] {
            if (result == "再生中" || result == "停止") // the player's status
                return p->statusText() == result;
            if (result.startsWith("at "))
                return std::abs(p->CurrentPosition() - result.mid(3).toDouble()) < 0.5;
            if (result == "full screen")
                return p->isWindow() && p->geometry() == f.screen()->geometry();
            return result == "back" ? !p->isWindow() && p->hasFocus() && p->geometry() == place
                   : result == "volume 55" ? f.Sl1()->value() == 55
                   : result == "box"       ? f.chkValue(1) == 1
                                           : f.mnuSort2()->isChecked();
        };
        QTRY_VERIFY2(seen(), qPrintable(result));
        if (result != "再生中" && result != "停止")
            QCOMPARE(p->state(), MediaPlayer::State::Paused);
        QCOMPARE(f.size(), size);
    }
};

QTEST_MAIN(TestVideoWindow)
#include "tst_video_window.moc"
