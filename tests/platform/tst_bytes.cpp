// Stored bytes to values and back: numbers as the settings keep them, and the
// settings file with its lines in either encoding.
#include "platform/numbers.h"
#include "platform/profile_file.h"
#include "support/files.h"

#include <QTemporaryDir>
#include <QtTest>

using testfiles::readAll;

class TestBytes : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // "text=value" pairs; no value: no number.
    void numbers() {
        const QString rows = "42=42|-15=-15|1234.5=1234|1235.5=1236|-2.5=-2|  7 =7|=|abc=|12abc=|"
                             "3000000000=|2147483647=2147483647|1e999=";
        for (const QString& row : rows.split(u'|')) {
            const QString text = row.first(row.lastIndexOf(u'=')), value = row.section(u'=', -1);
            QCOMPARE(numbers::toInt32(text).value_or(-1), value.isEmpty() ? -1 : value.toInt());
            QCOMPARE(numbers::toInt32(text).has_value(), !value.isEmpty());
        }
        QCOMPARE(numbers::roundToInt16(-1e9), -32768);
        QCOMPARE(numbers::toText(1234.5), QStringLiteral("1234.5"));
        QCOMPARE(numbers::toText(-300), QStringLiteral("-300"));
    }

    // The file before (null: none), a key of [Set], the value written (null:
    // none), the value then read and the file after (null: not checked).
    void profile_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("write");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QByteArray>("after");
        const QByteArray edited = "; mine\r\n\r\n[Other]\r\nVol=9\r\n[Set]\r\nvol=1\r\n"
                                  "  Mute = 0  \r\n\r\n[Tail]\r\nx=y";
        QByteArray vol77 = edited, repeat = edited;
        vol77.replace("vol=1", "vol=77");
        repeat.replace("  Mute = 0  \r\n", "  Mute = 0  \r\nRepeat=1\r\n");
        auto row = [](const char* name, const QByteArray& before, const char* key,
                      const QString& write, const QString& read, const QByteArray& after) {
            QTest::newRow(name) << before << QString(key) << write << read << after;
        };
        row("no file", {}, "Vol", {}, "", {});
        row("new file", {}, "Vol", "40", "40", "[Set]\nVol=40\n");
        row("new key", "[Set]\nVol=40\n", "Mute", "1", "1", "[Set]\nVol=40\nMute=1\n");
        row("any case, trimmed", "[SET]\r\nVOL =  55 \r\n", "vol", {}, "55", {});
        row("other section", "[Other]\r\nVol=55\r\n", "Vol", {}, "", {});
        row("equals signs", {}, "get", "a=b|c==d", "a=b|c==d", {});
        row("hand-edited", edited, "Vol", "77", "77", vol77);
        row("key into its section", edited, "Repeat", "1", "1", repeat);
        row("line break", "", "get", "a\nb=c", "a b=c", "[Set]\nget=a b=c\n");
        row("cp932 rewritten", "[Set]\r\nget=\x83\x5C\r\nVol=1\r\n", "Vol", "2", "2",
            "[Set]\r\nget=\xE3\x82\xBD\r\nVol=2\r\n");
        row("cp932 read", "[Set]\r\nget=*.mp3|\x83\x5C*.wav\r\n", "get", {},
            QString::fromUtf8("*.mp3|ソ*.wav"), {});
        row("utf-8", "[Set]\nk=\xE6\x9B\xB2\xF0\x9F\x8E\xB5\n", "k", {}, QString::fromUtf8("曲🎵"),
            {});
        // Not UTF-8: read as CP932; a line that is not that either stays as it is.
        row("overlong", "[Set]\nk=\xC0\xAF\n", "k", {}, QString::fromUtf8("ﾀｯ"), {});
        row("surrogate", "[Set]\nk=\xED\xA0\x80\n", "k", {}, QString::fromUtf8("\u605D\uFFFD"), {});
        row("truncated", "[Set]\nk=\xE6\x9B\n", "k", {}, QString::fromUtf8("譖"), {});
        row("beyond U+10FFFF", "[Set]\nk=\xF4\x90\x80\x80\n", "k", {},
            QString::fromUtf8("\uE33F\uFFFD\uFFFD"), {});
        row("undecodable", "[Set]\nk=a\xFF\x62\n", "Vol", "1", "1", "[Set]\nk=a\xFF\x62\nVol=1\n");
        row("byte-order mark", "\xEF\xBB\xBF[Set]\nVol=5\n", "Vol", {}, "5", {});
    }
    void profile() {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, write);
        QFETCH(QString, read);
        QFETCH(QByteArray, after);
        const QString file = dir.filePath(QTest::currentDataTag());
        if (!before.isNull())
            testfiles::writeAll(file, before);
        if (!write.isNull())
            QVERIFY(profile::writeString(file, "Set", key, write));
        QCOMPARE(profile::readString(file, "Set", key), read);
        QCOMPARE(QFile::exists(file), !before.isNull() || !write.isNull());
        if (!after.isNull())
            QCOMPARE(readAll(file), after);
    }
};

QTEST_APPLESS_MAIN(TestBytes)
#include "tst_bytes.moc"
