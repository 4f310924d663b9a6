#include "playlist/m3u.h"
#include "playlist/playlist_grid.h"
#include "support/files.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// "File|Path" of each entry, joined by ";".
QString cells(const PlaylistGrid& g) {
    QStringList out;
    for (std::int32_t r = 1; r < g.Rows(); ++r)
        out << g.TextMatrix(r, 0) + "|" + g.TextMatrix(r, 1);
    return out.join(u';');
}

} // namespace

class TestM3u : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    const QString file = dir.filePath("list.m3u");

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("skipComments");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("entries");
        const auto row = [](const char* name, const QByteArray& bytes, bool skip, char16_t sep,
                            const QString& entries) {
            QTest::newRow(name) << bytes << skip << QChar(sep) << entries;
        };
        const QByteArray ext = "#EXTM3U\r\n#EXTINF:215,Artist - Title\r\n/music/a.mp3\r\n";
        row("comments skipped", ext, true, u'/', "a.mp3|/music");
        row("comments kept", ext, false, u'/',
            "#EXTM3U|.;#EXTINF:215,Artist - Title|.;a.mp3|/music");
        row("not a comment", " #x/y.mp3\n", true, u'/', "y.mp3| #x");
        // A bare name is a file of the list's folder.
        row("no separator", "a.mp3\r\n\r\n   \r\nMusic/a.mp3\r\n/music/\r\n/a.mp3", true, u'/',
            "a.mp3|.;   |.;a.mp3|Music;|/music;a.mp3|");
        row("another separator", "C:/Music/a.mp3\r\n", true, u'\\', "C:/Music/a.mp3|.");
        row("drives", "C:\\Music\\a.mp3\r\nC:\\a.mp3\r\n", true, u'\\', "a.mp3|C:\\Music;a.mp3|C:");
        row("line ends", "/a/1\r\n/a/2\r/a/3\n/a/4", true, u'/', "1|/a;2|/a;3|/a;4|/a");
        row("no entry after the last end", "/a/1\r\n", true, u'/', "1|/a");
        row("byte-order mark", "\xEF\xBB\xBF/a/1\n", true, u'/', "1|/a");
        row("empty", "", true, u'/', "");
        // A CP932 list from the program on Windows: "ソ" is 83 5C.
        row("CP932", "C:\\\x83\x5C\\a.mp3\r\n", true, u'\\', "a.mp3|C:\\ソ");
        row("neither", "/m/\xFF\xFE.mp3\n", true, u'/', "\uFFFD\uFFFD.mp3|/m");
        row("CP932 and UTF-8", "/\x83\x5C/a.mp3\r\n/\xE6\x9B\xB2/b.mp3\r\n", true, u'/',
            "a.mp3|/ソ;b.mp3|/曲");
        // PATH_MAX bytes at most, a bare name's "./" included: longer lines
        // are left out, also over several read chunks and as the last line.
        const QByteArray a(4093, 'a'), c(4094, 'c'), x(3 << 20, 'x');
        row("path limit",
            "/m/" + a + "\n/m/" + a + "b\n" + c + "\n" + c + "d\n" + x + "\r\n/z/1\r" + x, true,
            u'/', a + "|/m;" + c + "|.;1|/z");
        // A CR LF split between two read chunks.
        const QByteArray song = "/music/song.mp3\r\n";
        const QByteArray big = song.repeated(((1 << 20) - 30) / song.size() + 1);
        const QByteArray filler((1 << 20) - 1 - big.size(), 'x');
        row("line end across chunks", big + filler + "\r\n/z/last.mp3\r\n", true, u'/',
            QStringList(big.size() / song.size(), "song.mp3|/music").join(u';') + ";" + filler +
                "|.;last.mp3|/z");
    }
    void read() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, skipComments);
        QFETCH(QChar, sep);
        QFETCH(QString, entries);
        testfiles::writeAll(file, bytes);
        PlaylistGrid g(sep);
        QVERIFY(ReadPlaylist(g, file, skipComments));
        QCOMPARE(cells(g), entries);
        // Written and read back, the entries keep their cells.
        QVERIFY(WritePlaylist(g, file));
        PlaylistGrid back(sep);
        QVERIFY(ReadPlaylist(back, file, skipComments));
        QCOMPARE(cells(back), entries);
    }

    // Path, separator, File and CR LF a line; an old file is replaced whole.
    void write() {
        testfiles::writeAll(file, "an older and longer list file\r\n");
        PlaylistGrid g(u'\\');
        g.AddItem("a.mp3\tC:\\Music");
        QVERIFY(WritePlaylist(g, file) && !ReadPlaylist(g, dir.filePath("missing.m3u"), true));
        QCOMPARE(testfiles::readAll(file), QByteArray("C:\\Music\\a.mp3\r\n"));
        QCOMPARE(g.Rows(), 2);
    }
};

QTEST_APPLESS_MAIN(TestM3u)
#include "tst_m3u.moc"
