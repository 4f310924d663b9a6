// Hostile inputs and failing writes: nothing crashes, hangs or loses data.
#include "fs/file_search.h"
#include "fs/folder_walk.h"
#include "media/media_player.h"
#include "platform/profile_file.h"
#include "platform/settings.h"
#include "platform/settings_location.h"
#include "playlist/m3u.h"
#include "playlist/playlist_grid.h"
#include "support/fake_dialogs.h"
#include "support/files.h"
#include "support/list_fixture.h"
#include "support/ordinary_user.h"
#include "support/test_media.h"

#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using testfiles::readAll;
using testfiles::writeAll;

// Files may not grow past `bytes` while it lives: a full disk, for anyone.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small{bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

// The highest index a walk of `root` fills; the current folder is put back.
std::int32_t walk(const QString& root, Search2::FolderWalk& w) {
    const QString old = QDir::currentPath();
    const std::int32_t last = w.ListFolders(root);
    QDir::setCurrent(old);
    return last;
}

// The "*.mp3" files of one folder, -1 when the search did not run.
int mp3s(const QString& folder) {
    clsFileSearch search;
    search.setSearchPath(folder);
    search.setFilter("*.mp3");
    return search.Search() ? search.FileCount() : -1;
}

struct Place {
    const char* name;
    mode_t folder, ini; // ini 0: none
    bool portable, written;
};
// Writable install folder; read-only one; read-only one with a writable file
// (rewritten in place); a read-only file (never replaced).
constexpr Place kPlaces[] = {{"open", 0777, 0, true, true},
                             {"closed", 0555, 0, false, true},
                             {"closed-ini", 0555, 0666, true, true},
                             {"read-only-ini", 0777, 0444, true, false}};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString p(const QString& name) const { return dir.filePath(name); }

private slots:
    // Save, Snap and a settings write on a full disk: the old files and the
    // stored row stay, nothing is left behind, and the person is told instead
    // of believing the list was kept.
    void failedSaveAndSnapAreTold() {
        ListFixture f;
        FakeDialogs dialogs;
        frmList2* w = f.open();
        for (int i = 0; i < 2000; ++i)
            w->grid().appendPath(QStringLiteral("/music/album/track %1.mp3").arg(i));
        w->grid().setRow(7);
        writeAll(p("saved.m3u"), "/old/a.mp3\r\n");
        writeAll(f.appDir.filePath("Sonoquill.m3u"), "/old/b.mp3\r\n");
        writeAll(f.appDir.filePath("Sonoquill.ini"), "[Set]\r\npin=1\r\n");
        dialogs.nextFile = p("saved.m3u");
        {
            FileSizeLimit limit(4096);
            w->cmd_Click(6); // Save
            w->cmd_Click(9); // Snap
            QVERIFY(!profile::writeString(f.appDir.filePath("Sonoquill.ini"), "Set", "get",
                                          QString(8000, u'x')));
        }
        QCOMPARE(readAll(p("saved.m3u")), QByteArray("/old/a.mp3\r\n"));
        QCOMPARE(readAll(f.appDir.filePath("Sonoquill.m3u")), QByteArray("/old/b.mp3\r\n"));
        QCOMPARE(readAll(f.appDir.filePath("Sonoquill.ini")), QByteArray("[Set]\r\npin=1\r\n"));
        QCOMPARE(QDir(f.appDir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"Sonoquill.ini", "Sonoquill.m3u"}));
        QCOMPARE(dialogs.warnings.size(), 2);
        QVERIFY(dialogs.warnings[0].startsWith(u"名前を付けて保存|") &&
                dialogs.warnings[0].contains(p("saved.m3u")));
        QVERIFY(dialogs.warnings[1].startsWith(u"Snap|") &&
                dialogs.warnings[1].contains(QStringLiteral("Sonoquill.m3u")));
        QCOMPARE(w->grid().Row(), 7);
        QCOMPARE(w->grid().Rows(), 2001); // the list itself is untouched
    }

    // A folder that may not be read and one that may not be written: the walk
    // and the search pass the first by, and writes into the second fail
    // without touching what is there. The settings live beside the program
    // where they can be written there, else in the user's folder. Root may do
    // anything, so as root the checks run in a copy of this test as an
    // ordinary user.
    void deniedFolders() {
        const QString given = ordinaryuser::tree();
        if (given.isEmpty()) {
            QTemporaryDir tree;
            const QString root = tree.path();
            auto mode = [&](const QString& path, mode_t m) {
                chmod(QFile::encodeName(root + path).constData(), m);
            };
            QDir(root).mkpath("files/denied");
            QDir(root).mkpath("files/open");
            writeAll(root + "/files/denied/a.mp3", "x");
            writeAll(root + "/files/open/b.mp3", "x");
            writeAll(root + "/kept.m3u", "/old/a.mp3\r\n");
            for (const Place& p : kPlaces) {
                const QString folder = QStringLiteral("/install/") + p.name;
                QDir(root).mkpath(folder.mid(1));
                if (p.ini) {
                    writeAll(root + folder + "/Sonoquill.ini", "[Set]\nVol=1\n");
                    mode(folder + "/Sonoquill.ini", p.ini);
                }
                mode(folder, p.folder);
            }
            mode("/install", 0777);
            mode("/files/denied", 0);
            mode("", 0555);
            const int status =
                ordinaryuser::run(root, "deniedFolders", [this] { deniedFolders(); });
            mode("", 0755);
            mode("/files/denied", 0755);
            for (const Place& p : kPlaces)
                mode(QStringLiteral("/install/") + p.name, 0755);
            if (ordinaryuser::couldNotRun(status))
                QSKIP("no ordinary user who can reach the temporary folder");
            QCOMPARE(status, 0);
            return;
        }
        if (!QFileInfo(given).isDir())
            std::exit(77);
        Search2::FolderWalk w;
        QCOMPARE(walk(given + "/files", w), 2); // the tree, "denied" (not entered), "open"
        QCOMPARE(mp3s(given + "/files/denied"), 0);
        QCOMPARE(mp3s(given + "/files/open"), 1);
        PlaylistGrid g(QChar(u'/'));
        g.appendPath("/new/a.mp3");
        QVERIFY(!WritePlaylist(g, given + "/new.m3u"));
        QVERIFY(!WritePlaylist(g, given + "/kept.m3u"));
        QCOMPARE(readAll(given + "/kept.m3u"), QByteArray("/old/a.mp3\r\n"));
        const QString config = given + "/install/cfg/sonoquill";
        for (const Place& p : kPlaces) {
            const QString folder = given + "/install/" + p.name;
            const QString chosen = platform::settingsFolder(folder, mIni::kFileName, config);
            QCOMPARE(chosen, p.portable ? folder : config);
            mIni::overrideAppPathForTesting(chosen);
            mIni::WriteSetting("Set", "Vol", "7");
            QCOMPARE(mIni::Flush(), p.written);
            QCOMPARE(readAll(chosen + "/Sonoquill.ini").contains("Vol=7"), p.written);
        }
    }

    // Inputs that could hang the player or never end it: two lists naming
    // each other (the real entry plays once; a list naming itself is the
    // same loop), a FIFO
    // named like media, alone and in a list. Each ends or fails.
    void hostileMedia_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("plays");
        QTest::newRow("circle") << "a.m3u" << true;
        for (const char* f : {"fifo.mp3", "fifo.m3u"})
            QTest::newRow(f) << f << false;
    }
    void hostileMedia() {
        QFETCH(QString, file);
        QFETCH(bool, plays);
        MediaPlayer::setEngineOptions({true, true, {}});
        if (!QFile::exists(p("a.m3u"))) {
            QVERIFY(testmedia::writeWav(p("tone.wav"), 0.2));
            writeAll(p("a.m3u"), p("b.m3u").toUtf8() + "\r\n" + p("tone.wav").toUtf8() + "\r\n");
            writeAll(p("b.m3u"), p("a.m3u").toUtf8() + "\r\n");
            QVERIFY(mkfifo(QFile::encodeName(p("fifo.mp3")).constData(), 0644) == 0);
            writeAll(p("fifo.m3u"), p("fifo.mp3").toUtf8() + "\r\n");
            QVERIFY(mkfifo(QFile::encodeName(p("pipe.m3u")).constData(), 0644) == 0);
            PlaylistGrid none(QChar(u'/'));
            QVERIFY(!ReadPlaylist(none, p("pipe.m3u"), true)); // returns, never blocks
        }
        MediaPlayer player;
        QSignalSpy ends(&player, &MediaPlayer::EndOfStream);
        bool played = false;
        connect(&player, &MediaPlayer::stateChanged, this,
                [&](MediaPlayer::State s) { played |= s == MediaPlayer::State::Playing; });
        player.setFileName(p(file));
        QTRY_VERIFY_WITH_TIMEOUT(plays ? ends.count() == 1
                                       : player.state() == MediaPlayer::State::Failed ||
                                             player.state() == MediaPlayer::State::Ended,
                                 20000);
        if (file.endsWith(".m3u"))
            QCOMPARE(played, plays); // the real entry of the circle, once
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
