#include "platform/numbers.h"
#include "platform/twips.h"

#include <QtTest>

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void toInt32_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "42" << true << 42;
        QTest::newRow("negative") << "-15" << true << -15;
        QTest::newRow("half down to even") << "1234.5" << true << 1234;
        QTest::newRow("half up to even") << "1235.5" << true << 1236;
        QTest::newRow("negative half") << "-2.5" << true << -2;
        QTest::newRow("blanks") << "  7 " << true << 7;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("word") << "abc" << false << 0;
        QTest::newRow("trailing junk") << "12abc" << false << 0;
        QTest::newRow("too large") << "3000000000" << false << 0;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("infinity") << "1e999" << false << 0;
    }
    void toInt32() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const auto r = numbers::toInt32(text);
        QCOMPARE(r.has_value(), ok);
        if (ok)
            QCOMPARE(*r, value);
    }

    void sixteenBitRounding() {
        QCOMPARE(numbers::roundToInt16(286.5), 286);
        QCOMPARE(numbers::roundToInt16(287.5), 288);
        QCOMPARE(numbers::roundToInt16(1e9), 32767);
        QCOMPARE(numbers::roundToInt16(-1e9), -32768);
    }

    // The topmost call of a window at 1500, 750, 4300 x 4765 twips.
    void twipsToPixels() {
        const double tpp = twips::perPixel(96);
        QCOMPARE(tpp, 15.0);
        QCOMPARE(twips::toPixels(1500, tpp), 100);
        QCOMPARE(twips::toPixels(750, tpp), 50);
        QCOMPARE(twips::toPixels(4300, tpp), 287);
        QCOMPARE(twips::toPixels(4765, tpp), 318);
        QCOMPARE(twips::perPixel(192), 7.5);
    }

    void textRoundTrips() {
        QCOMPARE(numbers::toText(1234.5), QStringLiteral("1234.5"));
        QCOMPARE(numbers::toText(-300), QStringLiteral("-300"));
        QCOMPARE(numbers::toText(0), QStringLiteral("0"));
    }
};

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
