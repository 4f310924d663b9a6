#include "fs/path_helpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPathHelpers : public QObject {
    Q_OBJECT
private slots:
    void split_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("folder");
        const QChar bs = u'\\', sl = u'/';
        QTest::newRow("win full") << "C:\\Music\\a.mp3" << bs << "a.mp3"
                                  << "C:\\Music";
        QTest::newRow("win root") << "C:\\a.mp3" << bs << "a.mp3"
                                  << "C:";
        QTest::newRow("win trailing") << "C:\\Music\\" << bs << ""
                                      << "C:\\Music";
        QTest::newRow("win bare") << "a.mp3" << bs << ""
                                  << "";
        QTest::newRow("win forward slashes") << "C:/Music/a.mp3" << bs << ""
                                             << "";
        QTest::newRow("empty") << "" << bs << ""
                               << "";
        QTest::newRow("linux full") << "/home/u/Music/a.mp3" << sl << "a.mp3"
                                    << "/home/u/Music";
        QTest::newRow("linux root") << "/a.mp3" << sl << "a.mp3"
                                    << "";
        QTest::newRow("linux trailing") << "/home/u/Music/" << sl << ""
                                        << "/home/u/Music";
        QTest::newRow("linux bare") << "a.mp3" << sl << ""
                                    << "";
        QTest::newRow("linux backslash is a name") << "/m/a\\b.mp3" << sl << "a\\b.mp3"
                                                   << "/m";
    }
    void split() {
        QFETCH(QString, path);
        QFETCH(QChar, sep);
        QFETCH(QString, file);
        QFETCH(QString, folder);
        QCOMPARE(mFile::GetFileName(path, sep), file);
        QCOMPARE(mFile::GetFolder(path, sep), folder);
        if (path.contains(sep))
            QCOMPARE(mFile::GetFolder(path, sep) + sep + mFile::GetFileName(path, sep), path);
    }

    void defaultSeparatorIsThePlatforms() {
        QCOMPARE(mFile::GetFileName("/home/u/a.mp3"), QStringLiteral("a.mp3"));
        QCOMPARE(mFile::GetFolder("/home/u/a.mp3"), QStringLiteral("/home/u"));
    }

    void reverseSearch() {
        QCOMPARE(mFile::ReverseString("abc"), QStringLiteral("cba"));
        QCOMPARE(mFile::ReverseString(""), QString());
        QCOMPARE(mFile::InStrFromEnd(1, "abcabc", "b"), 2);
        QCOMPARE(mFile::InStrFromEnd(1, "abcabc", "x"), 0);
        QCOMPARE(mFile::InStrFromEnd(3, "abcabc", "b"), 5);
        QCOMPARE(mFile::InStrFromEnd(1, "abcABC", "b", mFile::Compare::Text), 2);
        QCOMPARE(mFile::InStrFromEnd(1, "abcABC", "b", mFile::Compare::Binary), 5);
        QCOMPARE(mFile::InStrFromEnd(1, "abcab", "ab"), 1);
    }

    void longPath() {
        QTemporaryDir dir;
        const QString file = dir.filePath("Song Name.mp3");
        QFile(file).open(QIODevice::WriteOnly);
        QCOMPARE(mFile::GetLongPath(file), file);
        QCOMPARE(mFile::GetLongPath(dir.path()), dir.path());
        QCOMPARE(mFile::GetLongPath(dir.filePath("missing.mp3")), QString());
        QCOMPARE(mFile::GetLongPath(""), QString());
    }

    void fileExists() {
        QTemporaryDir dir;
        QFile(dir.filePath("list.m3u")).open(QIODevice::WriteOnly);
        QVERIFY(mFile::FileExists(dir.filePath("list.m3u")));
        QVERIFY(!mFile::FileExists(dir.filePath("none.m3u")));
        QVERIFY(!mFile::FileExists(dir.path())); // a folder is no file
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QVERIFY(mFile::FileExists("list.m3u")); // found in the current folder
        QVERIFY(!mFile::FileExists("none.m3u"));
        QDir::setCurrent(old);
        QVERIFY(!mFile::FileExists(""));
    }

    void visibleRows() {
        auto rows240 = [](std::int32_t) -> std::int64_t {
            return 240;
        };
        QCOMPARE(mCode::VisibleRows(10, 1, 1000, rows240), 2);
        QCOMPARE(mCode::VisibleRows(3, 1, 1000, rows240), 3);
        QCOMPARE(mCode::VisibleRows(0, 1, 1000, rows240), 0);
        // A running sum exactly equal to the height does not fit.
        QCOMPARE(mCode::VisibleRows(10, 1, 960, rows240), 1);
        QCOMPARE(mCode::VisibleRows(1000000, 1, 1000, rows240), 2);
    }
};

QTEST_APPLESS_MAIN(TestPathHelpers)
#include "tst_path_helpers.moc"
