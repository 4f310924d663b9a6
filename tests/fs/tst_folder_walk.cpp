#include "fs/folder_walk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestFolderWalk : public QObject {
    Q_OBJECT
    QString oldCurrent;

private slots:
    void init() { oldCurrent = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(oldCurrent); }

    void singleFolder() {
        QTemporaryDir dir;
        Search2::FolderWalk w;
        QCOMPARE(w.ListFolders(dir.path()), 0);
        QCOMPARE(w.FolderList, std::vector<QString>{dir.path()});
        QCOMPARE(QDir::currentPath(), QDir(dir.path()).canonicalPath());
    }

    // Depth-first pre-order, siblings in name order regardless of case,
    // hidden folders included, files never.
    void preOrderInNameOrder() {
        QTemporaryDir dir;
        QDir d(dir.path());
        d.mkpath("c");
        d.mkpath("B/B1");
        d.mkpath(".hid");
        QFile(d.filePath("B/a.mp3")).open(QIODevice::WriteOnly);
        Search2::FolderWalk w;
        QCOMPARE(w.ListFolders(dir.path()), 4);
        QCOMPARE(w.FolderCount, 5);
        const QString p = dir.path() + "/";
        QCOMPARE(w.FolderList,
                 (std::vector<QString>{dir.path(), p + ".hid", p + "B", p + "B/B1", p + "c"}));
    }

    void trailingSeparatorNotDoubled() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("x");
        Search2::FolderWalk w;
        QCOMPARE(w.ListFolders(dir.path() + "/"), 1);
        QCOMPARE(w.FolderList[1], dir.path() + "/x");
    }

    void fileAndMissingPath() {
        QTemporaryDir dir;
        const QString file = dir.filePath("a.txt");
        QFile(file).open(QIODevice::WriteOnly);
        Search2::FolderWalk w;
        QCOMPARE(w.ListFolders(file), 0);
        QCOMPARE(w.FolderList, std::vector<QString>{file});
        QCOMPARE(w.ListFolders(dir.filePath("missing")), -1);
        QCOMPARE(w.FolderList, std::vector<QString>{QString()});
        QCOMPARE(w.FolderCount, 0);
        QFile::link(dir.filePath("nowhere"), dir.filePath("broken"));
        QCOMPARE(w.ListFolders(dir.filePath("broken")), -1);
    }

    // Links to folders are followed, but nothing is entered twice, so a link
    // to an ancestor ends the walk instead of looping, and a folder reached
    // through a link is not listed again under its own name.
    void linkLoopEnds() {
        QTemporaryDir dir;
        QDir d(dir.path());
        d.mkpath("a/b");
        d.mkpath("other");
        QFile::link(dir.path(), d.filePath("a/b/up"));
        QFile::link(d.filePath("other"), d.filePath("a/toOther"));
        Search2::FolderWalk w;
        QCOMPARE(w.ListFolders(dir.path()), 3);
        const QString p = dir.path() + "/";
        QCOMPARE(w.FolderList,
                 (std::vector<QString>{dir.path(), p + "a", p + "a/b", p + "a/toOther"}));
    }

    void trimNull() {
        QCOMPARE(Search2::TrimNull(QString("ab") + QChar(u'\0') + "cd"), QStringLiteral("ab"));
        QCOMPARE(Search2::TrimNull("abc"), QStringLiteral("abc"));
    }
};

QTEST_APPLESS_MAIN(TestFolderWalk)
#include "tst_folder_walk.moc"
