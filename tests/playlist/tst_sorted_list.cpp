#include "playlist/sorted_list.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <numeric>
#include <string>

namespace {

// Characters whose folding is the hard part: ASCII case pairs and neighbours
// of the letters ('_' lies between the capitals and the small letters),
// two- three- and four-byte characters, letters folding to a character of
// another length (the Kelvin sign to "k"), several capitals of one letter
// (Σ σ ς) and characters without case.
const char32_t kAlphabet[] = {u'a',  u'A',  u'b',  u'K',  u'k',   u'z',   u'Z',   u'_',   u'/',
                              u'0',  u'9',  u' ',  0xE9,  0xC9,   0xDF,   0x1E9E, 0x212A, 0x3A3,
                              0x3C3, 0x3C2, 0x131, 0x130, 0x65E5, 0x672C, 0x1F600};

QStringList randomItems(int count, quint32 seed) {
    QRandomGenerator random(seed);
    QStringList out;
    // Shared prefixes, as paths in one folder have.
    const QStringList prefixes = {QString(), QStringLiteral("/music/"), QStringLiteral("/Music/"),
                                  QStringLiteral("/music/日本/")};
    for (int i = 0; i < count; ++i) {
        QString s = prefixes[random.bounded(prefixes.size())];
        const int length = random.bounded(12);
        for (int k = 0; k < length; ++k) {
            const char32_t c = kAlphabet[random.bounded(int(std::size(kAlphabet)))];
            s += QString::fromUcs4(&c, 1);
        }
        out << s;
    }
    return out;
}

// The order the list must give in the C locale: code points of the folded
// texts, ties in the order of addition.
QStringList foldedOrder(const QStringList& items) {
    std::vector<std::string> keys;
    for (const QString& s : items)
        keys.push_back(s.toCaseFolded().toStdString());
    std::vector<int> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    QStringList out;
    for (int i : order)
        out << items[i];
    return out;
}

QStringList listed(const SortedList& l) {
    QStringList out;
    for (std::int32_t i = 0; i < l.ListCount(); ++i)
        out << l.List(i);
    return out;
}

SortedList filled(const QStringList& items) {
    SortedList l;
    for (const QString& s : items)
        l.AddItem(s);
    return l;
}

} // namespace

class TestSortedList : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void basics() {
        SortedList l = filled({"D:/b/x.mp3", "C:/z/a.mp3", "c:/a/B.mp3"});
        QCOMPARE(l.ListCount(), 3);
        QCOMPARE(listed(l), QStringList({"c:/a/B.mp3", "C:/z/a.mp3", "D:/b/x.mp3"}));
        QCOMPARE(l.List(-1), QString());
        QCOMPARE(l.List(3), QString());
        l.AddItem("a"); // added after reading: sorted in on the next read
        QCOMPARE(l.List(0), QStringLiteral("a"));
        l.addUtf8Item("\xc3\xa9"); // é, after every ASCII letter
        QCOMPARE(l.List(4), QStringLiteral("é"));
        QCOMPARE(l.listUtf8(4), QByteArrayView("\xc3\xa9"));
        l.Clear();
        QCOMPARE(l.ListCount(), 0);
        QCOMPARE(l.List(0), QString());
    }

    // In the C locale: by code point of the folded text, stable; the large
    // case is sorted in two halves at once and merged.
    void codePointOrder_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("small") << 2000;
        QTest::newRow("in two halves") << 100000;
    }
    void codePointOrder() {
        QFETCH(int, count);
        QLocale::setDefault(QLocale::c());
        const QStringList items = randomItems(count, 7u + static_cast<quint32>(count));
        QCOMPARE(listed(filled(items)), foldedOrder(items));
    }

    void codePointOrderEdges() {
        QLocale::setDefault(QLocale::c());
        // "_" sorts before letters once they are folded to small ones; the
        // Kelvin sign is a "k" three bytes long; a prefix comes first.
        QCOMPARE(listed(filled({"b", "_", "B", "a", "\u212Ab", "ka", "k", ""})),
                 QStringList({"", "_", "a", "b", "B", "k", "ka", "\u212Ab"}));
        QCOMPARE(listed(filled({"ΣA", "σa", "ςb", "Σ"})), QStringList({"Σ", "ΣA", "σa", "ςb"}));
    }

    // Items are bytes as given: malformed UTF-8 (which a list never holds)
    // still sorts, and ends.
    void malformedText() {
        QLocale::setDefault(QLocale::c());
        SortedList l;
        for (const char* s : {"\xE0\x81y", "\xE0\x80x", "a\x80\x80\x82", "a\x80\x80\x81", "\xF4",
                              "\xC3", "\xC3\xA9"})
            l.addUtf8Item(s);
        QCOMPARE(l.ListCount(), 7);
        QCOMPARE(l.listUtf8(0), QByteArrayView("a\x80\x80\x81"));
        QCOMPARE(l.listUtf8(1), QByteArrayView("a\x80\x80\x82"));
    }

    // In another locale, by its collation: accented letters beside their base
    // letter, case ignored, ties in the order of addition.
    void localeCollation_data() { codePointOrder_data(); }
    void localeCollation() {
        QFETCH(int, count);
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QLocale::setDefault(english);
        QCOMPARE(listed(filled({"f", "é", "B", "e", "a", "b", "A"})),
                 QStringList({"a", "A", "B", "b", "e", "é", "f"}));
        QCollator collator(english);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        const QStringList sorted = listed(filled(randomItems(count, 11u)));
        QCOMPARE(sorted.size(), count);
        for (int i = 1; i < sorted.size(); ++i)
            QVERIFY2(collator.compare(sorted[i - 1].toCaseFolded(), sorted[i].toCaseFolded()) <= 0,
                     qPrintable(sorted[i - 1] + " / " + sorted[i]));
    }
};

QTEST_GUILESS_MAIN(TestSortedList)
#include "tst_sorted_list.moc"
