// Runs in a real X window (under Xvfb): the picture drawn through the OpenGL
// render path must show the clip, not a blank area.
#include "app/form1.h"
#include "media/media_player.h"
#include "platform/settings.h"
#include "support/test_media.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <set>
#include <string>
#include <vector>

namespace {

// Mesa unloads its driver when the display closes, before the leak check at
// exit; what the driver keeps would then show in frames of no module, which no
// suppression can name. Kept loaded, those frames carry the driver's name.
void keepGraphicsDriversLoaded() {
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            const char* n = info->dlpi_name;
            if (n && (strstr(n, "/dri/") || strstr(n, "libLLVM") || strstr(n, "libgallium")))
                static_cast<std::vector<std::string>*>(out)->push_back(n);
            return 0;
        },
        &names);
    for (const std::string& n : names)
        dlopen(n.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace

class TestVideoWindow : public QObject {
    Q_OBJECT
private slots:
    void pictureIsShown() {
        QTemporaryDir dir;
        const QString clip = dir.filePath("clip.avi");
        QVERIFY(testmedia::ffmpeg(clip, 4, {"-c:v", "mpeg4", "-c:a", "pcm_s16le"}, 320, 240));
        MediaPlayer::setEngineOptions({false, false, {{"ao", "null"}}});
        MediaPlayer p;
        p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        p.setFileName(clip);
        QTRY_COMPARE_WITH_TIMEOUT(p.pictureSize(), QSize(320, 240), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(p.timeText().startsWith("0:01"), 20000);

        // The OpenGL path, not the fallback; its pixels as the X server has them.
        QVERIFY(p.findChild<QWidget*>(QStringLiteral("openGlPicture")) != nullptr);
        const QImage shot = p.screen()->grabWindow(p.winId(), 0, 0, 320, 240).toImage();
        if (qEnvironmentVariableIsSet("SONOQUILL_SCREENSHOT"))
            shot.save(qEnvironmentVariable("SONOQUILL_SCREENSHOT"));
        std::set<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 8)
            for (int x = 0; x < shot.width(); x += 8)
                colours.insert(shot.pixel(x, y) & 0xF0F0F0);
        QVERIFY2(colours.size() > 8, qPrintable(QString::number(colours.size())));
        keepGraphicsDriversLoaded();
    }

    // The picture is a native window of its own: a drop on it, or on the
    // main window over it (as file managers send it), plays the file as a
    // drop anywhere else on the main window does.
    void dropOnThePicture() {
        QTemporaryDir dir;
        mIni::overrideAppPathForTesting(dir.path());
        const QString clip = dir.filePath("clip.avi"), song = dir.filePath("song.wav");
        QVERIFY(testmedia::ffmpeg(clip, 4, {"-c:v", "mpeg4", "-c:a", "pcm_s16le"}, 320, 240));
        QVERIFY(testmedia::writeWav(song, 1));
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
        mIni::overrideAppPathForTesting({});
    }
};

QTEST_MAIN(TestVideoWindow)
#include "tst_video_window.moc"
