// The list plays on by itself when a file ends: the real engine, untimed,
// with short generated files.
#include "playlist/grid_view.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

#include <QSignalSpy>

class TestSequencing : public QObject {
    Q_OBJECT
    QTemporaryDir media;
    QStringList files;

    frmList2* listOf(ListFixture& f, const QStringList& entries) {
        frmList2* w = f.open();
        for (const QString& e : entries)
            w->grid().appendPath(e);
        return w;
    }
    static void play(frmList2* w, int row) {
        w->grid().setRow(row);
        w->Grid1_DblClick();
    }

private slots:
    void initTestCase() {
        for (int i = 1; i <= 3; ++i) {
            files << media.filePath(QStringLiteral("t%1.wav").arg(i));
            QVERIFY(testmedia::writeWav(files.last(), 0.05));
        }
    }

    void entriesPlayInOrderThenStop() {
        ListFixture f;
        frmList2* w = listOf(f, files);
        QStringList captions;
        connect(w, &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
        play(w, 1);
        QTRY_COMPARE(f.main->MediaPlayer1()->state(), MediaPlayer::State::Stopped);
        QCOMPARE(captions, (QStringList{"1/3", "2/3", "3/3", "1/3"}));
        QCOMPARE(f.main->windowTitle(), QStringLiteral("t3.wav")); // the last file's name stays
        QCOMPARE(PlayState::PlayRow(), 1);
        QCOMPARE(w->grid().Row(), 1);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), files[2]);
    }

    void repeatWrapsToTheFirst() {
        ListFixture f;
        frmList2* w = listOf(f, files);
        f.main->setChkValue(1, 1);
        QStringList captions;
        connect(w, &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
        play(w, 2);
        QTRY_VERIFY(captions.size() >= 5);
        QCOMPARE(captions.mid(0, 5), (QStringList{"2/3", "3/3", "1/3", "2/3", "3/3"}));
        f.main->setChkValue(1, 0);
    }

    void oneEntryWithRepeatPlaysAgain() {
        ListFixture f;
        frmList2* w = listOf(f, {files[0]});
        f.main->setChkValue(1, 1);
        int loads = 0;
        connect(f.main->MediaPlayer1(), &MediaPlayer::stateChanged,
                [&](MediaPlayer::State s) { loads += s == MediaPlayer::State::Opening; });
        play(w, 1);
        QTRY_VERIFY(loads >= 3); // loaded again each time it ends
        QCOMPARE(w->windowTitle(), QStringLiteral("1/1"));
        QVERIFY(f.main->MediaPlayer1()->state() != MediaPlayer::State::Stopped);
    }

    // Hidden list: ignored; repeat off stops, repeat on lets the file repeat.
    void hiddenListIsIgnored() {
        ListFixture f;
        frmList2* w = listOf(f, files);
        f.main->mnuSort2()->trigger();
        QVERIFY(!w->isVisible());
        f.main->MediaPlayer1()->setFileName(files[0]);
        QTRY_COMPARE(f.main->MediaPlayer1()->state(), MediaPlayer::State::Stopped);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), files[0]);
        QCOMPARE(PlayState::PlayRow(), 0);
        f.main->setChkValue(1, 1);
        QSignalSpy passes(f.main->MediaPlayer1(), &MediaPlayer::PassEnded);
        f.main->MediaPlayer1()->setFileName(files[1]);
        QTRY_VERIFY(passes.count() >= 3);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), files[1]);
        QCOMPARE(f.main->MediaPlayer1()->state(), MediaPlayer::State::Playing);
    }

    // A file from elsewhere ends: the list starts at its first entry.
    void noPlayRowStartsAtTheFirst() {
        ListFixture f;
        frmList2* w = listOf(f, {files[1], files[2]});
        QStringList captions;
        connect(w, &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
        f.main->OpenCommandLine({files[0]});
        QTRY_COMPARE(f.main->MediaPlayer1()->state(), MediaPlayer::State::Stopped);
        QCOMPARE(captions, (QStringList{"1/2", "2/2", "1/2"}));
    }

    void emptyListDoesNothing() {
        ListFixture f;
        frmList2* w = listOf(f, {});
        f.main->MediaPlayer1()->setFileName(files[0]);
        QTRY_COMPARE(f.main->MediaPlayer1()->state(),
                     MediaPlayer::State::Ended); // not even stopped
        QCOMPARE(w->windowTitle(), QStringLiteral("List"));
    }

    void missingFileStopsThere() {
        ListFixture f;
        const QString missing = media.filePath("gone.wav");
        frmList2* w = listOf(f, {files[0], missing, files[1]});
        play(w, 1);
        QTRY_COMPARE(f.main->MediaPlayer1()->state(), MediaPlayer::State::Failed);
        QTest::qWait(200);
        QCOMPARE(PlayState::PlayRow(), 2);
        QCOMPARE(w->windowTitle(), QStringLiteral("2/3"));
        QCOMPARE(f.main->windowTitle(), QStringLiteral("gone.wav"));
        QCOMPARE(f.main->MediaPlayer1()->statusText(), QStringLiteral("ファイルが見つかりません"));
    }

    void longListScrollsToTheEntry() {
        ListFixture f;
        QStringList many;
        for (int i = 0; i < 300; ++i)
            many << files[i % 3];
        frmList2* w = listOf(f, many);
        QTRY_VERIFY(w->Grid1()->isVisible());
        PlayState::setPlayRow(149);
        f.main->MediaPlayer1_EndOfStream(0);
        QCOMPARE(PlayState::PlayRow(), 150);
        QVERIFY(w->Grid1()->RowIsVisible(150));
        QVERIFY(w->Grid1()->TopRow() > 100);
        QCOMPARE(w->windowTitle(), QStringLiteral("150/300"));
        f.main->MediaPlayer1()->Stop();
    }
};

QTEST_MAIN(TestSequencing)
#include "tst_sequencing.moc"
