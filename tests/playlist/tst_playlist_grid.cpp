#include "playlist/playlist_grid.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QtTest>

namespace {

// One letter an entry ("-" for an empty File cell).
QString files(const PlaylistGrid& g) {
    QString out;
    for (std::int32_t r = 1; r < g.Rows(); ++r)
        out += g.TextMatrix(r, 0).isEmpty() ? QStringLiteral("-") : g.TextMatrix(r, 0);
    return out;
}

// Runs ops such as "r4 x4": r Row, s RowSel, x RemoveItem, m RowPosition
// (from, to), n Rows, c Clear.
void run(PlaylistGrid& g, const QString& ops) {
    for (const QString& op : ops.split(u' ')) {
        const char verb = op[0].toLatin1();
        const int a = op.mid(1, 1).toInt(), b = op.mid(2, 1).toInt();
        verb == 'r'   ? g.setRow(a)
        : verb == 's' ? g.setRowSel(a)
        : verb == 'x' ? g.RemoveItem(a)
        : verb == 'm' ? g.setRowPosition(a, b)
        : verb == 'n' ? g.setRows(a)
                      : g.Clear();
    }
}

} // namespace

class TestPlaylistGrid : public QObject {
    Q_OBJECT
private slots:
    void entries_data() {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("input"); // with a TAB: AddItem, else a full path
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("path");
        const auto row = [](const char* name, char16_t sep, const char* input, const char* file,
                            const char* path) {
            QTest::newRow(name) << QChar(sep) << QString(input) << QString(file) << QString(path);
        };
        row("item", u'/', "a.mp3\t/home/u", "a.mp3", "/home/u");
        row("third cell dropped", u'/', "a\t/m\tx", "a", "/m");
        row("in the root", u'/', "/b.wma", "b.wma", "");
        row("no separator", u'/', "bare.mp3", "", "");
        row("a folder", u'/', "/home/u/dir/", "", "/home/u/dir");
        row("UTF-8", u'/', "曲.mp3\t/音楽", "曲.mp3", "/音楽");
        row("drive folder", u'\\', "C:\\M\\a.mp3", "a.mp3", "C:\\M");
        row("drive root", u'\\', "D:\\b.wma", "b.wma", "D:");
    }
    void entries() {
        QFETCH(QChar, sep);
        QFETCH(QString, input);
        QFETCH(QString, file);
        QFETCH(QString, path);
        PlaylistGrid g(sep);
        QCOMPARE(g.Rows(), 1);
        input.contains(u'\t') ? g.AddItem(input) : g.appendPath(input);
        QCOMPARE(g.Rows(), 2);
        QCOMPARE(g.TextMatrix(1, 0), file);
        QCOMPARE(g.TextMatrix(1, 1), path);
        QCOMPARE(g.fullPath(1), path + sep + file);
        QCOMPARE(g.fullPathUtf8(1), (path + sep + file).toUtf8());
        QCOMPARE(g.data(g.index(0, 1), Qt::DisplayRole).toString(), path);
        g.setTextMatrix(1, 0, "z");
        QCOMPARE(g.fullPath(1), path + sep + "z");
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("Path"));
        QCOMPARE(g.TextMatrix(2, 0), QString());
    }

    // The selection keeps its row numbers through every change, in a batch
    // or not, and views see it in the selection model.
    void selectionThroughChanges_data() {
        QTest::addColumn<QString>("ops");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        const auto row = [](const char* name, const char* ops, const char* after, int row,
                            int rowSel) {
            QTest::newRow(name) << QString(ops) << QString(after) << row << rowSel;
        };
        row("remove the selected last", "r4 x4", "ABC", 3, 3);
        row("remove the selected", "r2 x2", "ACD", 2, 2);
        row("remove above", "r3 x1", "BCD", 3, 3);
        row("remove the header", "r2 x0", "ABCD", 2, 2);
        row("move down", "r1 m13", "BCAD", 1, 1);
        row("move up", "r2 m41", "DABC", 2, 2);
        row("no move", "r1 m01 m17", "ABCD", 1, 1);
        row("extend", "r2 s4", "ABCD", 2, 4);
        row("extend upward", "r3 s1", "ABCD", 3, 1);
        row("Row collapses", "r3 s1 r2", "ABCD", 2, 2);
        row("extended, removed", "r2 s4 x4", "ABC", 2, 3);
        row("no such row", "r2 r9 s9", "ABCD", 2, 2);
        row("header current", "r3 r0", "ABCD", 0, 0);
        row("shrunk", "r4 n3", "AB", 2, 2);
        row("emptied", "r3 n1", "", 0, 0);
        row("cleared", "r3 c", "----", 3, 3);
    }
    void selectionThroughChanges() {
        QFETCH(QString, ops);
        QFETCH(QString, after);
        QFETCH(int, row);
        QFETCH(int, rowSel);
        for (const bool batched : {false, true}) {
            PlaylistGrid g(u'/');
            QAbstractItemModelTester tester(&g,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
            for (const char* name : {"A", "B", "C", "D"})
                g.AddItem(QString(name) + "\t/m");
            if (batched)
                g.beginBatch();
            run(g, ops);
            if (batched)
                g.endBatch();
            QCOMPARE(files(g), after);
            QCOMPARE(g.Row(), row);
            QCOMPARE(g.RowSel(), rowSel);
            const QItemSelectionModel* s = g.selectionModel();
            QCOMPARE(s->currentIndex().row(), row - 1);
            for (int r = 1; r < g.Rows(); ++r)
                QCOMPARE(s->isRowSelected(r - 1),
                         row > 0 && r >= std::min(row, rowSel) && r <= std::max(row, rowSel));
        }
    }

    // A batch reaches the views once, selection included; single changes
    // each on their own.
    void viewsFollow() {
        PlaylistGrid g(u'/');
        QAbstractItemModelTester tester(&g, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&g, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&g, &QAbstractItemModel::modelReset);
        QSignalSpy selChange(g.selectionModel(), &QItemSelectionModel::selectionChanged);
        g.AddItem("A\t/m");
        g.AddItem("B\t/m");
        QCOMPARE(inserted.count(), 2);
        g.beginBatch();
        for (int i = 0; i < 1000; ++i)
            g.appendPath(QStringLiteral("/m/%1.mp3").arg(i));
        g.setRow(1002);
        QCOMPARE(g.Row(), 1002);
        QCOMPARE(g.rowCount(), 2); // nothing shown before the batch ends
        QCOMPARE(selChange.count(), 0);
        g.endBatch();
        QCOMPARE(inserted.count(), 3);
        QCOMPARE(selChange.count(), 1);
        QCOMPARE(g.selectionModel()->currentIndex().row(), 1001);
        g.beginBatch();
        run(g, "c n1");
        g.AddItem("X\t/m");
        g.setRow(1);
        g.endBatch();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(g.rowCount(), 1);
        QVERIFY(g.selectionModel()->isRowSelected(0));
        QSignalSpy highlight(&g, &PlaylistGrid::highlightChanged);
        g.setHighLight(0);
        g.setHighLight(0);
        QCOMPARE(highlight.count(), 1);
        // An entry of any length shows as a bounded prefix, cut between characters.
        const QString folder = "/" + QString(3 << 20, u'曲');
        g.appendPath(folder + "/a.mp3");
        const QString shown = g.data(g.index(1, 1), Qt::DisplayRole).toString();
        QVERIFY(shown.size() <= 4096 && shown.endsWith(QChar(0x2026)));
        QVERIFY(folder.startsWith(shown.chopped(1)));
    }

    // Entries take about their UTF-8 text and one small record each (a
    // QString per cell would take well over 200 bytes an entry); rewritten
    // cells do not pile up; a batch that empties the list keeps the storage
    // for what it appends next (a sort puts every entry back) and gives back
    // what stays unused, and so does a list emptied outside a batch.
    void storage() {
        PlaylistGrid g(u'/');
        g.beginBatch();
        for (int i = 0; i < 100000; ++i)
            g.appendUtf8Path("/home/user/Music/Artist/Album/" + QByteArray::number(i) + ".mp3");
        g.endBatch();
        const std::size_t full = g.bytesUsed();
        QVERIFY2(full < 100000 * 100, qPrintable(QString::number(full)));
        for (int i = 0; i < 400000; ++i)
            g.setTextMatrix(1 + i % 1000, 0, QStringLiteral("x.mp3"));
        const std::size_t rewritten = g.bytesUsed();
        QVERIFY2(rewritten < 3 * full, qPrintable(QString::number(rewritten)));
        QCOMPARE(g.fullPath(5000), QStringLiteral("/home/user/Music/Artist/Album/4999.mp3"));
        g.beginBatch();
        run(g, "c n1");
        QVERIFY2(g.bytesUsed() >= rewritten - 1000, qPrintable(QString::number(g.bytesUsed())));
        g.appendUtf8Path("/a/b.mp3");
        g.endBatch();
        QVERIFY2(g.bytesUsed() < (1u << 20), qPrintable(QString::number(g.bytesUsed())));
        g.setRows(1);
        QCOMPARE(g.bytesUsed(), std::size_t{0});
    }
};

QTEST_GUILESS_MAIN(TestPlaylistGrid)
#include "tst_playlist_grid.moc"
