#include "playlist/sorted_list.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

namespace {

// Paths with shared prefixes, of the characters whose folding is the hard
// part: ASCII case pairs and '_' between them, characters of two to four
// bytes, a fold to another length (the Kelvin sign), three sigmas, no case.
QByteArrayList randomItems(int count) {
    static const char32_t kAlphabet[] = {
        u'a', u'A', u'b',   u'K',   u'k',  u'z',  u'Z',  u'_',  u'/',  u'0',   u'9',   u' ',   0xE9,
        0xC9, 0xDF, 0x1E9E, 0x212A, 0x3A3, 0x3C3, 0x3C2, 0x131, 0x130, 0x65E5, 0x672C, 0x1F600};
    const QString prefixes[] = {"", "/music/", "/Music/", "/music/日本/"};
    QRandomGenerator random(count);
    QByteArrayList out;
    while (out.size() < count) {
        QString s = prefixes[random.bounded(4)];
        for (int k = random.bounded(12); k > 0; --k)
            s += QString::fromUcs4(&kAlphabet[random.bounded(int(std::size(kAlphabet)))], 1);
        out << s.toUtf8();
    }
    return out;
}

// By code point of the folded texts in the C locale, else by the locale's
// collation of them; ties in the order of addition.
QByteArrayList expectedOrder(const QByteArrayList& items, const QLocale& locale) {
    QCollator collator(locale);
    std::vector<std::pair<QString, QByteArray>> keyed;
    for (const QByteArray& s : items)
        keyed.emplace_back(QString::fromUtf8(s).toCaseFolded(), s);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        return locale == QLocale::c() ? a.first.toStdU32String() < b.first.toStdU32String()
                                      : collator.compare(a.first, b.first) < 0;
    });
    QByteArrayList out;
    for (const auto& k : keyed)
        out << k.second;
    return out;
}

} // namespace

class TestSortedList : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void basics() {
        SortedList l;
        for (const char* item : {"D:/b/x.mp3", "C:/z/a.mp3", "c:/a/B.mp3"})
            l.AddItem(item);
        QCOMPARE(l.List(0), QStringLiteral("c:/a/B.mp3"));
        l.AddItem("a"); // added after reading: sorted in on the next read
        QCOMPARE(l.List(0), QStringLiteral("a"));
        QCOMPARE(l.List(4), QString());
        l.Clear();
        QCOMPARE(l.ListCount(), 0);
    }

    // Items, and the start of their order (large lists: two halves at once).
    void order_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArrayList>("items");
        QTest::addColumn<QByteArrayList>("sorted");
        // Malformed UTF-8 (which a list never holds) still sorts, and ends.
        QTest::newRow("malformed")
            << QLocale::c()
            << QByteArrayList{"\xE0\x81y", "\xE0\x80x", "a\x80\x80\x82", "a\x80\x80\x81",
                              "\xF4",      "\xC3",      "\xC3\xA9"}
            << QByteArrayList{"a\x80\x80\x81", "a\x80\x80\x82"};
        for (const QLocale& locale :
             {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)})
            for (const int count : {2000, 100000}) {
                const QByteArrayList items = randomItems(count);
                QTest::addRow("%s %d", qPrintable(locale.name()), count)
                    << locale << items << expectedOrder(items, locale);
            }
    }
    void order() {
        QFETCH(QLocale, locale);
        QFETCH(QByteArrayList, items);
        QFETCH(QByteArrayList, sorted);
        QLocale::setDefault(locale);
        SortedList l;
        for (const QByteArray& item : items)
            l.addUtf8Item(item);
        QCOMPARE(l.ListCount(), items.size());
        for (int i = 0; i < sorted.size(); ++i)
            QCOMPARE(l.listUtf8(i), QByteArrayView(sorted[i]));
    }
};

QTEST_GUILESS_MAIN(TestSortedList)
#include "tst_sorted_list.moc"
