// Files, list files and folder trees dropped on the grid; the trash.
#include "playlist/grid_view.h"
#include "support/fake_dialogs.h"
#include "support/list_fixture.h"

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QMimeData>

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

void drop(frmList2* w, const QStringList& paths, const QString& text = {}) {
    QMimeData data;
    if (!paths.isEmpty()) {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
    }
    if (!text.isEmpty())
        data.setText(text);
    QWidget* target = w->Grid1()->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
}

QStringList entries(frmList2* w) {
    QStringList out;
    for (std::int32_t r = 1; r < w->grid().Rows(); ++r)
        out << w->grid().fullPath(r);
    return out;
}

} // namespace

class TestListDrop : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString p(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase() {
        for (const char* f : {"music/a.mp3", "music/b.wma", "music/c.wav", "music/sub/d.mp3",
                              "single/Song.MP3", "x.jpeg", "readme.txt", "loop/e.mp3"})
            touch(p(f));
        QDir().mkpath(p("empty"));
        QFile::link(p("nowhere"), p("broken"));
        QFile::link(p("loop"), p("loop/again")); // a link to its own folder
        QFile list(p("list.m3u"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("#EXTM3U\r\n/m/one.mp3\r\n/m/two.mp3\r\n");
    }

    void folderTreeWithTheFilterList() {
        ListFixture f;
        frmList2* w = f.open();
        drop(w, {p("music")});
        QCOMPARE(entries(w),
                 (QStringList{p("music/a.mp3"), p("music/b.wma"), p("music/sub/d.mp3")}));
        QCOMPARE(w->grid().TextMatrix(3, 1), p("music/sub"));
        QCOMPARE(w->windowTitle(), QStringLiteral("0/3"));
        QCOMPARE(w->grid().HighLight(), 1);
        QVERIFY(w->Grid1()->isVisible());
        w->cmd_Click(5);
        w->cmd_Click(0); // the longer list: .wav too, in the order of its patterns
        drop(w, {p("music")});
        QCOMPARE(entries(w), (QStringList{p("music/a.mp3"), p("music/c.wav"), p("music/b.wma"),
                                          p("music/sub/d.mp3")}));
        QCOMPARE(w->List2().ListCount(), 2); // the folders of the last walk
    }

    void mediaFilesByTheirNames() {
        ListFixture f;
        frmList2* w = f.open();
        drop(w, {p("single/Song.MP3"), p("single/Song.MP3"), p("music/c.wav")});
        QCOMPARE(entries(w),
                 (QStringList{p("single/Song.MP3"), p("single/Song.MP3"), p("music/c.wav")}));
        QCOMPARE(w->grid().TextMatrix(1, 0), QStringLiteral("Song.MP3"));
        drop(w, {p("x.jpeg"), p("readme.txt"), p("broken")}); // not media, no folder
        QCOMPARE(entries(w).size(), 3);
        QCOMPARE(w->windowTitle(), QStringLiteral("0/3"));
    }

    void listFileEndsTheDrop() {
        ListFixture f;
        frmList2* w = f.open();
        drop(w, {p("music/a.mp3"), p("list.m3u"), p("music/b.wma")});
        QCOMPARE(entries(w), (QStringList{p("music/a.mp3"), "/m/one.mp3", "/m/two.mp3"}));
        QCOMPARE(w->windowTitle(), QStringLiteral("List")); // the caption is not set
        QVERIFY(w->Grid1()->isVisible());
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor); // the hourglass is gone
    }

    void captions() {
        ListFixture f;
        frmList2* w = f.open();
        drop(w, {p("empty")});
        QCOMPARE(w->windowTitle(), QStringLiteral("0/0")); // "?" replaced at the end
        for (int i = 0; i < 5; ++i)
            w->grid().appendPath(QStringLiteral("/m/%1.mp3").arg(i));
        f.main->playback()->setPlayRow(3);
        drop(w, {p("music/a.mp3")});
        QCOMPARE(w->windowTitle(), QStringLiteral("3/6"));
        drop(w, {}, "just text");
        QCOMPARE(entries(w).size(), 6);
        QCOMPARE(w->windowTitle(), QStringLiteral("3/6"));
    }

    void linkLoopInsideTheTree() {
        ListFixture f;
        frmList2* w = f.open();
        drop(w, {p("loop")});
        QCOMPARE(entries(w), QStringList{p("loop/e.mp3")});
    }

    void trash() {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        FakeDialogs dialogs;
        QStringList& questions = dialogs.questions;
        bool& answer = dialogs.answer;
        ListFixture f;
        frmList2* w = f.open();
        QTemporaryDir files(QDir::homePath() + "/.sonoquill-test-XXXXXX");
        QStringList paths;
        for (int i = 1; i <= 3; ++i) {
            paths << files.filePath(QStringLiteral("t%1.mp3").arg(i));
            touch(paths.last());
            w->grid().appendPath(paths.last());
        }
        w->grid().setRow(2);
        w->mnuDelete_Click(); // No: the file and the entry stay
        QCOMPARE(questions.size(), 1);
        QVERIFY(questions.first().startsWith(QStringLiteral("ファイルをゴミ箱へ移動しますか？")));
        QVERIFY(questions.first().contains("t2.mp3"));
        QVERIFY(QFile::exists(paths[1]));
        QCOMPARE(entries(w).size(), 3);

        answer = true;
        w->mnuDelete_Click();
        QVERIFY(!QFile::exists(paths[1]));
        QCOMPARE(entries(w), (QStringList{paths[0], paths[2]}));
        QDirIterator info(data.path() + "/Trash/info", {"t2.mp3*.trashinfo"});
        QVERIFY(info.hasNext());

        QFile::remove(paths[0]); // already gone: the entry goes without a question
        w->grid().setRow(1);
        w->mnuDelete_Click();
        QCOMPARE(entries(w), QStringList{paths[2]});
        QCOMPARE(questions.size(), 2);

        // Never a folder or a device, not even through the action itself; an
        // entry with an empty File cell shows its folder's properties.
        answer = false; // a regression asks, and moves nothing
        for (const QString& odd : {files.path() + "/", files.path(), QStringLiteral("/dev/null")}) {
            w->grid().appendPath(odd);
            w->grid().setRow(w->grid().Rows() - 1);
            w->grid().setCol(1);
            w->mnuFile_Click();
            QVERIFY(w->mnuProperty()->isEnabled() && !w->mnuDelete()->isEnabled());
            w->mnuDelete_Click();
        }
        QCOMPARE(questions.size(), 2);
        QCOMPARE(entries(w).size(), 4);
        w->grid().setRow(2);
        w->mnuProperty_Click();
        QCOMPARE(w->findChild<QDialog*>()->windowTitle(),
                 QFileInfo(files.path()).fileName() + "のプロパティ");
    }
};

QTEST_MAIN(TestListDrop)
#include "tst_list_drop.moc"
