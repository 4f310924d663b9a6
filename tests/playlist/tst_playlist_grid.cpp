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
    // The path splits are the list file's (tst_m3u); here the other ways in.
    void entries() {
        PlaylistGrid g(u'/');
        g.AddItem("a.mp3\t/m\tx"); // a grid of two columns keeps two cells
        g.AddItem("曲.mp3\t/音楽");
        g.appendPath("bare.mp3");
        QCOMPARE(g.fullPath(1), QStringLiteral("/m/a.mp3"));
        QCOMPARE(g.data(g.index(1, 0), Qt::DisplayRole).toString(), QStringLiteral("曲.mp3"));
        QCOMPARE(g.fullPath(3), QStringLiteral("/")); // no separator: both cells empty
        g.setTextMatrix(2, 1, "/x");
        QCOMPARE(g.fullPathUtf8(2), QByteArrayView("/x/曲.mp3"));
        QCOMPARE(g.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Path"));
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
        row("move down", "r1 m13", "BCAD", 1, 1);
        row("move up", "r2 m41", "DABC", 2, 2);
        row("header and outside", "r1 x0 m01 m17", "ABCD", 1, 1);
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
            // A batch reaches the views once, its selection too.
            QSignalSpy reset(&g, &QAbstractItemModel::modelReset);
            QSignalSpy selected(g.selectionModel(), &QItemSelectionModel::selectionChanged);
            if (batched)
                g.beginBatch();
            run(g, ops);
            if (batched) {
                QCOMPARE(selected.count(), 0);
                g.endBatch();
                QVERIFY(reset.count() <= 1 && selected.count() <= 1);
            }
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

    // Appended in a batch: one insertion at its end, the selection with it.
    void batchOfAppends() {
        PlaylistGrid g(u'/');
        QAbstractItemModelTester tester(&g, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&g, &QAbstractItemModel::rowsInserted);
        g.AddItem("A\t/m");
        g.beginBatch();
        for (int i = 0; i < 1000; ++i)
            g.appendPath(QStringLiteral("/m/%1.mp3").arg(i));
        g.setRow(1001);
        QCOMPARE(g.rowCount(), 1); // nothing shown before the batch ends
        g.endBatch();
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(g.selectionModel()->currentIndex().row(), 1000);
        // An entry of any length shows as a bounded prefix, cut between characters.
        const QString folder = "/" + QString(3 << 20, u'曲');
        g.appendPath(folder + "/a.mp3");
        const QString shown = g.data(g.index(1001, 1), Qt::DisplayRole).toString();
        QVERIFY(shown.size() <= 4096 && folder.startsWith(shown.chopped(1)));
        QCOMPARE(shown.back(), QChar(0x2026));
    }

    // About the UTF-8 text an entry; rewrites do not pile up; an emptying
    // batch keeps the storage for what it appends, then gives back the rest.
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
