#include "platform/window_stacking.h"
#include "playlist/grid_view.h"
#include "support/fake_dialogs.h"
#include "support/files.h"
#include "support/list_fixture.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace {

QStringList paths(frmList2* w) {
    QStringList out;
    for (std::int32_t r = 1; r < w->grid().Rows(); ++r)
        out << w->grid().fullPath(r);
    return out;
}

void add(frmList2* w, const QStringList& full) {
    for (const QString& p : full)
        w->grid().appendPath(p);
}

// "a b" -> "/a", "/b"
QStringList entryList(const char* names) {
    QStringList out;
    for (const QString& n : QString(names).split(u' ', Qt::SkipEmptyParts))
        out << u'/' + n;
    return out;
}

// Entries and current row, a button -> entries, row, caption, played row, highlight.
struct Edit {
    const char *name, *entries;
    int row, command;
    const char* after;
    int rowAfter;
    const char* caption;
    int playRow, highlight;
};
constexpr Edit kEdits[] = {
    {"sort", "d/b/x.mp3 C/z/a.mp3 c/a/B.mp3", 2, 1, "c/a/B.mp3 C/z/a.mp3 d/b/x.mp3", 1, "1/3", 0,
     1},
    {"sort nothing", "", 0, 1, "", 0, "0/0", 0, -1},
    {"up wraps", "A B C", 1, 2, "B C A", 3, "3/3", 2, 1},
    {"down wraps", "B C A", 3, 3, "A B C", 1, "1/3", 2, 1},
    {"down", "A B C", 1, 3, "B A C", 2, "2/3", 2, 1},
    {"up", "B A C", 2, 2, "A B C", 1, "1/3", 2, 1},
    {"header current", "A B C", 0, 2, "A B C", 0, "List", 2, -1},
    {"move the only", "o", 1, 3, "o", 1, "1/1", 2, 1},
    {"remove nothing", "", 0, 4, "", 0, "List", 2, -1},
    {"remove", "A B C", 2, 4, "A C", 2, "List", 2, -1},
    {"remove the only", "A", 1, 4, "", 0, "List", 0, 0},
    {"reset", "A B C", 1, 5, "", 0, "List", 0, 0},
    {"no such button", "A B C", 1, 10, "A B C", 1, "List", 2, -1},
    {"nor this", "A B C", 1, -1, "A B C", 1, "List", 2, -1},
};
const QString kDefaultFilters = QStringLiteral("*.mp3|*.mpg|*.mpeg|*.avi|*.wma|*.wmv");

} // namespace

class TestListWindow : public QObject {
    Q_OBJECT
private slots:
    void showHideAndClose() {
        ListFixture f;
        frmList2* w = f.open();
        QVERIFY(w && w->isVisible() && f.main->mnuSort2()->isChecked());
        QVERIFY(mTop::isTopmost(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("List"));
        add(w, {"/m/a.mp3"});
        f.main->mnuSort2()->trigger();
        QVERIFY(!w->isVisible() && !f.main->mnuSort2()->isChecked());
        f.main->mnuSort2()->trigger();
        QCOMPARE(f.main->playlistWindow(), w);
        QCOMPARE(paths(w), QStringList{"/m/a.mp3"}); // kept while hidden
        w->close();
        QTRY_VERIFY(!f.main->playlistWindow());
        QVERIFY(!f.main->mnuSort2()->isChecked());
        frmList2* again = f.open();
        QCOMPARE(again->grid().Rows(), 1); // entries go with the window
        QCOMPARE(again->grid().TextMatrix(0, 1), QStringLiteral("Path"));
    }

    void filterListIsRemembered() {
        ListFixture f;
        frmList2* w = f.open();
        QCOMPARE(w->Text2()->text(), kDefaultFilters);
        w->cmd_Click(0);
        const QString longer = QStringLiteral("*.avi|*.mid|*.mp3|*.mpeg|*.mpg|*.wav|*.wma|*.wmv");
        QCOMPARE(w->Text2()->text(), longer);
        for (const QString& expected : {longer, kDefaultFilters}) { // an empty one is not kept
            w->close();
            QTRY_VERIFY(!f.main->playlistWindow());
            w = f.open();
            QCOMPARE(w->Text2()->text(), expected);
            w->Text2()->clear();
        }
        // Edited, hidden, then the program closes: the edit is kept.
        w->Text2()->setText("*.ogg");
        f.main->mnuSort2()->trigger();
        f.main->close();
        QVERIFY(testfiles::readAll(f.appDir.filePath("Sonoquill.ini")).contains("get=*.ogg\n"));
    }

    void layoutFollowsTheWindow() {
        ListFixture f;
        frmList2* w = f.open();
        auto px = [](int t) {
            return qRound(t / 15.0);
        };
        QCOMPARE(w->ScaleWidth(), 5895);
        QCOMPARE(w->cmd(0)->x(), px(5895 - 800));
        QCOMPARE(w->cmd(3)->x(), px(5895 - 410));
        QCOMPARE(w->Text2()->width(), px(5895 - 880));
        QCOMPARE(w->Grid1()->height(), px(w->Height() - 750));
        QCOMPARE(w->Grid1()->columnWidth(0), px(5000));
        w->resize(600, 400);
        QCOMPARE(w->cmd(1)->x(), px(w->ScaleWidth() - 800));
        QCOMPARE(w->Grid1()->width(), px(w->ScaleWidth() - 880));
        QCOMPARE(w->Grid1()->columnWidth(1), px(w->Width()));
        w->setHeight(2000);
        QCOMPARE(w->Height(), 3765);
        const QStringList buttons =
            QStringLiteral("Default|;Sort|名前順に並べ替え;▲|ファイルを一つ上へ;▼|"
                           "ファイルを一つ下へ;Remove|削除;"
                           "Reset|全削除;Save|リストを保存;Load|リスト読み込み;Restore|;Snap|")
                .split(u';');
        for (int i = 0; i < 10; ++i)
            QCOMPARE(w->cmd(i)->text() + u'|' + w->cmd(i)->toolTip(), buttons[i]);
        // Tab order: filter, Default, grid, the commands, Snap before Restore.
        QCOMPARE(w->Text2()->nextInFocusChain(), w->cmd(0));
        QCOMPARE(w->cmd(0)->nextInFocusChain(), w->Grid1());
        QCOMPARE(w->cmd(7)->nextInFocusChain(), w->cmd(9));
        QCOMPARE(w->cmd(9)->nextInFocusChain(), w->cmd(8));
    }

    // The commands that edit the list in place (highlight -1: not checked).
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
        add(w, entryList(e.entries));
        w->grid().setRow(e.row);
        f.main->playback()->setPlayRow(2);
        w->cmd_Click(e.command);
        QCOMPARE(paths(w), entryList(e.after));
        QCOMPARE(w->grid().Row(), e.rowAfter);
        QCOMPARE(w->windowTitle(), QString(e.caption));
        QCOMPARE(f.main->playback()->PlayRow(), e.playRow);
        if (e.highlight >= 0)
            QCOMPARE(w->grid().HighLight(), e.highlight);
        QCOMPARE(w->grid().TextMatrix(0, 0), QStringLiteral("File"));
        for (std::int32_t r = 1; r < w->grid().Rows(); ++r)
            QCOMPARE(w->grid().TextMatrix(r, 0), paths(w)[r - 1].section(u'/', -1));
        QVERIFY(w->Grid1()->isVisible());
        QCOMPARE(w->List2().ListCount(), 0);
    }

    // Snap keeps the entries, and the current row for Restore.
    void snap() {
        ListFixture f;
        frmList2* w = f.open();
        const QStringList five{"/m/1.mp3", "/m/2.mp3", "/m/3.mp3", "/m/4.mp3", "/m/5.mp3"};
        add(w, five);
        w->grid().setRow(4);
        w->cmd_Click(9);
        QVERIFY(testfiles::readAll(f.appDir.filePath("Sonoquill.ini")).contains("pin=4\n"));
        QCOMPARE(testfiles::readAll(f.appDir.filePath("Sonoquill.m3u")),
                 five.join("\r\n").toUtf8() + "\r\n");
        QCOMPARE(w->grid().Row(), 4);
    }

    // Restore plays the stored row, kept inside the list; without a
    // snapshot, or with an empty one, nothing plays.
    void restore_data() {
        QTest::addColumn<QByteArray>("snapshot");
        QTest::addColumn<QByteArray>("pin");
        QTest::addColumn<int>("row");
        const QByteArray three = "/m/1.mp3\r\n/m/2.mp3\r\n/m/3.mp3\r\n";
        QTest::newRow("no snapshot") << QByteArray() << QByteArray("pin=2\n") << 0;
        QTest::newRow("empty snapshot") << QByteArray("") << QByteArray("pin=2\n") << 0;
        QTest::newRow("stored") << three << QByteArray("pin=2\n") << 2;
        QTest::newRow("missing") << three << QByteArray() << 1;
        QTest::newRow("zero") << three << QByteArray("pin=0\n") << 1;
        QTest::newRow("word") << three << QByteArray("pin=abc\n") << 1;
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
        add(w, {"/keep.mp3"});
        w->cmd_Click(8);
        QCOMPARE(QDir::currentPath(), QDir(f.appDir.path()).canonicalPath());
        QVERIFY(w->Grid1()->isVisible());
        const QString file = row ? QStringLiteral("/m/%1.mp3").arg(row) : QString();
        QCOMPARE(paths(w), snapshot.isNull() ? QStringList{"/keep.mp3"}
                                             : QString(snapshot).split("\r\n", Qt::SkipEmptyParts));
        QCOMPARE(f.main->MediaPlayer1()->FileName(), file);
        QCOMPARE(f.main->playback()->PlayRow(), row);
        QCOMPARE(w->windowTitle(), row ? QStringLiteral("%1/3").arg(row) : QStringLiteral("List"));
        QCOMPARE(f.main->windowTitle(), row ? file.mid(3) : QStringLiteral("Sonoquill"));
        if (row)
            QCOMPARE(w->grid().Row(), row);
    }

    void loadAndSave() {
        ListFixture f;
        FakeDialogs dialogs;
        QTemporaryDir dir;
        frmList2* w = f.open();
        const QStringList two{"/m/a.mp3", "/m/b.mp3"};
        add(w, two);
        w->grid().setRow(2);
        w->setWindowTitle("2/2");
        w->cmd_Click(7); // cancelled: nothing changes
        w->cmd_Click(6);
        QCOMPARE(paths(w), two);
        QCOMPARE(w->grid().Row(), 2);
        QCOMPARE(dialogs.asked.at(0).title, QStringLiteral("開く"));
        QCOMPARE(dialogs.asked.at(1).title, QStringLiteral("名前を付けて保存"));
        QVERIFY(dialogs.asked.at(1).save);

        dialogs.nextFile = dir.filePath("saved"); // typed without ".m3u": used as typed
        w->cmd_Click(6);
        QCOMPARE(testfiles::readAll(dir.filePath("saved")), QByteArray("/m/a.mp3\r\n/m/b.mp3\r\n"));
        QCOMPARE(w->grid().Row(), 2);

        w->cmd_Click(5);
        w->cmd_Click(7);
        QCOMPARE(paths(w), two);
        QCOMPARE(w->grid().Row(), 1);
        QCOMPARE(w->grid().HighLight(), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("2/2")); // Load leaves the caption

        dialogs.nextFile = dir.filePath("missing.m3u");
        w->cmd_Click(7);
        QCOMPARE(w->grid().Rows(), 1);
        QVERIFY(w->Grid1()->isVisible());
        QVERIFY(!QFile::exists(dir.filePath("missing.m3u")));
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_list_window.moc"
