#include "platform/dir_listing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestDirListing : public QObject {
    Q_OBJECT
private slots:
    void sortedWithoutCaseAndTyped() {
        QTemporaryDir dir;
        QDir d(dir.path());
        for (const char* name : {"b.mp3", "A.mp3", "c.MP3", ".hidden"})
            QFile(d.filePath(name)).open(QIODevice::WriteOnly);
        d.mkdir("Sub");
        QFile::link(d.filePath("b.mp3"), d.filePath("link.mp3"));
        QFile::link(d.filePath("Sub"), d.filePath("linkdir"));
        QFile::link(d.filePath("nowhere"), d.filePath("dangling"));

        const auto entries = dirlist::list(dir.path());
        QStringList names;
        for (const auto& e : entries)
            names << e.name;
        QCOMPARE(names, (QStringList{".hidden", "A.mp3", "b.mp3", "c.MP3", "dangling", "link.mp3",
                                     "linkdir", "Sub"}));
        QVERIFY(entries[0].hidden);
        QCOMPARE(entries[4].kind, dirlist::Kind::Other);
        QCOMPARE(entries[5].kind, dirlist::Kind::File);
        QCOMPARE(entries[6].kind, dirlist::Kind::Folder);
        QCOMPARE(entries[7].kind, dirlist::Kind::Folder);
    }

    void missingFolderReportsError() {
        int error = 0;
        QVERIFY(dirlist::list("/nonexistent/folder", &error).empty());
        QCOMPARE(error, ENOENT);
    }
};

QTEST_APPLESS_MAIN(TestDirListing)
#include "tst_dir_listing.moc"
