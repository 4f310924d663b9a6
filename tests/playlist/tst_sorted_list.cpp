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
    const std::u32string alphabet =
        U"aAbKkzZ_/09 \u00E9\u00C9\u00DF\u1E9E\u212A\u03A3\u03C3\u03C2\u0131\u0130日本😀";
    const QString prefixes[] = {"", "/music/", "/Music/", "/music/日本/"};
    QRandomGenerator random(count);
    QByteArrayList out;
    while (out.size() < count) {
        QString s = prefixes[random.bounded(4)];
        for (int k = random.bounded(12); k > 0; --k)
            s += QString::fromUcs4(&alphabet[random.bounded(int(alphabet.size()))], 1);
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
    // Items, and the start of their order (large lists: two halves at once).
    void order_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArrayList>("items");
        QTest::addColumn<QByteArrayList>("sorted");
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
