#include "platform/profile_file.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using testfiles::readAll;
using testfiles::writeAll;

class TestProfileFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString file() const { return dir.filePath("s.ini"); }

private slots:
    void init() { QFile::remove(file()); }

    void missingFileReadsEmpty() {
        QCOMPARE(profile::readString(file(), "Set", "Vol"), QString());
        QVERIFY(!QFile::exists(file()));
    }

    void writeCreatesFileSectionAndKey() {
        QVERIFY(profile::writeString(file(), "Set", "Vol", "40"));
        QCOMPARE(readAll(file()), QByteArray("[Set]\n"
                                             "Vol=40\n"));
        QVERIFY(profile::writeString(file(), "Set", "Mute", "1"));
        QCOMPARE(readAll(file()), QByteArray("[Set]\n"
                                             "Vol=40\n"
                                             "Mute=1\n"));
        QCOMPARE(profile::readString(file(), "Set", "Mute"), QStringLiteral("1"));
    }

    void namesMatchWithoutCaseValuesTrimmed() {
        writeAll(file(), "[SET]\r\nVOL =  55 \r\n");
        QCOMPARE(profile::readString(file(), "Set", "Vol"), QStringLiteral("55"));
        QCOMPARE(profile::readString(file(), "set", "vol"), QStringLiteral("55"));
        QCOMPARE(profile::readString(file(), "Other", "Vol"), QString());
    }

    void valueKeepsEqualsSigns() {
        QVERIFY(profile::writeString(file(), "Set", "get", "a=b|c==d"));
        QCOMPARE(profile::readString(file(), "Set", "get"), QStringLiteral("a=b|c==d"));
    }

    void longValueComesBackWhole() {
        const QString value = QString("*.mp3|").repeated(100);
        QVERIFY(profile::writeString(file(), "Set", "get", value));
        QCOMPARE(profile::readString(file(), "Set", "get"), value);
    }

    // A hand-edited file: comments, blank lines, other sections, CR LF ends and
    // a last line without an end all survive a write of one key.
    void otherLinesKeptByteForByte() {
        const QByteArray before = "; my settings\r\n"
                                  "\r\n"
                                  "[Other]\r\n"
                                  "Vol=9\r\n"
                                  "[Set]\r\n"
                                  "vol=1\r\n"
                                  "  Mute = 0  \r\n"
                                  "\r\n"
                                  "[Tail]\r\n"
                                  "x=y";
        writeAll(file(), before);
        QVERIFY(profile::writeString(file(), "Set", "Vol", "77"));
        QByteArray expected = before;
        expected.replace("vol=1", "vol=77");
        QCOMPARE(readAll(file()), expected);

        QVERIFY(profile::writeString(file(), "Set", "Repeat", "1"));
        expected.replace("  Mute = 0  \r\n", "  Mute = 0  \r\nRepeat=1\r\n");
        QCOMPARE(readAll(file()), expected);
        QCOMPARE(profile::readString(file(), "Other", "Vol"), QStringLiteral("9"));
    }

    void valueWithLineBreakStaysOneLine() {
        QVERIFY(profile::writeString(file(), "Set", "get", "a\nb=c"));
        QVERIFY(profile::writeString(file(), "Set", "Vol", "3"));
        QCOMPARE(profile::readString(file(), "Set", "get"), QStringLiteral("a b=c"));
        QCOMPARE(profile::readString(file(), "Set", "b"), QString());
    }

    // A settings file written on a Japanese Windows system is CP932.
    void cp932FileReadAndRewrittenAsUtf8() {
        writeAll(file(), "[Set]\r\nget=*.mp3|\x83\x5C*.wav\r\nVol=1\r\n");
        QCOMPARE(profile::readString(file(), "Set", "get"), QString::fromUtf8("*.mp3|ソ*.wav"));
        QVERIFY(profile::writeString(file(), "Set", "Vol", "2"));
        QCOMPARE(readAll(file()), QByteArray("[Set]\r\nget=*.mp3|\xE3\x82\xBD*.wav\r\nVol=2\r\n"));
    }

    void bomSkipped() {
        writeAll(file(), "\xEF\xBB\xBF[Set]\nVol=5\n");
        QCOMPARE(profile::readString(file(), "Set", "Vol"), QStringLiteral("5"));
    }

    void writeGoesThroughTemporaryFile() {
        writeAll(file(), "[Set]\nVol=1\n");
        struct stat before {};
        QCOMPARE(stat(QFile::encodeName(file()).constData(), &before), 0);
        QVERIFY(profile::writeString(file(), "Set", "Vol", "2"));
        struct stat after {};
        QCOMPARE(stat(QFile::encodeName(file()).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino); // renamed over, not rewritten in place
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"s.ini"});
    }
};

QTEST_APPLESS_MAIN(TestProfileFile)
#include "tst_profile_file.moc"
