#include "playlist/playlist_grid.h"
#include "playlist/playlist_table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

QStringList files(const PlaylistGrid& g) {
    QStringList out;
    for (std::int32_t r = 1; r < g.Rows(); ++r)
        out << g.TextMatrix(r, 0);
    return out;
}

void fill(PlaylistGrid& g, const QStringList& names) {
    for (const QString& n : names)
        g.AddItem(n + "\t/music");
}

// 100,000 entries "/home/user/Music/Artist/Album/<i>.mp3", in one batch.
void fillLarge(PlaylistGrid& g) {
    g.beginBatch();
    for (int i = 0; i < 100000; ++i)
        g.appendUtf8Path(QByteArray("/home/user/Music/Artist/Album/") + QByteArray::number(i) +
                         ".mp3");
    g.endBatch();
}

} // namespace

class TestPlaylistGrid : public QObject {
    Q_OBJECT
private slots:
    void entriesAndCells() {
        PlaylistGrid g(u'/');
        QCOMPARE(g.Rows(), 1);
        QCOMPARE(g.TextMatrix(0, 0), QStringLiteral("File"));
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("Path"));
        g.AddItem("a.mp3\t/home/u/Music");
        g.appendPath("/b.wma");
        g.appendPath("bare.mp3");
        g.appendPath("/home/u/dir/");
        g.AddItem(QString::fromUtf8("曲.mp3\t/音楽"));
        QCOMPARE(g.Rows(), 6);
        QCOMPARE(g.TextMatrix(1, 0), QStringLiteral("a.mp3"));
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("/home/u/Music"));
        QCOMPARE(g.fullPath(1), QStringLiteral("/home/u/Music/a.mp3"));
        QCOMPARE(g.TextMatrix(2, 0), QStringLiteral("b.wma"));
        QCOMPARE(g.TextMatrix(2, 1), QString());
        QCOMPARE(g.fullPath(2), QStringLiteral("/b.wma"));
        // No separator: both cells empty, and the full path is one separator.
        QCOMPARE(g.TextMatrix(3, 0), QString());
        QCOMPARE(g.TextMatrix(3, 1), QString());
        QCOMPARE(g.fullPath(3), QStringLiteral("/"));
        QCOMPARE(g.TextMatrix(4, 0), QString());
        QCOMPARE(g.TextMatrix(4, 1), QStringLiteral("/home/u/dir"));
        QCOMPARE(g.fullPath(5), QString::fromUtf8("/音楽/曲.mp3"));
        QCOMPARE(g.TextMatrix(9, 0), QString());
        g.setTextMatrix(1, 0, "z.mp3");
        QCOMPARE(g.fullPath(1), QStringLiteral("/home/u/Music/z.mp3"));
        g.setTextMatrix(1, 1, "/x");
        QCOMPARE(g.fullPath(1), QStringLiteral("/x/z.mp3"));
    }

    void windowsSeparator() {
        PlaylistGrid g(u'\\');
        g.appendPath("C:\\Music\\a.mp3");
        g.appendPath("D:\\b.wma");
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("C:\\Music"));
        QCOMPARE(g.TextMatrix(2, 1), QStringLiteral("D:"));
        QCOMPARE(g.fullPath(2), QStringLiteral("D:\\b.wma"));
    }

    void removeMoveClear() {
        PlaylistGrid g(u'/');
        fill(g, {"A", "B", "C", "D"});
        g.setRow(4);
        g.RemoveItem(4);
        QCOMPARE(files(g), (QStringList{"A", "B", "C"}));
        QCOMPARE(g.Row(), 3); // stays inside the list
        g.setRowPosition(1, 3);
        QCOMPARE(files(g), (QStringList{"B", "C", "A"}));
        g.setRowPosition(3, 1);
        QCOMPARE(files(g), (QStringList{"A", "B", "C"}));
        g.setRowPosition(2, 1);
        QCOMPARE(files(g), (QStringList{"B", "A", "C"}));
        g.setRowPosition(0, 1); // the header never moves
        g.setRowPosition(1, 7);
        QCOMPARE(files(g), (QStringList{"B", "A", "C"}));
        g.Clear();
        QCOMPARE(g.Rows(), 4);
        QCOMPARE(g.TextMatrix(0, 0), QString());
        QCOMPARE(g.TextMatrix(2, 1), QString());
        g.setRows(1);
        QCOMPARE(g.Rows(), 1);
        QCOMPARE(g.Row(), 0);
    }

    void selection() {
        PlaylistGrid g(u'/');
        fill(g, {"A", "B", "C"});
        g.setRow(2);
        QCOMPARE(g.RowSel(), 2);
        g.setRowSel(3);
        QVERIFY(g.isSelected(2) && g.isSelected(3) && !g.isSelected(1));
        g.setHighLight(0);
        QVERIFY(!g.isSelected(2));
        g.setHighLight(1);
        g.setRow(9); // no such row: nothing changes
        QCOMPARE(g.Row(), 2);
        g.setCol(1);
        QCOMPARE(g.Text(), QStringLiteral("/music"));
        g.setCol(0);
        QCOMPARE(g.Text(), QStringLiteral("B"));
    }

    // The table model follows single changes and batches, as Qt's model
    // checker requires.
    void tableModelFollows() {
        PlaylistGrid g(u'/');
        PlaylistTableModel model(&g);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        fill(g, {"A", "B"});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(inserted.count(), 2);
        g.beginBatch();
        for (int i = 0; i < 1000; ++i)
            g.appendPath(QStringLiteral("/m/%1.mp3").arg(i));
        QCOMPARE(model.rowCount(), 2); // nothing shown before the batch ends
        g.endBatch();
        QCOMPARE(inserted.count(), 3); // one insertion for the whole batch
        QCOMPARE(model.rowCount(), 1002);
        QCOMPARE(model.data(model.index(2, 0), Qt::DisplayRole).toString(),
                 QStringLiteral("0.mp3"));
        g.beginBatch();
        g.Clear();
        g.setRows(1);
        fill(g, {"X"});
        g.endBatch();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 1);
        g.AddItem("Y\t/m");
        g.setRowPosition(2, 1);
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("Y"));
        g.setRow(1);
        QVERIFY(model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
        QVERIFY(!model.data(model.index(1, 1), Qt::BackgroundRole).isValid());
        g.RemoveItem(1);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
        // An entry of any length shows as a bounded prefix, cut between characters.
        const QString folder = "/" + QString(3 << 20, u'曲');
        g.appendPath(folder + "/a.mp3");
        const QString shown = model.data(model.index(1, 1), Qt::DisplayRole).toString();
        QVERIFY(shown.size() <= 4096 && shown.endsWith(QChar(0x2026)));
        QVERIFY(folder.startsWith(shown.chopped(1)));
    }

    // Entries take about their UTF-8 text and one small record each (a
    // QString per cell would take well over 200 bytes an entry).
    void compactStorage() {
        PlaylistGrid g(u'/');
        fillLarge(g);
        QVERIFY2(g.bytesUsed() < 100000 * 100, qPrintable(QString::number(g.bytesUsed())));
        const std::size_t before = g.bytesUsed();
        for (int i = 0; i < 400000; ++i)
            g.setTextMatrix(1 + i % 1000, 0, QStringLiteral("x.mp3"));
        // Rewritten cells do not pile up (without compaction: about 19 MB).
        QVERIFY2(g.bytesUsed() < 3 * before, qPrintable(QString::number(g.bytesUsed())));
        QCOMPARE(g.fullPath(5), QStringLiteral("/home/user/Music/Artist/Album/x.mp3"));
        QCOMPARE(g.fullPath(5000), QStringLiteral("/home/user/Music/Artist/Album/4999.mp3"));
    }

    // A batch that empties the list keeps the storage for what it appends
    // next (a sort puts every entry back); what it leaves unused, and the
    // storage of a list emptied outside a batch, is given back.
    void storageGivenBack() {
        PlaylistGrid g(u'/');
        fillLarge(g);
        const std::size_t full = g.bytesUsed();

        g.beginBatch();
        g.Clear();
        g.setRows(1);
        const std::size_t kept = g.bytesUsed();
        g.appendUtf8Path("/a/b.mp3");
        g.endBatch();
        QVERIFY2(kept >= full - 1000, qPrintable(QString::number(kept)));
        QVERIFY2(g.bytesUsed() < (1u << 20), qPrintable(QString::number(g.bytesUsed())));
        QCOMPARE(g.fullPath(1), QStringLiteral("/a/b.mp3"));

        g.Clear();
        g.setRows(1);
        QCOMPARE(g.bytesUsed(), std::size_t{0});
    }
};

QTEST_MAIN(TestPlaylistGrid)
#include "tst_playlist_grid.moc"
