// Runs in a real X window (under Xvfb): the picture drawn through the OpenGL
// render path must show the clip, not a blank area.
#include "media/media_player.h"
#include "support/test_media.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <set>

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
    }
};

QTEST_MAIN(TestVideoWindow)
#include "tst_video_window.moc"
