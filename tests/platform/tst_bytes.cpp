// Stored bytes to values and back: text lines in either encoding, numbers as
// the settings keep them, and the settings file itself.
#include "platform/codepage.h"
#include "platform/numbers.h"
#include "platform/profile_file.h"
#include "platform/twips.h"
#include "support/files.h"

#include <QTemporaryDir>
#include <QtTest>

using testfiles::readAll;

class TestBytes : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // A null text: only the validity is checked.
    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, const QByteArray& b, bool utf8, const QString& text) {
            QTest::newRow(name) << b << utf8 << text;
        };
        row("ascii", "C:\\Music\\a.mp3", true, "C:\\Music\\a.mp3");
        row("utf-8", "\xE6\x9B\xB2", true, QString::fromUtf8("曲"));
        row("four bytes", "\xF0\x9F\x8E\xB5", true, QString::fromUtf8("\U0001F3B5"));
        // CP932's "ソ" ends in the Windows separator's byte: one character.
        row("cp932 5C", "C:\\\x83\x5C\\a.mp3", false, QString::fromUtf8("C:\\ソ\\a.mp3"));
        row("overlong", "\xC0\xAF", false, {});
        row("surrogate", "\xED\xA0\x80", false, {});
        row("truncated", "\xE6\x9B", false, {});
        row("beyond U+10FFFF", "\xF4\x90\x80\x80", false, {});
        row("undecodable", "a\xFF\x62", false, QString::fromUtf8("a\uFFFDb"));
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, utf8);
        QFETCH(QString, text);
        QCOMPARE(codepage::isValidUtf8(bytes), utf8);
        bool ok = false;
        const QString got = codepage::decodeLine(bytes, &ok);
        if (!text.isNull()) {
            QCOMPARE(got, text);
            QCOMPARE(ok, !text.contains(QChar::ReplacementCharacter));
        }
    }

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
        // A window at 4300 x 4765 twips on a 96 dpi screen.
        QCOMPARE(twips::toPixels(4300, twips::perPixel(96)), 287);
        QCOMPARE(twips::toPixels(4765, twips::perPixel(96)), 318);
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
