#include "platform/atomic_file.h"
#include "platform/settings.h"
#include "platform/settings_location.h"
#include "support/files.h"

#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testfiles::readAll;
using testfiles::writeAll;

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ini() const { return dir.filePath("Sonoquill.ini"); }

private slots:
    void init() { mIni::overrideAppPathForTesting(dir.path()); }
    void cleanup() { QFile::remove(ini()); }

    // Read once, written once: what reaches the disk, and when.
    void oneReadOneWrite() {
        writeAll(ini(), "; mine\r\n[set]\r\nVOL=40\r\n");
        QCOMPARE(mIni::ReadSetting("Set", "Vol"), QStringLiteral("40"));
        writeAll(ini(), "[Set]\r\nVol=9\r\n"); // changed behind our back: not read again
        QCOMPARE(mIni::ReadSetting("Set", "Vol"), QStringLiteral("40"));
        for (const char* key : {"Top", "Repeat", "Mute", "fTop", "Left"})
            mIni::WriteSetting(mIni::kSection, key, "1");
        QCOMPARE(readAll(ini()), QByteArray("[Set]\r\nVol=9\r\n"));
        QVERIFY(mIni::Flush());
        QCOMPARE(readAll(ini()), QByteArray("; mine\r\n[set]\r\nVOL=40\r\nTop=1\r\nRepeat=1\r\n"
                                            "Mute=1\r\nfTop=1\r\nLeft=1\r\n"));
    }

    // Beside the program only for a copy of one's own; an installed one keeps
    // them in the user's folder even where it may write beside itself (root).
    void settingsFolder_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("/usr/local/bin") << "/usr/local/bin";
        QTest::newRow("own, named usr") << "usr";
    }
    void settingsFolder() {
        QFETCH(QString, program);
        const bool own = QDir::isRelativePath(program);
        const QString folder = own ? dir.filePath(program) : program;
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(platform::settingsFolder(folder, "Sonoquill.ini", "/cfg"), own ? folder : "/cfg");
    }

    // Whatever stands there that is no settings file of ours: start-up reads
    // nothing from it and finishes, and it is never replaced.
    void notOurs_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"fifo", "device link", "oversized", "read-only"})
            QTest::newRow(kind) << QString(kind);
    }
    void notOurs() {
        QFETCH(QString, kind);
        const QByteArray path = QFile::encodeName(ini());
        if (kind == "fifo")
            QCOMPARE(mkfifo(path.constData(), 0644), 0);
        else if (kind == "device link")
            QVERIFY(QFile::link("/dev/zero", ini()));
        else
            writeAll(ini(), "[Set]\nVol=5\n");
        if (kind == "oversized")
            QCOMPARE(truncate(path.constData(), (16 << 20) + 1), 0);
        if (kind == "read-only")
            chmod(path.constData(), 0444);
        struct stat before {
        }, after{};
        lstat(path.constData(), &before);
        QCOMPARE(mIni::ReadSetting("Set", "Vol"), kind == "read-only" ? "5" : QString());
        mIni::WriteSetting("Set", "Vol", "6");
        QVERIFY(!mIni::Flush());
        lstat(path.constData(), &after);
        QVERIFY(after.st_ino == before.st_ino && after.st_size == before.st_size);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files | QDir::System).size(), 1);
    }

    // Leftovers of killed writers go at start; a file another copy writes at
    // that moment and names not ours stay.
    void staleTemporariesRemovedAtStart() {
        // No process has so large an id.
        const QString stale = dir.filePath(".Sonoquill.m3u~sonoquill-1073741823-a1B2c3");
        const QString foreign = dir.filePath("Sonoquill.m3u.a1B2c3");
        for (const QString& f : {stale, foreign})
            writeAll(f, "x");
        const pid_t writer = fork();
        if (writer == 0) { // another copy in the middle of a Snap
            AtomicFile f(dir.filePath("Sonoquill.m3u"));
            _exit(f.open() && f.write("/a.mp3\r\n") && raise(SIGSTOP) == 0 && f.commit() ? 0 : 1);
        }
        int status = -1;
        waitpid(writer, &status, WUNTRACED);
        QCOMPARE(mIni::ReadSetting("Set", "pin"), QString()); // the start
        kill(writer, SIGCONT);
        waitpid(writer, &status, 0);
        QCOMPARE(status, 0);
        QCOMPARE(readAll(dir.filePath("Sonoquill.m3u")), QByteArray("/a.mp3\r\n"));
        QVERIFY(!QFile::exists(stale));
        QVERIFY(QFile::remove(foreign));
        QFile::remove(dir.filePath("Sonoquill.m3u"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
