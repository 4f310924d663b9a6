#include "playlist/m3u.h"
#include "playlist/playlist_grid.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Cells = QList<QPair<QString, QString>>;

Cells cells(const PlaylistGrid& g) {
    Cells out;
    for (std::int32_t r = 1; r < g.Rows(); ++r)
        out.append({g.TextMatrix(r, 0), g.TextMatrix(r, 1)});
    return out;
}

} // namespace

class TestM3u : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString file(const QString& name = "list.m3u") const { return dir.filePath(name); }
    void writeBytes(const QByteArray& b, const QString& name = "list.m3u") {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(b);
    }
    QByteArray readBytes(const QString& name = "list.m3u") {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Cells read(const QByteArray& bytes, bool skip, QChar sep = u'/') {
        writeBytes(bytes);
        PlaylistGrid g(sep);
        if (!ReadPlaylist(g, file(), skip))
            return {{"failed", ""}};
        return cells(g);
    }

private slots:
    void written26Bytes() {
        PlaylistGrid g(u'\\');
        g.AddItem("a.mp3\tC:\\Music");
        g.AddItem("b.wma\tD:");
        QVERIFY(WritePlaylist(g, file()));
        QCOMPARE(readBytes(), QByteArray("C:\\Music\\a.mp3\r\nD:\\b.wma\r\n"));
        QCOMPARE(readBytes().size(), 26);

        PlaylistGrid l(u'/');
        l.AddItem("a.mp3\t/home/u/Music");
        l.AddItem("b.wma\t");
        QVERIFY(WritePlaylist(l, file()));
        QCOMPARE(readBytes(), QByteArray("/home/u/Music/a.mp3\r\n/b.wma\r\n"));
    }

    void emptyListIsZeroBytes() {
        PlaylistGrid g(u'/');
        writeBytes("old");
        QVERIFY(WritePlaylist(g, file()));
        QCOMPARE(QFileInfo(file()).size(), 0);
    }

    void comments() {
        const QByteArray list = "#EXTM3U\r\n#EXTINF:215,Artist - Title\r\n/music/a.mp3\r\n";
        QCOMPARE(read(list, true), (Cells{{"a.mp3", "/music"}}));
        QCOMPARE(
            read(list, false),
            (Cells{{"#EXTM3U", "."}, {"#EXTINF:215,Artist - Title", "."}, {"a.mp3", "/music"}}));
        QCOMPARE(read(" #x/y.mp3\n", true), (Cells{{"y.mp3", " #x"}}));
    }

    void linesWithoutASeparator() {
        // A bare name is a file of the list's folder, and is saved as one.
        QCOMPARE(
            read("a.mp3\r\n\r\n   \r\nMusic/a.mp3\r\n/music/\r\n/a.mp3", true),
            (Cells{
                {"a.mp3", "."}, {"   ", "."}, {"a.mp3", "Music"}, {"", "/music"}, {"a.mp3", ""}}));
        PlaylistGrid g(u'/');
        QVERIFY(ReadPlaylist(g, file(), true) && WritePlaylist(g, file()));
        QCOMPARE(readBytes().left(9), QByteArray("./a.mp3\r\n"));
        QCOMPARE(read("C:/Music/a.mp3\r\n", true, u'\\'), (Cells{{"C:/Music/a.mp3", "."}}));
        QCOMPARE(read("C:\\Music\\a.mp3\r\nC:\\a.mp3\r\n", true, u'\\'),
                 (Cells{{"a.mp3", "C:\\Music"}, {"a.mp3", "C:"}}));
    }

    // PATH_MAX bytes at most, a bare name's "./" included: longer lines are
    // left out, also over several read chunks and as the last line.
    void pathLimit() {
        const QByteArray a(4093, 'a'), c(4094, 'c'), x(3 << 20, 'x');
        const QByteArray list = "/m/" + a + "\n/m/" + a + "b\n" + c + "\n" + c + "d\n" + x;
        QCOMPARE(read(list + "\r\n/z/1\r" + x, true), (Cells{{a, "/m"}, {c, "."}, {"1", "/z"}}));
    }

    void lineEnds() {
        QCOMPARE(read("/a/1\r\n/a/2\r/a/3\n/a/4", true),
                 (Cells{{"1", "/a"}, {"2", "/a"}, {"3", "/a"}, {"4", "/a"}}));
        QCOMPARE(read("/a/1\r\n", true), (Cells{{"1", "/a"}})); // no extra empty entry
        QCOMPARE(read("\xEF\xBB\xBF/a/1\n", true), (Cells{{"1", "/a"}}));
        QCOMPARE(read("", true), Cells{});
    }

    // A line end that falls on the boundary of a read chunk.
    void crLfAcrossChunks() {
        QByteArray big;
        while (big.size() < (1 << 20) - 30)
            big += "/music/song.mp3\r\n";
        big += QByteArray((1 << 20) - 1 - big.size(), 'x');
        big += "\r\n/z/last.mp3\r\n";
        writeBytes(big);
        PlaylistGrid g(u'/');
        QVERIFY(ReadPlaylist(g, file(), true));
        QCOMPARE(g.TextMatrix(g.Rows() - 1, 0), QStringLiteral("last.mp3"));
        QCOMPARE(g.TextMatrix(g.Rows() - 2, 1), QStringLiteral(".")); // the x line: a bare name
    }

    // A CP932 list from the program on Windows: "ソ" is 83 5C.
    void cp932Lines() {
        QCOMPARE(read("C:\\\x83\x5C\\a.mp3\r\n", true, u'\\'),
                 (Cells{{"a.mp3", QString::fromUtf8("C:\\ソ")}}));
        QCOMPARE(read("/\x83\x5C/a.mp3\r\n/\xE6\x9B\xB2/b.mp3\r\n", true),
                 (Cells{{"a.mp3", QString::fromUtf8("/ソ")}, {"b.mp3", QString::fromUtf8("/曲")}}));
        const Cells bad = read("/m/\xFF\xFE.mp3\n", true);
        QCOMPARE(bad.size(), 1);
        QCOMPARE(bad.first().second, QStringLiteral("/m"));
    }

    void writeThenReadKeepsTheCells() {
        PlaylistGrid g(u'/');
        g.AddItem(QString::fromUtf8("曲 1.mp3\t/home/u/音楽"));
        g.AddItem("b.mp3\trelative/dir");
        g.AddItem("c.mp3\t");
        QVERIFY(WritePlaylist(g, file()));
        PlaylistGrid back(u'/');
        QVERIFY(ReadPlaylist(back, file(), true));
        QCOMPARE(cells(back), cells(g));
    }

    void missingFileFails() {
        PlaylistGrid g(u'/');
        QVERIFY(!ReadPlaylist(g, file("missing.m3u"), true));
        QCOMPARE(g.Rows(), 1);
    }
};

QTEST_APPLESS_MAIN(TestM3u)
#include "tst_m3u.moc"
