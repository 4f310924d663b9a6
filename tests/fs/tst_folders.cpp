// One tree of files, folders and links, listed, searched and walked.
#include "fs/file_search.h"
#include "fs/folder_walk.h"
#include "fs/path_helpers.h"
#include "fs/wildcard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

class TestFolders : public QObject {
    Q_OBJECT
    QTemporaryDir fixture;
    QString root, oldCurrent;
    static std::int64_t rows240(std::int32_t) { return 240; }

private slots:
    void initTestCase() {
        root = fixture.path();
        QDir d(root);
        for (const char* n : {"b.mp3", "A.MP3", "c.wma", "d.wav", "e.avi", ".hidden.mp3", "x.jpeg"})
            QFile(d.filePath(n)).open(QIODevice::WriteOnly);
        for (const char* n : {"folder.mp3", "Sub/B1", ".hid", "zz"})
            d.mkpath(n);
        QFile::link(d.filePath("c.wma"), d.filePath("linked.wma"));
        QFile::link(d.filePath("nowhere"), d.filePath("dangling"));
        QFile::link(root, d.filePath("Sub/B1/up"));            // back to an ancestor
        QFile::link(d.filePath("zz"), d.filePath("Sub/toZz")); // reached first through the link
        oldCurrent = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(oldCurrent); }

    // What each sees of the tree ("~"): the listing in name order without
    // regard to case; the search pattern by pattern, never hidden files or
    // folders; the walk depth-first, hidden folders too, nothing entered twice.
    void tree_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("seen");
        auto row = [](const char* kind, const char* path, const char* filter, const char* seen) {
            QTest::addRow("%s '%s' %s", kind, path, filter) << kind << path << filter << seen;
        };
        row("list", "", "",
            ".hid/D .hidden.mp3/F A.MP3/F b.mp3/F c.wma/F d.wav/F dangling/O e.avi/F "
            "folder.mp3/D linked.wma/F Sub/D x.jpeg/F zz/D");
        row("list", "/missing", "", "");
        row("search", "", "*.wma|*.mp3", "c.wma linked.wma A.MP3 b.mp3");
        row("search", "", "*.mp3|*.*",
            "A.MP3 b.mp3 A.MP3 b.mp3 c.wma d.wav e.avi linked.wma x.jpeg");
        row("search", "", "", "");
        row("search", "", "*.mp3||*.avi", "A.MP3 b.mp3");
        row("search", "", " |*.mp3", "");
        row("search", "", " *.mp3", ""); // the pattern keeps its spaces
        row("search", "/", "*.avi", "e.avi");
        row("search", "/missing", "*.mp3", "");
        row("search", "/long", "*.mp3", "failed"); // the listing itself fails
        const char* all = "~/.hid ~/folder.mp3 ~/Sub ~/Sub/B1 ~/Sub/toZz";
        row("walk", "", "", qPrintable(QString("5: ~ ") + all));
        row("walk", "/", "", qPrintable(QString("5: ~/ ") + all));
        row("walk", "/b.mp3", "", "0: ~/b.mp3");
        row("walk", "/missing", "", "-1: ");
        row("walk", "/dangling", "", "-1: ");
    }
    void tree() {
        QFETCH(QString, kind);
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QFETCH(QString, seen);
        QStringList got;
        if (path == "/long")
            path += QString(300, u'x');
        if (kind == "list") {
            for (const auto& e : dirlist::list(root + path))
                got << e.name + u'/' + "FDO"[int(e.kind)];
        } else if (kind == "search") {
            clsFileSearch s;
            s.setSearchPath(root + path);
            s.setFilter(filter);
            if (!s.Search())
                got << "failed";
            for (std::int32_t i = 0; i < s.FileCount(); ++i)
                got << s.FileName(i);
            if (s.FileCount() == 0)
                QCOMPARE(s.FileName(0), QString()); // one empty name, nothing after it
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(std::max(1, s.FileCount())));
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(-1));
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, clsFileSearch().FileName(0));
        } else {
            Search2::FolderWalk w;
            const int result = w.ListFolders(root + path);
            got << QString::number(result) + u':';
            for (const QString& f : w.FolderList)
                got << QString(f).replace(root, "~");
            QCOMPARE(w.FolderCount, result + 1);
            if (result > 0)
                QCOMPARE(QDir::currentPath(), QDir(root).canonicalPath());
        }
        QCOMPARE(got.join(' '), seen);
    }

    // "pattern name" pairs. One character for one: a capital of two letters
    // is no match.
    void wildcards() {
        const QString match =
            QString::fromUtf8("*.mp3 Song.MP3|?.mp3 a.mp3|*a*b* xxaYYbzz|*.* "
                              "README|* |?.MP3 \u0587.mp3|ı.mp3 I.MP3|été.* ÉTÉ.wav");
        const QString mismatch = QString::fromUtf8("?.mp3 ab.mp3|*.mp3 a.mp3x|*.mpeg x.jpeg| "
                                                   "a|straße.mp3 STRASSE.mp3");
        for (const QString& list : {match, mismatch})
            for (const QString& pair : list.split(u'|'))
                QVERIFY2(wildcard::match(pair.section(u' ', 0, 0), pair.section(u' ', 1)) ==
                             (list == match),
                         qPrintable(pair));
    }

    // Separator, then "path|file|folder".
    void split() {
        for (const char* row : {"\\C:\\Music\\a.mp3|a.mp3|C:\\Music", "\\C:\\a.mp3|a.mp3|C:",
                                "\\C:\\Music\\||C:\\Music", "\\a.mp3||", "\\C:/Music/a.mp3||",
                                "\\||", "//home/u/a.mp3|a.mp3|/home/u", "//a.mp3|a.mp3|",
                                "//home/u/||/home/u", "//m/a\\b.mp3|a\\b.mp3|/m"}) {
            const QStringList r = QString(row).sliced(1).split(u'|');
            const QChar sep = QChar(QLatin1Char(row[0]));
            QCOMPARE(mFile::GetFileName(r[0], sep), r[1]);
            QCOMPARE(mFile::GetFolder(r[0], sep), r[2]);
        }
    }

    // Rows of 240 in a grid 1000 high: the running sum reaches it at row 4,
    // and a sum equal to the height does not fit.
    void helpers() {
        QCOMPARE(mFile::GetLongPath(root + "/b.mp3"), root + "/b.mp3");
        QCOMPARE(mFile::GetLongPath(root + "/none.mp3"), QString());
        QVERIFY(mFile::FileExists(root + "/b.mp3"));
        QVERIFY(!mFile::FileExists(root + "/none.mp3"));
        QVERIFY(!mFile::FileExists(root + "/zz")); // a folder is no file
        QDir::setCurrent(root);
        QVERIFY(mFile::FileExists("b.mp3")); // a bare name: the current folder too
        QCOMPARE(mCode::VisibleRows(10, 1, 1000, rows240), 2);
        QCOMPARE(mCode::VisibleRows(3, 1, 1000, rows240), 3);
        QCOMPARE(mCode::VisibleRows(10, 1, 960, rows240), 1);
        QCOMPARE(Search2::TrimNull(QString("ab") + QChar(u'\0') + "cd"), QStringLiteral("ab"));
    }
};

QTEST_APPLESS_MAIN(TestFolders)
#include "tst_folders.moc"
