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
};

QTEST_GUILESS_MAIN(TestPlaylistGrid)
#include "tst_playlist_grid.moc"
