#include "platform/window_stacking.h"
#include "playlist/grid_view.h"
#include "support/fake_dialogs.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

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

QByteArray settings(const ListFixture& f) {
    QFile file(f.appDir.filePath("Sonoquill.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestListWindow : public QObject {
    Q_OBJECT
private slots:
    void showHideAndClose() {
        ListFixture f;
        frmList2* w = f.open();
        QVERIFY(w && w->isVisible());
        QVERIFY(f.main->mnuSort2()->isChecked());
        QVERIFY(mTop::isTopmost(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("List"));
        add(w, {"/m/a.mp3"});
        f.main->mnuSort2()->trigger();
        QVERIFY(!w->isVisible());
        QVERIFY(!f.main->mnuSort2()->isChecked());
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
        QCOMPARE(w->Text2()->text(), QStringLiteral("*.mp3|*.mpg|*.mpeg|*.avi|*.wma|*.wmv"));
        w->cmd_Click(0);
        QCOMPARE(w->Text2()->text(),
                 QStringLiteral("*.avi|*.mid|*.mp3|*.mpeg|*.mpg|*.wav|*.wma|*.wmv"));
        w->close();
        QTRY_VERIFY(!f.main->playlistWindow());
        w = f.open();
        QCOMPARE(w->Text2()->text(),
                 QStringLiteral("*.avi|*.mid|*.mp3|*.mpeg|*.mpg|*.wav|*.wma|*.wmv"));
        w->Text2()->clear();
        w->close();
        QTRY_VERIFY(!f.main->playlistWindow());
        w = f.open();
        QCOMPARE(w->Text2()->text(), QStringLiteral("*.mp3|*.mpg|*.mpeg|*.avi|*.wma|*.wmv"));
        // Edited, hidden, then the program closes: the edit is kept.
        w->Text2()->setText("*.ogg");
        f.main->mnuSort2()->trigger();
        f.main->close();
        QVERIFY(settings(f).contains("get=*.ogg\n"));
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
        QCOMPARE(w->Grid1()->width(), px(5895 - 880));
        QCOMPARE(w->Grid1()->height(), px(w->Height() - 750));
        QCOMPARE(w->Grid1()->columnWidth(0), px(5000));
        w->resize(600, 400);
        QCOMPARE(w->cmd(1)->x(), px(w->ScaleWidth() - 800));
        QCOMPARE(w->Grid1()->width(), px(w->ScaleWidth() - 880));
        QCOMPARE(w->Grid1()->columnWidth(1), px(w->Width()));
        w->setHeight(2000);
        QCOMPARE(w->Height(), 3765);
        const QStringList captions{"Default", "Sort", "▲",    "▼",       "Remove",
                                   "Reset",   "Save", "Load", "Restore", "Snap"};
        const QStringList tips{"",
                               "名前順に並べ替え",
                               "ファイルを一つ上へ",
                               "ファイルを一つ下へ",
                               "削除",
                               "全削除",
                               "リストを保存",
                               "リスト読み込み",
                               "",
                               ""};
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(w->cmd(i)->text(), captions[i]);
            QCOMPARE(w->cmd(i)->toolTip(), tips[i]);
        }
        // Tab order: filter, Default, grid, the commands, Snap before Restore.
        QCOMPARE(w->Text2()->nextInFocusChain(), w->cmd(0));
        QCOMPARE(w->cmd(0)->nextInFocusChain(), w->Grid1());
        QCOMPARE(w->cmd(7)->nextInFocusChain(), w->cmd(9));
        QCOMPARE(w->cmd(9)->nextInFocusChain(), w->cmd(8));
    }

    void sortByFullPath() {
        ListFixture f;
        frmList2* w = f.open();
        add(w, {"/d/b/x.mp3", "/C/z/a.mp3", "/c/a/B.mp3"});
        f.main->playback()->setPlayRow(2);
        w->cmd_Click(1);
        QCOMPARE(paths(w), (QStringList{"/c/a/B.mp3", "/C/z/a.mp3", "/d/b/x.mp3"}));
        QCOMPARE(w->grid().TextMatrix(1, 0), QStringLiteral("B.mp3"));
        QCOMPARE(w->grid().Row(), 1);
        QCOMPARE(f.main->playback()->PlayRow(), 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("1/3"));
        QVERIFY(w->Grid1()->isVisible());
        QCOMPARE(w->List2().ListCount(), 0);
        w->cmd_Click(5);
        f.main->playback()->setPlayRow(4);
        w->cmd_Click(1);
        QCOMPARE(f.main->playback()->PlayRow(), 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("0/0"));
    }

    void moveUpAndDown() {
        ListFixture f;
        frmList2* w = f.open();
        add(w, {"/A", "/B", "/C"});
        w->grid().setRow(1);
        w->cmd_Click(2);
        QCOMPARE(paths(w), (QStringList{"/B", "/C", "/A"}));
        QCOMPARE(w->grid().Row(), 3);
        QCOMPARE(w->windowTitle(), QStringLiteral("3/3"));
        w->cmd_Click(3); // the last goes to the top
        QCOMPARE(paths(w), (QStringList{"/A", "/B", "/C"}));
        QCOMPARE(w->grid().Row(), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("1/3"));
        w->cmd_Click(3);
        QCOMPARE(paths(w), (QStringList{"/B", "/A", "/C"}));
        QCOMPARE(w->grid().Row(), 2);
        w->cmd_Click(2);
        QCOMPARE(paths(w), (QStringList{"/A", "/B", "/C"}));
        QCOMPARE(w->grid().Row(), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("1/3"));
        // The header current: nothing moves.
        w->grid().setRow(0);
        w->cmd_Click(2);
        QCOMPARE(paths(w), (QStringList{"/A", "/B", "/C"}));
        w->cmd_Click(5);
        add(w, {"/only"});
        w->grid().setRow(1);
        w->cmd_Click(3);
        QCOMPARE(paths(w), QStringList{"/only"});
        QCOMPARE(w->grid().Row(), 1);
        QCOMPARE(w->grid().HighLight(), 1);
    }

    void removeAndReset() {
        ListFixture f;
        frmList2* w = f.open();
        w->cmd_Click(4); // nothing to remove
        QCOMPARE(w->grid().Rows(), 1);
        add(w, {"/A", "/B", "/C"});
        w->setWindowTitle("2/3");
        f.main->playback()->setPlayRow(2);
        w->grid().setRow(2);
        w->cmd_Click(4);
        QCOMPARE(paths(w), (QStringList{"/A", "/C"}));
        QCOMPARE(f.main->playback()->PlayRow(), 2);
        QCOMPARE(w->windowTitle(), QStringLiteral("2/3"));
        w->cmd_Click(4);
        w->cmd_Click(4); // the only entry: the list is reset
        QCOMPARE(w->grid().Rows(), 1);
        QCOMPARE(w->grid().TextMatrix(0, 0), QStringLiteral("File"));
        QCOMPARE(w->grid().HighLight(), 0);
        QCOMPARE(f.main->playback()->PlayRow(), 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("2/3"));
        w->cmd_Click(10);
        w->cmd_Click(-1);
        QCOMPARE(w->grid().Rows(), 1);
    }

    // Snap, edit, Restore: the entries, the stored row, played.
    void snapAndRestore() {
        ListFixture f;
        QTemporaryDir media;
        QStringList files;
        for (int i = 1; i <= 10; ++i) {
            files << media.filePath(QStringLiteral("song%1.wav").arg(i));
            QVERIFY(testmedia::writeWav(files.last(), 0.1));
        }
        frmList2* w = f.open();
        add(w, files);
        w->grid().setRow(4);
        w->cmd_Click(9);
        QVERIFY(settings(f).contains("pin=4\n"));
        QFile snapshot(f.appDir.filePath("Sonoquill.m3u"));
        QVERIFY(snapshot.exists());
        w->cmd_Click(5);
        add(w, {"/other.mp3"});
        w->cmd_Click(8);
        QCOMPARE(paths(w), files);
        QCOMPARE(w->grid().Row(), 4);
        QCOMPARE(f.main->playback()->PlayRow(), 4);
        QCOMPARE(w->windowTitle(), QStringLiteral("4/10"));
        QCOMPARE(f.main->MediaPlayer1()->FileName(), files[3]);
        QCOMPARE(f.main->windowTitle(), QStringLiteral("song4.wav"));
        QCOMPARE(QDir::currentPath(), QDir(f.appDir.path()).canonicalPath());
    }

    void restoreRowOutsideTheList_data() {
        QTest::addColumn<QByteArray>("pin");
        QTest::addColumn<int>("row");
        QTest::newRow("missing") << QByteArray() << 1;
        QTest::newRow("zero") << QByteArray("pin=0\n") << 1;
        QTest::newRow("word") << QByteArray("pin=abc\n") << 1;
        QTest::newRow("negative") << QByteArray("pin=-3\n") << 1;
        QTest::newRow("past the end") << QByteArray("pin=99\n") << 3;
    }
    void restoreRowOutsideTheList() {
        QFETCH(QByteArray, pin);
        QFETCH(int, row);
        ListFixture f;
        QFile ini(f.appDir.filePath("Sonoquill.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Set]\n" + pin);
        ini.close();
        mIni::overrideAppPathForTesting(f.appDir.path()); // read again, as at a start
        QFile list(f.appDir.filePath("Sonoquill.m3u"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("/m/1.mp3\r\n/m/2.mp3\r\n/m/3.mp3\r\n");
        list.close();
        frmList2* w = f.open();
        w->cmd_Click(8);
        QCOMPARE(w->grid().Row(), row);
        QCOMPARE(f.main->playback()->PlayRow(), row);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), QStringLiteral("/m/%1.mp3").arg(row));
        QCOMPARE(w->windowTitle(), QStringLiteral("%1/3").arg(row));
    }

    void restoreWithoutEntriesOrSnapshot() {
        ListFixture f;
        frmList2* w = f.open();
        add(w, {"/keep.mp3"});
        w->cmd_Click(8); // no snapshot: nothing changes
        QCOMPARE(paths(w), QStringList{"/keep.mp3"});
        QCOMPARE(QDir::currentPath(), QDir(f.appDir.path()).canonicalPath());
        QFile list(f.appDir.filePath("Sonoquill.m3u"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.close();
        w->cmd_Click(8);
        QCOMPARE(w->grid().Rows(), 1);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), QString());
        QCOMPARE(w->windowTitle(), QStringLiteral("List"));
        QVERIFY(w->Grid1()->isVisible());
    }

    void loadAndSave() {
        ListFixture f;
        FakeDialogs dialogs;
        QTemporaryDir dir;
        frmList2* w = f.open();
        add(w, {"/m/a.mp3", "/m/b.mp3"});
        w->grid().setRow(2);
        w->setWindowTitle("2/2");
        w->cmd_Click(7); // cancelled: nothing changes
        w->cmd_Click(6);
        QCOMPARE(paths(w), (QStringList{"/m/a.mp3", "/m/b.mp3"}));
        QCOMPARE(w->grid().Row(), 2);
        QCOMPARE(dialogs.asked.at(0).title, QStringLiteral("開く"));
        QCOMPARE(dialogs.asked.at(1).title, QStringLiteral("名前を付けて保存"));
        QVERIFY(dialogs.asked.at(1).save);

        dialogs.nextFile = dir.filePath("saved"); // typed without ".m3u": used as typed
        w->cmd_Click(6);
        QFile saved(dir.filePath("saved"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("/m/a.mp3\r\n/m/b.mp3\r\n"));
        QCOMPARE(w->grid().Row(), 2);

        w->cmd_Click(5);
        w->cmd_Click(7);
        QCOMPARE(paths(w), (QStringList{"/m/a.mp3", "/m/b.mp3"}));
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
