#include "playlist/sorted_list.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <numeric>

void SortedList::Clear() {
    items_.clear();
    sortedUpTo_ = 0;
}

void SortedList::AddItem(const QString& item) {
    items_.push_back(item);
}

const QString& SortedList::List(std::int32_t index) const {
    static const QString empty;
    sortIfNeeded();
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return empty;
    return items_[static_cast<std::size_t>(index)];
}

void SortedList::sortIfNeeded() const {
    if (sortedUpTo_ == items_.size())
        return;
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(items_.size());
    // Folded first: not every collation backend honours the case setting.
    for (const QString& s : items_)
        keys.push_back(collator.sortKey(s.toCaseFolded()));
    std::vector<std::uint32_t> order(items_.size());
    std::iota(order.begin(), order.end(), 0u);
    // Stable: items that collate alike keep the order they were added in.
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return keys[a].compare(keys[b]) < 0;
    });
    std::vector<QString> sorted;
    sorted.reserve(items_.size());
    for (std::uint32_t i : order)
        sorted.push_back(std::move(items_[i]));
    items_ = std::move(sorted);
    sortedUpTo_ = items_.size();
}
