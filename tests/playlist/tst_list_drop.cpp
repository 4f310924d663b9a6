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

// Dropped after one entry, the first playing (names in the fixture tree, ";"
// between them) -> the entries added, the caption, the folders walked (-1: not checked).
struct Drop {
    const char *name, *dropped;
    bool longerFilters;
    const char *added, *caption;
    int walked;
};
constexpr Drop kDrops[] = {
    {"folder tree", "music", false, "music/a.mp3;music/b.wma;music/sub/d.mp3", "1/4", 2},
    // .wav too, in the order of the patterns
    {"longer filter list", "music", true, "music/a.mp3;music/c.wav;music/b.wma;music/sub/d.mp3",
     "1/5", 2},
    {"files by their names", "single/Song.MP3;single/Song.MP3;music/c.wav", false,
     "single/Song.MP3;single/Song.MP3;music/c.wav", "1/4", -1},
    {"no media, no folder", "x.jpeg;readme.txt;broken", false, "", "1/1", -1},
    {"a list file ends the drop", "music/a.mp3;list.m3u;music/b.wma", false,
     "music/a.mp3;/m/one.mp3;/m/two.mp3", "List", -1},
    {"empty folder", "empty", false, "", "1/1", 1},
    {"link loop", "loop", false, "loop/e.mp3", "1/2", -1},
    {"text only", "", false, "", "1/1", -1},
};

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
        drop(w, inTree(d.dropped), *d.dropped ? QString() : QStringLiteral("just text"));
        QCOMPARE(entries(w).mid(1), inTree(d.added));
        QCOMPARE(w->windowTitle(), QString(d.caption));
        for (std::int32_t r = 1; r < w->grid().Rows(); ++r)
            QCOMPARE(w->grid().TextMatrix(r, 0), QFileInfo(entries(w)[r - 1]).fileName());
        if (d.walked >= 0)
            QCOMPARE(w->List2().ListCount(), d.walked);
        QCOMPARE(w->grid().HighLight(), 1);
        QVERIFY(w->Grid1()->isVisible());
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor); // the hourglass is gone
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
