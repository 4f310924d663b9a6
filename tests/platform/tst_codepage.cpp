#include "platform/codepage.h"

#include <QtTest>

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void utf8Validation_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ascii") << QByteArray("C:\\Music\\a.mp3") << true;
        QTest::newRow("japanese") << QByteArray("\xE6\x9B\xB2.mp3") << true;
        QTest::newRow("four-byte") << QByteArray("\xF0\x9F\x8E\xB5") << true;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("truncated") << QByteArray("\xE6\x9B") << false;
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("shift_jis") << QByteArray("\x83\x5C") << false;
    }
    void utf8Validation() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(codepage::isValidUtf8(bytes), valid);
    }

    // "ソ" in CP932 is 83 5C: its second byte is the Windows separator, and
    // must decode as part of the character.
    void cp932SecondByte5C() {
        bool ok = false;
        const QString text = codepage::decodeLine(QByteArray("C:\\\x83\x5C\\a.mp3"), &ok);
        QVERIFY(ok);
        QCOMPARE(text, QString::fromUtf8("C:\\ソ\\a.mp3"));
        QCOMPARE(text.count(u'\\'), 2);
    }

    void utf8WinsWhenValid() {
        bool ok = false;
        QCOMPARE(codepage::decodeLine(QByteArray("\xE6\x9B\xB2"), &ok), QString::fromUtf8("曲"));
        QVERIFY(ok);
    }

    void undecodableBytesReported() {
        bool ok = true;
        const QString text = codepage::decodeLine(QByteArray("a\xFF"
                                                             "b"),
                                                  &ok);
        QVERIFY(!ok);
        QVERIFY(text.startsWith(u'a'));
        QVERIFY(text.endsWith(u'b'));
    }

    void bomSkipped() {
        QCOMPARE(codepage::skipBom(QByteArray("\xEF\xBB\xBFx")).toByteArray(), QByteArray("x"));
        QCOMPARE(codepage::skipBom(QByteArray("x")).toByteArray(), QByteArray("x"));
    }
};

QTEST_APPLESS_MAIN(TestCodepage)
#include "tst_codepage.moc"
