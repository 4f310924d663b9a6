// The playback core: what plays, what is queued next and what the windows are told, in order.
#include "playback/playback.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

#include <sys/stat.h>

namespace {

struct FakePlayer : PlayerControl {
    QStringList log;
    QString file, next;
    void setFileName(const QString& p) override {
        file = p, next.clear();
        log << "open " + QFileInfo(p).fileName();
    }
    QString FileName() const override { return file; }
    void setNextFileName(const QString& p) override {
        next = p, log << "queue " + QFileInfo(p).fileName();
    }
    QString NextFileName() const override { return next; }
    void Stop() override { next.clear(), log << "stop"; }
};

struct FakeList : PlaylistEntries {
    QStringList paths;
    std::int32_t Rows() const override { return static_cast<std::int32_t>(paths.size()) + 1; }
    QString fullPath(std::int32_t row) const override { return paths.value(row - 1); }
};

} // namespace

class TestSequencing : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    // Each entry is named by its kind: a, b, c files; m missing; d a folder; f a FIFO.
    QString path(QChar kind) const { return dir.filePath(kind); }

private slots:
    void initTestCase() {
        for (QChar c : QStringLiteral("abc")) {
            QVERIFY(QFile(path(c)).open(QIODevice::WriteOnly));
            QVERIFY(testmedia::writeWav(path(c) + ".wav", 0.05));
        }
        QVERIFY(QDir(dir.path()).mkdir("d"));
        QCOMPARE(::mkfifo(QFile::encodeName(path('f')).constData(), 0600), 0);
    }

    // The real player and windows: the list plays on to its end, each main
    // caption before the list's, and stops on row 1 keeping the last name.
    void listPlaysToTheEnd() {
        ListFixture f;
        frmList2* w = f.open();
        for (QChar c : QStringLiteral("abc"))
            w->grid().appendPath(path(c) + ".wav");
        QStringList captions;
        for (QWidget* window : std::initializer_list<QWidget*>{f.main.get(), w})
            connect(window, &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
        w->grid().setRow(1);
        w->Grid1_KeyDown(13, 0);
        QTRY_COMPARE(f.main->MediaPlayer1()->state(), MediaPlayer::State::Stopped);
        QCOMPARE(captions.join(' '), QStringLiteral("a.wav 1/3 b.wav 2/3 c.wav 3/3 1/3"));
        QCOMPARE(w->grid().Row(), 1);
    }

    // setup: entries (a, b, c files; m missing; d folder; f FIFO), S shown,
    // R repeat, PlayRow. after: PlayRow.
    void sequence_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("log"); // the player's calls and the windows' news, in order
        QTest::addColumn<QString>("after");
        const char* const rows[][5] = {
            {"next entry", "abc S 1", "EndOfStream", "open b|title b|sel 2|pos 2|queue c", "2"},
            {"none yet", "abc S 0", "EndOfStream", "open a|title a|sel 1|pos 1|queue b", "1"},
            {"last: stop on 1", "abc S 3", "EndOfStream", "stop|sel 1|pos 1", "1"},
            {"last, repeat", "abc SR 3", "EndOfStream", "open a|title a|sel 1|pos 1|queue b", "1"},
            {"one, a pass", "a SR 1", "PassEnded", "open a|title a|sel 1|pos 1|queue a", "1"},
            {"hidden: stop", "abc - 1", "EndOfStream", "stop", "1"},
            {"hidden, repeat: repeats", "abc R 1", "PassEnded", "", "1"},
            {"shown but empty", " S 0", "EndOfStream", "", "0"},
            {"row gone", "ab S 5", "EndOfStream", "", "5"},
            // The player finds out whether it can open what is queued.
            {"missing: queued", "amb S 0", "EndOfStream", "open a|title a|sel 1|pos 1|queue m",
             "1"},
            {"missing: stops there", "am S 1", "EndOfStream", "open m|title m|sel 2|pos 2", "2"},
            {"folder: queued", "adb S 0", "play", "open a|title a|pos 1|queue d", "1"},
            {"same next: not again", "abc SR 3", "entriesChanged", "", "3"},
            {"queued took over", "abc S 1", "NextStarted", "title b|sel 2|pos 2|queue c", "2"},
            {"next, round", "abc S 3", "next", "sel 1|open a|title a|pos 1|queue b", "1"},
            {"previous, round", "abc S 1", "previous", "sel 3|open c|title c|pos 3", "3"},
            {"drop: the last plays", "abc S 1", "openFiles", "open a|open c|title c|queue b", "1"},
            {"command line", "abc SR 3", "openCommandLine", "open a|open c|title c|queue a", "3"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << r[1] << r[2] << r[3] << r[4];
    }
    void sequence() {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        const QStringList set = setup.split(' ');
        FakePlayer player;
        QStringList& log = player.log;
        FakeList entries;
        for (QChar c : set[0])
            entries.paths << path(c);
        Playback core(&player);
        core.setEntries(&entries);
        core.setListShown(set[1].contains('S'));
        core.setRepeat(set[1].contains('R'));
        core.setPlayRow(set[2].toInt());
        player.file = path(u'a');    // playing, with nothing queued yet
        if (action == "NextStarted") // the player took the queued file
            core.entriesChanged(), player.file = player.next;
        log.clear();
        connect(&core, &Playback::titleChanged, [&](const QString& t) { log << "title " + t; });
        connect(&core, &Playback::entryReached, [&](int r) { log << QString("sel %1").arg(r); });
        connect(&core, &Playback::listPositionChanged,
                [&](int r) { log << QString("pos %1").arg(r); });
        if (action == "play")
            core.play(1);
        else if (action.startsWith("open")) // files dropped, or named on the command line
            QMetaObject::invokeMethod(&core, qPrintable(action),
                                      Q_ARG(QStringList, (QStringList{path(u'a'), path(u'c')})));
        else
            QVERIFY(QMetaObject::invokeMethod(&core, qPrintable(action)));
        QTEST(log.join('|'), "log");
        QTEST(QString::number(core.PlayRow()), "after");
        QCOMPARE(core.PlayTitle().isEmpty(), // the command line names the caption only
                 !log.join('|').contains("title") || action == "openCommandLine");
    }
};

QTEST_MAIN(TestSequencing)
#include "tst_sequencing.moc"
