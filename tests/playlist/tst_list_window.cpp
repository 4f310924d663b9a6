// The list window: its buttons, snapshots, list files, drops, the trash, and
// selection and play through real mouse and key events.
#include "platform/window_stacking.h"
#include "playlist/grid_view.h"
#include "support/fake_dialogs.h"
#include "support/files.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>

#include <sys/stat.h>

namespace {

// Entries, a button -> entries, caption; the current row before and after, the
// played row, the highlight (-1: not checked).
struct Edit {
    const char *name, *entries, *after, *caption;
    int row, command, rowAfter, playRow, highlight;
};
constexpr Edit kEdits[] = {
    {"sort", "/d/b/x.mp3 /C/z/a.mp3 /c/a/B.mp3", "/c/a/B.mp3 /C/z/a.mp3 /d/b/x.mp3", "1/3", 2, 1, 1,
     0, 1},
    {"sort nothing", "", "", "0/0", 0, 1, 0, 0, -1},
    {"up wraps", "/A /B /C", "/B /C /A", "3/3", 1, 2, 3, 2, 1},
    {"down wraps", "/B /C /A", "/A /B /C", "1/3", 3, 3, 1, 2, 1},
    {"down", "/A /B /C", "/B /A /C", "2/3", 1, 3, 2, 2, 1},
    {"up", "/B /A /C", "/A /B /C", "1/3", 2, 2, 1, 2, 1},
    {"header current", "/A /B /C", "/A /B /C", "List", 0, 2, 0, 2, -1},
    {"move the only", "/o", "/o", "1/1", 1, 3, 1, 2, 1},
    {"remove nothing", "", "", "List", 0, 4, 0, 2, -1},
    {"remove", "/A /B /C", "/A /C", "List", 2, 4, 2, 2, -1},
    {"remove the only", "/A", "", "List", 1, 4, 0, 0, 0},
    {"reset", "/A /B /C", "", "List", 1, 5, 0, 0, 0},
};

// Dropped after one entry, the first playing (names in the fixture tree, ";"
// between them) -> the entries added, the caption; with the longer filter list.
struct Drop {
    const char *name, *dropped, *added, *caption;
    bool longerFilters;
};
constexpr Drop kDrops[] = {
    {"folder tree", "music", "music/a.mp3;music/b.wma;music/sub/d.mp3", "1/4", false},
    {"longer filters, .wav too", "music", "music/a.mp3;music/c.wav;music/b.wma;music/sub/d.mp3",
     "1/5", true},
    {"files by their names", "single/Song.MP3;single/Song.MP3;music/c.wav",
     "single/Song.MP3;single/Song.MP3;music/c.wav", "1/4", false},
    {"no media, no folder", "x.jpeg;readme.txt;broken", "", "1/1", false},
    {"a list file ends the drop", "music/a.mp3;list.m3u;music/b.wma",
     "music/a.mp3;/m/one.mp3;/m/two.mp3", "List", false},
};

} // namespace

class TestListWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString p(const QString& name) const { return dir.filePath(name); }
    QStringList files;

    // The playlist window with the first `count` songs, then entries that
    // name no file up to `rows` entries.
    frmList2* openWith(ListFixture& f, int count, int rows = 0) {
        frmList2* w = f.open();
        for (int i = 0; i < std::max(count, rows); ++i)
            w->grid().appendPath(i < count ? files[i] : QStringLiteral("/none/%1.mp3").arg(i));
        w->show();
        return w;
    }

private slots:
    // Hidden, the window keeps its entries; closed, it loses them but not
    // its filter list (unless emptied), which is also kept when the program closes.
    void windowLifetime() {
        ListFixture f;
        frmList2* w = f.open();
        QVERIFY(w && w->isVisible() && f.main->mnuSort2()->isChecked());
        QVERIFY(mTop::isTopmost(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("List"));
        QStringList buttons;
        for (int i = 0; i < 10; ++i)
            buttons << w->cmd(i)->text();
        QCOMPARE(buttons.join(u' '),
                 QStringLiteral("Default Sort ▲ ▼ Remove Reset Save Load Restore Snap"));
        const QString defaults = QStringLiteral("*.mp3|*.mpg|*.mpeg|*.avi|*.wma|*.wmv");
        QCOMPARE(w->Text2()->text(), defaults);
        w->cmd_Click(0);
        w->grid().appendPath("/m/a.mp3");
        f.main->mnuSort2()->trigger();
        QVERIFY(!w->isVisible() && !f.main->mnuSort2()->isChecked());
        f.main->mnuSort2()->trigger();
        QCOMPARE(f.main->playlistWindow(), w);
        QCOMPARE(f.entries(), QStringList{"/m/a.mp3"});
        for (const QString& expected :
             {QStringLiteral("*.avi|*.mid|*.mp3|*.mpeg|*.mpg|*.wav|*.wma|*.wmv"), defaults}) {
            w->close();
            QTRY_VERIFY(!f.main->playlistWindow());
            QVERIFY(!f.main->mnuSort2()->isChecked());
            w = f.open();
            QCOMPARE(w->Text2()->text(), expected);
            QCOMPARE(w->grid().Rows(), 1);
            QCOMPARE(w->grid().TextMatrix(0, 1), QStringLiteral("Path"));
            w->Text2()->clear();
        }
        w->Text2()->setText("*.ogg");
        f.main->mnuSort2()->trigger();
        f.main->close();
        QVERIFY(testfiles::readAll(f.appDir.filePath("Sonoquill.ini")).contains("get=*.ogg\n"));
    }

    // The commands that edit the list in place.
    void editCommands_data() {
        QTest::addColumn<int>("i");
        for (const Edit& e : kEdits)
            QTest::newRow(e.name) << int(&e - kEdits);
    }
    void editCommands() {
        QFETCH(int, i);
        const Edit& e = kEdits[i];
        ListFixture f;
        frmList2* w = f.open();
        for (const QString& path : QString(e.entries).split(u' ', Qt::SkipEmptyParts))
            w->grid().appendPath(path);
        w->grid().setRow(e.row);
        f.main->playback()->setPlayRow(2);
        w->cmd_Click(e.command);
        QCOMPARE(f.entries(), QString(e.after).split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(w->grid().Row(), e.rowAfter);
        QCOMPARE(w->windowTitle(), QString(e.caption));
        QCOMPARE(f.main->playback()->PlayRow(), e.playRow);
        if (e.highlight >= 0)
            QCOMPARE(w->grid().HighLight(), e.highlight);
        QCOMPARE(w->grid().TextMatrix(0, 0), QStringLiteral("File"));
        for (std::int32_t r = 1; r < w->grid().Rows(); ++r)
            QCOMPARE(w->grid().TextMatrix(r, 0), f.entries()[r - 1].section(u'/', -1));
        QVERIFY(w->Grid1()->isVisible());
    }

    // Restore plays the stored row, kept inside the list; without a
    // snapshot, or with an empty one, nothing plays. Snap stores them back.
    void restore_data() {
        QTest::addColumn<QByteArray>("snapshot");
        QTest::addColumn<QByteArray>("pin");
        QTest::addColumn<int>("row");
        const QByteArray three = "/m/1.mp3\r\n/m/2.mp3\r\n/m/3.mp3\r\n";
        QTest::newRow("no snapshot") << QByteArray() << QByteArray("pin=2\n") << 0;
        QTest::newRow("empty snapshot") << QByteArray("") << QByteArray("pin=2\n") << 0;
        QTest::newRow("stored") << three << QByteArray("pin=2\n") << 2;
        QTest::newRow("missing") << three << QByteArray() << 1;
        QTest::newRow("negative") << three << QByteArray("pin=-3\n") << 1;
        QTest::newRow("past the end") << three << QByteArray("pin=99\n") << 3;
    }
    void restore() {
        QFETCH(QByteArray, snapshot);
        QFETCH(QByteArray, pin);
        QFETCH(int, row);
        ListFixture f;
        testfiles::writeAll(f.appDir.filePath("Sonoquill.ini"), "[Set]\n" + pin);
        mIni::overrideAppPathForTesting(f.appDir.path()); // read again, as at a start
        if (!snapshot.isNull())
            testfiles::writeAll(f.appDir.filePath("Sonoquill.m3u"), snapshot);
        frmList2* w = f.open();
        w->grid().appendPath("/keep.mp3");
        w->cmd_Click(8);
        QCOMPARE(QDir::currentPath(), QDir(f.appDir.path()).canonicalPath());
        QVERIFY(w->Grid1()->isVisible());
        const QString file = row ? QStringLiteral("/m/%1.mp3").arg(row) : QString();
        QCOMPARE(f.entries(), snapshot.isNull()
                                  ? QStringList{"/keep.mp3"}
                                  : QString(snapshot).split("\r\n", Qt::SkipEmptyParts));
        QCOMPARE(f.main->MediaPlayer1()->FileName(), file);
        QCOMPARE(f.main->playback()->PlayRow(), row);
        QCOMPARE(w->windowTitle(), row ? QStringLiteral("%1/3").arg(row) : QStringLiteral("List"));
        QCOMPARE(f.main->windowTitle(), row ? file.mid(3) : QStringLiteral("Sonoquill"));
        w->cmd_Click(9);
        if (row)
            QCOMPARE(w->grid().Row(), row);
        QCOMPARE(testfiles::readAll(f.appDir.filePath("Sonoquill.m3u")),
                 snapshot.isNull() ? QByteArray("/keep.mp3\r\n") : snapshot);
        QVERIFY(testfiles::readAll(f.appDir.filePath("Sonoquill.ini"))
                    .contains("pin=" + QByteArray::number(w->grid().Row()) + "\n"));
    }

    void loadAndSave() {
        ListFixture f;
        FakeDialogs dialogs;
        frmList2* w = openWith(f, 2);
        const QStringList two = files.mid(0, 2);
        w->grid().setRow(2);
        w->setWindowTitle("2/2");
        w->cmd_Click(7); // cancelled: nothing changes
        w->cmd_Click(6);
        QCOMPARE(f.entries(), two);
        QCOMPARE(w->grid().Row(), 2);
        QCOMPARE(dialogs.asked.at(1).title, QStringLiteral("名前を付けて保存"));
        QVERIFY(dialogs.asked.at(1).save);

        dialogs.nextFile = p("saved"); // typed without ".m3u": used as typed
        w->cmd_Click(6);
        QCOMPARE(testfiles::readAll(p("saved")), (two.join("\r\n") + "\r\n").toUtf8());
        QCOMPARE(w->grid().Row(), 2);

        w->cmd_Click(5);
        w->cmd_Click(7);
        QCOMPARE(f.entries(), two);
        QCOMPARE(w->grid().Row(), 1);
        QCOMPARE(w->grid().HighLight(), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("2/2")); // Load leaves the caption

        dialogs.nextFile = p("missing.m3u");
        w->cmd_Click(7);
        QCOMPARE(w->grid().Rows(), 1);
        QVERIFY(w->Grid1()->isVisible());
        QVERIFY(!QFile::exists(p("missing.m3u")));
    }

    void initTestCase() {
        for (const char* folder : {"music/sub", "single"})
            QDir().mkpath(p(folder));
        for (const char* f : {"music/a.mp3", "music/b.wma", "music/c.wav", "music/sub/d.mp3",
                              "single/Song.MP3", "x.jpeg", "readme.txt"})
            testfiles::writeAll(p(f), {});
        QFile::link(p("nowhere"), p("broken"));
        testfiles::writeAll(p("list.m3u"), "#EXTM3U\r\n/m/one.mp3\r\n/m/two.mp3\r\n");
        for (int i = 1; i <= 8; ++i) {
            files << p(QStringLiteral("song%1.wav").arg(i));
            QVERIFY(testmedia::writeWav(files.last(), 0.05));
        }
    }

    void drops_data() {
        QTest::addColumn<int>("i");
        for (const Drop& d : kDrops)
            QTest::newRow(d.name) << int(&d - kDrops);
    }
    void drops() {
        QFETCH(int, i);
        const Drop& d = kDrops[i];
        auto inTree = [this](const char* names) {
            QStringList out;
            for (const QString& n : QString(names).split(u';', Qt::SkipEmptyParts))
                out << (n.startsWith(u'/') ? n : p(n));
            return out;
        };
        ListFixture f;
        frmList2* w = f.open();
        w->grid().appendPath("/m/0.mp3");
        f.main->playback()->setPlayRow(1);
        if (d.longerFilters)
            w->cmd_Click(0);
        testfiles::drop(w->Grid1()->viewport(), inTree(d.dropped));
        QCOMPARE(f.entries().mid(1), inTree(d.added));
        QCOMPARE(w->windowTitle(), QString(d.caption));
        QCOMPARE(w->grid().HighLight(), 1);
        QVERIFY(w->Grid1()->isVisible());
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor); // the hourglass is gone
    }

    // Only the very file the person was asked about goes, to the home trash of
    // a fresh account (no data folder yet) with its info, and its entry with
    // it. A file already gone loses its entry without a question.
    void trash_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("meanwhile");     // 1 folder, 2 other file swapped in, 3 name taken
        QTest::addColumn<QString>("trashedAs"); // "": nothing moved
        QTest::addRow("No") << false << 0 << "";
        QTest::addRow("Yes") << true << 0 << "t é.mp3";
        QTest::addRow("folder swapped in") << true << 1 << "";
        QTest::addRow("another file swapped in") << true << 2 << "";
        QTest::addRow("the name taken in the trash") << true << 3 << "t é.mp3.2";
        QTest::addRow("gone before") << true << 4 << "";
    }
    void trash() {
        QFETCH(bool, yes);
        QFETCH(int, meanwhile);
        QFETCH(QString, trashedAs);
        QTemporaryDir account;
        const QString trash = account.filePath("share/Trash"), path = account.filePath("t é.mp3");
        qputenv("XDG_DATA_HOME", QFile::encodeName(account.filePath("share")));
        testfiles::writeAll(path, "asked");
        FakeDialogs dialogs;
        dialogs.answer = yes;
        dialogs.meanwhile = [&] {
            if (meanwhile == 1)
                QVERIFY(QFile::remove(path) && QDir().mkpath(path + "/inside"));
            if (meanwhile == 2 && QFile::remove(path))
                testfiles::writeAll(path, "other");
            for (const char* taken : {"/files/t é.mp3", "/info/t é.mp3.trashinfo"})
                if (meanwhile == 3 && QDir().mkpath(QFileInfo(trash + taken).path()))
                    testfiles::writeAll(trash + taken, {});
        };
        ListFixture f;
        frmList2* w = f.open();
        w->grid().appendPath(path);
        w->grid().setRow(1);
        if (meanwhile == 4)
            QFile::remove(path);
        w->mnuDelete_Click();
        QCOMPARE(dialogs.questions,
                 meanwhile == 4 ? QStringList()
                                : QStringList{"ファイルをゴミ箱へ移動しますか？\n\nt é.mp3"});
        QCOMPARE(f.entries().isEmpty(), !trashedAs.isEmpty() || meanwhile == 4);
        QCOMPARE(QFileInfo::exists(path), trashedAs.isEmpty() && meanwhile != 4);
        QCOMPARE(QFileInfo::exists(trash + "/files/t é.mp3"),
                 meanwhile == 3 || (yes && !meanwhile));
        if (trashedAs.isEmpty())
            return;
        QCOMPARE(testfiles::readAll(trash + "/files/" + trashedAs), QByteArray("asked"));
        const QString info = testfiles::readAll(trash + "/info/" + trashedAs + ".trashinfo");
        QCOMPARE(info.section(u'\n', 0, 1),
                 "[Trash Info]\nPath=" + QUrl::fromLocalFile(path).path(QUrl::FullyEncoded));
        QVERIFY(
            QDateTime::fromString(info.section(u'\n', 2), "'DeletionDate='yyyy-MM-ddThh:mm:ss\n")
                .isValid());
        struct stat st; // made by the program, open to no one else
        QVERIFY(::stat(QFile::encodeName(trash), &st) == 0 &&
                (meanwhile == 3 || (st.st_mode & 0777) == 0700));
    }

    // Never a folder or a device, not even through the action itself; an
    // entry with an empty File cell shows its folder's properties.
    void trashNeverAFolder() {
        FakeDialogs dialogs;
        ListFixture f;
        frmList2* w = f.open();
        for (const QString& odd : {dir.path() + "/", dir.path(), QStringLiteral("/dev/null")}) {
            w->grid().appendPath(odd);
            w->grid().setRow(w->grid().Rows() - 1);
            w->grid().setCol(1);
            w->mnuFile_Click();
            QVERIFY(w->mnuProperty()->isEnabled() && !w->mnuDelete()->isEnabled());
            w->mnuDelete_Click();
        }
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(f.entries().size(), 3);
        w->grid().setRow(2);
        w->mnuProperty_Click();
        QCOMPARE(w->findChild<QDialog*>()->windowTitle(),
                 QFileInfo(dir.path()).fileName() + "のプロパティ");
    }

    // Events on a list of 40: P/R left/right press, M move with the left
    // button held, U release, S Shift+click, D double-click, each on a row's
    // Path cell (0: the header, or above the rows); K a key; H Shift down and
    // up; T Tab focus; X the grid extending its selection. Then the selection
    // in view, the menu (open, Properties off/on) and the entry played.
    void events_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("played");
        const auto row = [](const char* name, const char* script, int row, int rowSel,
                            const char* menu = "", int played = 0) {
            QTest::newRow(name) << QString(script) << row << rowSel << QString(menu) << played;
        };
        row("press selects the row", "P3", 3, 3);
        row("drag", "P2 M4 M5 U5", 5, 5);
        row("drag over the header", "P3 M0 M0", 1, 1);
        row("move after release", "P3 U3 M4", 3, 3);
        row("Shift+click", "P2 U2 S6", 6, 6);
        row("right press on the header", "R0", 0, 0, "off");
        row("right press, header, entry selected", "P2 U2 R0", 2, 2, "on");
        row("right press on an entry", "R4", 4, 4, "on");
        row("Shift+Down", "P2 U2 KShift+Down", 3, 3);
        row("End", "KEnd", 40, 40);
        row("type-ahead", "P3 U3 K1", 3, 3);
        row("Ctrl with a key: one row", "P2 U2 KCtrl+A X5", 5, 5);
        row("until Shift comes up", "P2 U2 KCtrl+A H X5", 2, 5);
        row("double-click plays", "P3 U3 D3", 3, 3, "", 3);
        row("double-click on the header", "P4 U4 D0", 4, 4, "", 4);
        row("Enter plays", "P5 U5 KReturn", 5, 5, "", 5);
        row("Enter on the header", "KReturn", 0, 0);
        row("focus comes in", "T KReturn", 0, 0);
    }
    void events() {
        QFETCH(QString, script);
        QFETCH(int, row);
        QFETCH(int, rowSel);
        QFETCH(QString, menu);
        QFETCH(int, played);
        ListFixture f;
        frmList2* w = openWith(f, 6, 40);
        GridView* v = w->Grid1();
        QWidget* header = v->horizontalHeader()->viewport();
        const QTest::MouseAction actions[] = {QTest::MousePress,   QTest::MousePress,
                                              QTest::MouseDClick,  QTest::MouseMove,
                                              QTest::MouseRelease, QTest::MouseClick};
        for (const QString& step : script.split(u' ')) {
            const int r = step.mid(1).toInt(), m = QStringLiteral("PRDMUS").indexOf(step[0]);
            const bool onHeader = !r && (m == 1 || m == 2); // right and double clicks
            const QPoint at = onHeader ? QPoint(10, 5)
                              : r      ? v->visualRect(v->model()->index(r - 1, 1)).center()
                                       : QPoint(10, -5);
            const QKeyCombination key = QKeySequence(step.mid(1))[0];
            if (m >= 0)
                QTest::mouseEvent(actions[m], onHeader ? header : v->viewport(),
                                  m == 1 ? Qt::RightButton : Qt::LeftButton,
                                  m == 5 ? Qt::ShiftModifier : Qt::NoModifier, at);
            if (step[0] == u'K')
                QTest::keyClick(v, key.key(), key.keyboardModifiers());
            if (step[0] == u'H') {
                QTest::keyPress(v, Qt::Key_Shift);
                QTest::keyRelease(v, Qt::Key_Shift);
            }
            if (step[0] == u'T') {
                QApplication::setActiveWindow(w);
                v->setFocus(Qt::TabFocusReason);
            }
            if (step[0] == u'X')
                w->grid().setRowSel(r);
        }
        QCOMPARE(w->grid().Row(), row);
        QCOMPARE(w->grid().RowSel(), rowSel);
        QModelIndexList shown;
        for (int r = std::max(1, std::min(row, rowSel)); row && r <= std::max(row, rowSel); ++r)
            shown << v->model()->index(r - 1, 0);
        QCOMPARE(v->selectionModel()->selectedRows(), shown);
        QVERIFY(v->RowIsVisible(row));
        // A press on an entry makes the pressed cell current.
        QCOMPARE(w->grid().Col(), script.contains(QRegularExpression("[PRSD][1-9]")) ? 1 : 0);
        QTRY_COMPARE(w->mnuFile()->isVisible(), !menu.isEmpty());
        QCOMPARE(w->mnuProperty()->isEnabled(), menu != "off");
        w->mnuFile()->hide();
        QCOMPARE(f.main->MediaPlayer1()->FileName(), played ? files[played - 1] : QString());
        QCOMPARE(w->windowTitle(), played ? QStringLiteral("%1/40").arg(played) : "List");
        QCOMPARE(f.main->playback()->PlayRow(), played);
    }

    // The selected row is highlighted, also while the window is inactive,
    // until the highlight is switched off.
    void highlight() {
        ListFixture f;
        frmList2* w = openWith(f, 3);
        GridView* v = w->Grid1();
        QApplication::setActiveWindow(f.main.get());
        w->grid().setRow(2);
        const QColor highlight = v->palette().color(QPalette::Active, QPalette::Highlight);
        const auto shown = [&](int row) {
            const QPoint at = v->visualRect(v->model()->index(row - 1, 0)).topLeft() + QPoint(1, 2);
            return v->viewport()->grab().toImage().pixelColor(at);
        };
        QCOMPARE(shown(2), highlight);
        QVERIFY(shown(1) != highlight);
        w->grid().setHighLight(0);
        QVERIFY(shown(2) != highlight);
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_list_window.moc"
