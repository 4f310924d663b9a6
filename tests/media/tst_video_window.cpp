#include "app/form1.h"
#include "media/media_player.h"
#include "platform/settings.h"
#include "support/test_media.h"

#include <QtGui>
#include <QtTest>

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

static bool writeMedia(const QString& path) {
    const int width = path.endsWith(".avi") ? 320 : 0; // no picture in a WAV file
    return testmedia::ffmpeg(path, 4, {"-c:v", "mpeg4", "-c:a", "pcm_s16le"}, width, 240);
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
        }
    }
};

QTEST_MAIN(TestVideoWindow)
#include "tst_video_window.moc"
