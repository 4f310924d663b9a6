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
#include <tuple>

class TestFolders : public QObject {
    Q_OBJECT
    QTemporaryDir tree;
    QString root, oldCurrent;

private slots:
    void initTestCase() {
        root = tree.path();
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

    // Name order without regard to case; links followed.
    void listing() {
        QStringList names, kinds;
        for (const auto& e : dirlist::list(root)) {
            names << e.name;
            kinds << QString("FDO"[int(e.kind)]) + (e.hidden ? "h" : "");
        }
        QCOMPARE(names, QString(".hid .hidden.mp3 A.MP3 b.mp3 c.wma d.wav dangling e.avi "
                                "folder.mp3 linked.wma Sub x.jpeg zz")
                            .split(' '));
        QCOMPARE(kinds.join(' '), QStringLiteral("Dh Fh F F F F O F D F D F D"));
        int error = 0;
        QVERIFY(dirlist::list(root + "/missing", &error).empty());
        QCOMPARE(error, ENOENT);
    }

    void search_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("names");
        QTest::addColumn<bool>("ran");
        auto row = [](const char* folder, const char* filter, const char* names, bool ran = true) {
            QTest::addRow("%s in '%s'", filter, folder) << folder << filter << names << ran;
        };
        // Pattern by pattern; hidden files and folders never; links to files count.
        row("", "*.wma|*.mp3", "c.wma linked.wma A.MP3 b.mp3");
        row("", "*.mp3|*.*", "A.MP3 b.mp3 A.MP3 b.mp3 c.wma d.wav e.avi linked.wma x.jpeg");
        row("", "", "");
        row("", "*.mp3||*.avi", "A.MP3 b.mp3");
        row("", " |*.mp3", "");
        row("", " *.mp3", ""); // the pattern keeps its spaces
        row("/", "*.avi", "e.avi");
        row("/missing", "*.mp3", "");
        row("/long", "*.mp3", "", false);
    }
    void search() {
        QFETCH(QString, folder);
        QFETCH(QString, filter);
        QFETCH(QString, names);
        QFETCH(bool, ran);
        clsFileSearch s;
        s.setSearchPath(root + (folder == "/long" ? "/" + QString(300, u'x') : folder));
        s.setFilter(filter);
        QCOMPARE(s.Search(), ran);
        QStringList found;
        for (std::int32_t i = 0; i < s.FileCount(); ++i)
            found << s.FileName(i);
        QCOMPARE(found.join(' '), names);
        if (found.isEmpty()) { // one empty name, nothing after it
            QCOMPARE(s.FileName(0), QString());
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(1));
        }
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(-1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, clsFileSearch().FileName(0));
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

    // Depth-first pre-order in name order, hidden folders included; nothing
    // entered twice, so the link back to the top ends the walk.
    void walk_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("below");
        const QStringList all{".hid", "folder.mp3", "Sub", "Sub/B1", "Sub/toZz"};
        QTest::newRow("tree") << "" << 5 << all;
        QTest::newRow("trailing separator") << "/" << 5 << all;
        QTest::newRow("file") << "/b.mp3" << 0 << QStringList();
        QTest::newRow("missing") << "/missing" << -1 << QStringList();
        QTest::newRow("dangling link") << "/dangling" << -1 << QStringList();
    }
    void walk() {
        QFETCH(QString, path);
        QFETCH(int, result);
        QFETCH(QStringList, below);
        Search2::FolderWalk w;
        QCOMPARE(w.ListFolders(root + path), result);
        std::vector<QString> expected{result < 0 ? QString() : root + path};
        for (const QString& b : below)
            expected.push_back(root + "/" + b);
        QCOMPARE(w.FolderList, expected);
        QCOMPARE(w.FolderCount, result + 1);
        if (!below.isEmpty())
            QCOMPARE(QDir::currentPath(), QDir(root).canonicalPath());
        QCOMPARE(Search2::TrimNull(QString("ab") + QChar(u'\0') + "cd"), QStringLiteral("ab"));
    }

    // "path|file|folder" with the given separator; the platform's by default.
    void split() {
        for (const char* row : {"\\C:\\Music\\a.mp3|a.mp3|C:\\Music", "\\C:\\a.mp3|a.mp3|C:",
                                "\\C:\\Music\\||C:\\Music", "\\a.mp3||", "\\C:/Music/a.mp3||",
                                "\\||", "//home/u/a.mp3|a.mp3|/home/u", "//a.mp3|a.mp3|",
                                "//home/u/||/home/u", "//m/a\\b.mp3|a\\b.mp3|/m"}) {
            const QStringList r = QString(row).sliced(1).split(u'|');
            const QChar sep = QChar(QLatin1Char(row[0]));
            QCOMPARE(mFile::GetFileName(r[0], sep), r[1]);
            QCOMPARE(mFile::GetFolder(r[0], sep), r[2]);
            if (sep == u'/') {
                QCOMPARE(mFile::GetFileName(r[0]), r[1]);
                QCOMPARE(mFile::GetFolder(r[0]), r[2]);
            }
        }
    }

    void filesFound() {
        QCOMPARE(mFile::GetLongPath(root + "/b.mp3"), root + "/b.mp3");
        QCOMPARE(mFile::GetLongPath(root), root);
        QCOMPARE(mFile::GetLongPath(root + "/none.mp3"), QString());
        QCOMPARE(mFile::GetLongPath(""), QString());
        QVERIFY(mFile::FileExists(root + "/b.mp3"));
        QVERIFY(!mFile::FileExists(root + "/none.mp3"));
        QVERIFY(!mFile::FileExists(root + "/zz")); // a folder is no file
        QDir::setCurrent(root);
        QVERIFY(mFile::FileExists("b.mp3")); // a bare name: the current folder too
        QVERIFY(!mFile::FileExists("none.mp3"));
        QVERIFY(!mFile::FileExists(""));
    }

    // Rows of 240 in a grid 1000 high: the running sum reaches it at row 4.
    void visibleRows() {
        auto rows240 = [](std::int32_t) -> std::int64_t {
            return 240;
        };
        QCOMPARE(mCode::VisibleRows(10, 1, 1000, rows240), 2);
        QCOMPARE(mCode::VisibleRows(3, 1, 1000, rows240), 3);
        QCOMPARE(mCode::VisibleRows(0, 1, 1000, rows240), 0);
        QCOMPARE(mCode::VisibleRows(10, 1, 960, rows240), 1); // equal does not fit
    }
};

QTEST_APPLESS_MAIN(TestFolders)
#include "tst_folders.moc"
