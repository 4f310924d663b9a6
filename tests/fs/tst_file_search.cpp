#include "fs/file_search.h"
#include "fs/wildcard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

QStringList results(clsFileSearch& s) {
    QStringList names;
    for (std::int32_t i = 0; i < s.FileCount(); ++i)
        names << s.FileName(i);
    return names;
}

QStringList search(const QString& folder, const QString& filter, bool* ran = nullptr) {
    clsFileSearch s;
    s.setSearchPath(folder);
    s.setFilter(filter);
    const bool r = s.Search();
    if (ran)
        *ran = r;
    return results(s);
}

} // namespace

class TestFileSearch : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QDir d(dir.path());
        for (const char* n : {"b.mp3", "A.MP3", "c.wma", "d.wav", "e.avi", ".hidden.mp3", "x.jpeg"})
            QFile(d.filePath(n)).open(QIODevice::WriteOnly);
        d.mkdir("folder.mp3");
        QFile::link(d.filePath("c.wma"), d.filePath("linked.wma"));
    }

    void filterItems() {
        QCOMPARE(GetFilterItem("*.mp3|*.avi", 1), QStringLiteral("*.mp3"));
        QCOMPARE(GetFilterItem("*.mp3|*.avi", 2), QStringLiteral("*.avi"));
        QCOMPARE(GetFilterItem("*.mp3|*.avi", 3), QString());
        QCOMPARE(GetFilterItem("*.mp3||*.avi", 2), QString());
        QCOMPARE(GetFilterItem("*.mp3||*.avi", 3), QStringLiteral("*.avi"));
        QCOMPARE(GetFilterItem("", 1), QString());
        QCOMPARE(GetFilterItem("a|", 2), QString());
    }

    void wildcards() {
        QVERIFY(wildcard::match(u"*.mp3", u"Song.MP3"));
        QVERIFY(wildcard::match(u"?.mp3", u"a.mp3"));
        QVERIFY(!wildcard::match(u"?.mp3", u"ab.mp3"));
        QVERIFY(!wildcard::match(u"*.mp3", u"a.mp3x"));
        QVERIFY(wildcard::match(u"*a*b*", u"xxaYYbzz"));
        QVERIFY(wildcard::match(u"*.*", u"README"));
        QVERIFY(!wildcard::match(u"*.mpeg", u"x.jpeg"));
        QVERIFY(wildcard::match(u"*", u""));
        QVERIFY(!wildcard::match(u"", u"a"));
        // Case one character for one: "?" still matches a character whose
        // capital is two letters, and a name typed in capitals matches alike.
        QVERIFY(wildcard::match(u"?.MP3", u"\u0587.mp3"));
        QVERIFY(wildcard::match(u"\u0131.mp3", u"I.MP3"));
        QVERIFY(wildcard::match(u"\u00E9t\u00E9.*", u"\u00C9T\u00C9.wav"));
        QVERIFY(!wildcard::match(u"stra\u00DFe.mp3", u"STRASSE.mp3"));
    }

    // All matches of the first pattern, then those of the second; hidden
    // files and folders never; a link to a file counts as a file.
    void patternOrderAndKinds() {
        QCOMPARE(search(dir.path(), "*.wma|*.mp3"),
                 (QStringList{"c.wma", "linked.wma", "A.MP3", "b.mp3"}));
    }

    void fileMatchingTwoPatternsListedTwice() {
        QCOMPARE(search(dir.path(), "*.mp3|*.*"),
                 (QStringList{"A.MP3", "b.mp3", "A.MP3", "b.mp3", "c.wma", "d.wav", "e.avi",
                              "linked.wma", "x.jpeg"}));
    }

    void emptyItemsStopTheSearch() {
        bool ran = false;
        QCOMPARE(search(dir.path(), "", &ran), QStringList());
        QVERIFY(ran);
        QCOMPARE(search(dir.path(), "*.mp3||*.avi"), (QStringList{"A.MP3", "b.mp3"}));
        QCOMPARE(search(dir.path(), " |*.mp3"), QStringList());
        // The pattern itself keeps its spaces.
        QCOMPARE(search(dir.path(), " *.mp3"), QStringList());
    }

    void trailingSeparatorMakesNoDifference() {
        QCOMPARE(search(dir.path() + "/", "*.avi"), QStringList{"e.avi"});
        QCOMPARE(search(dir.path(), "*.avi"), QStringList{"e.avi"});
    }

    void missingFolderIsNoError() {
        bool ran = false;
        QCOMPARE(search(dir.filePath("missing"), "*.mp3", &ran), QStringList());
        QVERIFY(ran);
    }

    void resultListProtocol() {
        clsFileSearch s;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(0));
        s.setSearchPath(dir.path());
        s.setFilter("*.none");
        QVERIFY(s.Search());
        QCOMPARE(s.FileCount(), 0);
        QCOMPARE(s.FileName(0), QString());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(-1));
        s.setFilter("*.avi");
        QVERIFY(s.Search());
        QCOMPARE(s.FileCount(), 1);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.FileName(1));
        QCOMPARE(s.ErrorInfo(), QString());
    }

    void listingErrorReported() {
        clsFileSearch s;
        s.setSearchPath(dir.path() + "/" + QString(300, u'x'));
        s.setFilter("*.mp3");
        QVERIFY(!s.Search());
        QCOMPARE(s.FileCount(), 0);
        QVERIFY(!s.ErrorInfo().isEmpty());
        QCOMPARE(s.FileName(0), QString());
    }
};

QTEST_APPLESS_MAIN(TestFileSearch)
#include "tst_file_search.moc"
