#include "playlist/sorted_list.h"

#include <QChar>
#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <system_error>
#include <thread>

namespace {

// Below this many items a second thread costs more than it saves.
constexpr std::size_t kParallelFrom = 1u << 16;

// Runs work(begin, end, half) for the halves [0, n/2) (half 0) and [n/2, n)
// (half 1), at once on large lists: a million items take both cores, as the
// system's sort does.
template <class Work> void inTwoHalves(std::size_t n, const Work& work) {
    const std::size_t mid = n / 2;
    std::thread first;
    if (n >= kParallelFrom && std::thread::hardware_concurrency() >= 2) {
        try {
            first = std::thread([&] { work(std::size_t{0}, mid, 0); });
        } catch (const std::system_error&) {
            // No thread to be had: one half after the other.
        }
    }
    if (!first.joinable())
        work(std::size_t{0}, mid, 0);
    work(mid, n, 1);
    if (first.joinable())
        first.join();
}

// The stable order of n items by `less` on their indexes: each half sorted,
// then merged, the first half's item first on ties.
template <class Less> std::vector<std::uint32_t> stableOrder(std::size_t n, const Less& less) {
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    inTwoHalves(n, [&](std::size_t begin, std::size_t end, int) {
        std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(begin),
                         order.begin() + static_cast<std::ptrdiff_t>(end), less);
    });
    std::vector<std::uint32_t> merged(n);
    const auto mid = order.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::merge(order.begin(), mid, mid, order.end(), merged.begin(), less);
    return merged;
}

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The code point at s[at], moving `at` past it. A byte that starts no
// well-formed sequence stands for itself, so any text has an order.
char32_t decodeAt(QByteArrayView s, qsizetype& at) {
    const unsigned char lead = static_cast<unsigned char>(s[at]);
    const int extra = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    if (extra == 0 || at + extra >= s.size()) {
        ++at;
        return lead;
    }
    char32_t c = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if (!isContinuation(s[at + k])) {
            ++at;
            return lead;
        }
        c = (c << 6) | (static_cast<unsigned char>(s[at + k]) & 0x3F);
    }
    at += 1 + extra;
    return c;
}

char32_t foldedAt(QByteArrayView s, qsizetype& at) {
    const unsigned char b = static_cast<unsigned char>(s[at]);
    if (b < 0x80) {
        ++at;
        return b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b;
    }
    return QChar::toCaseFolded(decodeAt(s, at));
}

std::uint64_t word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Compares UTF-8 texts as the code points of their case folding, without
// building the folded texts: paths share long prefixes, skipped a word at a
// time; characters are decoded and folded only where the bytes differ.
int compareFolded(QByteArrayView a, QByteArrayView b) {
    qsizetype i = 0, j = 0; // where a and b go on; apart only after a fold of another length
    for (;;) {
        if (i == j) {
            const qsizetype from = i, n = std::min(a.size(), b.size());
            while (i + 8 <= n && word(a.data() + i) == word(b.data() + i))
                i += 8;
            while (i < n && a[i] == b[i])
                ++i;
            // Back to the start of the character the bytes differ in (never
            // before where this step began, so malformed text ends too).
            while (i > from && i < n && isContinuation(a[i]))
                --i;
            j = i;
        }
        const bool endA = i >= a.size(), endB = j >= b.size();
        if (endA || endB)
            return endA == endB ? 0 : endA ? -1 : 1;
        const char32_t x = foldedAt(a, i), y = foldedAt(b, j);
        if (x != y)
            return x < y ? -1 : 1;
    }
}

} // namespace

void SortedList::Clear() {
    text_ = QByteArray();
    std::vector<Span>().swap(items_);
    sortedUpTo_ = 0;
}

void SortedList::reserve(std::size_t items, qsizetype bytes) {
    text_.reserve(text_.size() + std::max<qsizetype>(bytes, 0));
    items_.reserve(items_.size() + items);
}

void SortedList::AddItem(const QString& item) {
    addUtf8Item(item.toUtf8());
}

void SortedList::addUtf8Item(QByteArrayView item) {
    items_.push_back(
        {static_cast<std::uint64_t>(text_.size()), static_cast<std::uint32_t>(item.size())});
    text_.append(item.data(), item.size());
}

QByteArrayView SortedList::listUtf8(std::int32_t index) const {
    sortIfNeeded();
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return {};
    return item(static_cast<std::uint32_t>(index));
}

QString SortedList::List(std::int32_t index) const {
    return QString::fromUtf8(listUtf8(index));
}

void SortedList::sortIfNeeded() const {
    if (sortedUpTo_ == items_.size())
        return;
    const std::size_t n = items_.size();
    const QLocale locale; // the system's, unless the program chose another
    std::vector<std::uint32_t> order;
    if (locale.language() == QLocale::C) {
        // Code point order: compared in place, as no key could be cheaper
        // than the text itself.
        order = stableOrder(n, [this](std::uint32_t a, std::uint32_t b) {
            return compareFolded(item(a), item(b)) < 0;
        });
    } else {
        const std::size_t mid = n / 2;
        std::vector<QCollatorSortKey> keys[2];
        inTwoHalves(n, [&](std::size_t begin, std::size_t end, int half) {
            // A collator is not to be shared between threads: one each.
            QCollator collator(locale);
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            collator.setNumericMode(false);
            std::vector<QCollatorSortKey>& out = keys[half];
            out.reserve(end - begin);
            // Folded first: not every collation backend honours the case setting.
            for (std::size_t i = begin; i < end; ++i)
                out.push_back(collator.sortKey(
                    QString::fromUtf8(item(static_cast<std::uint32_t>(i))).toCaseFolded()));
        });
        const auto key = [&](std::uint32_t i) -> const QCollatorSortKey& {
            return i < mid ? keys[0][i] : keys[1][i - mid];
        };
        order = stableOrder(
            n, [&](std::uint32_t a, std::uint32_t b) { return key(a).compare(key(b)) < 0; });
    }
    permute(order);
    sortedUpTo_ = n;
}

// Puts items_[order[k]] at k, cycle by cycle, in place: a second array of
// a million items is memory the system first has to hand out.
void SortedList::permute(std::vector<std::uint32_t>& order) const {
    constexpr std::uint32_t kPlaced = UINT32_MAX;
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == kPlaced)
            continue;
        const Span first = items_[start];
        std::size_t at = start;
        for (;;) {
            const std::uint32_t from = order[at];
            order[at] = kPlaced;
            if (from == start) {
                items_[at] = first;
                break;
            }
            items_[at] = items_[from];
            at = from;
        }
    }
}
