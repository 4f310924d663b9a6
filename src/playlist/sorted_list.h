#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// A list that keeps its items in sorted order, as a sorted system list box
// does: ascending, letters without regard to case, by the collation of the
// person's locale. Items are sorted when first read after additions, with one
// precomputed collation key each, so adding a million items costs one sort.
class SortedList {
public:
    void Clear();
    void AddItem(const QString& item);
    std::int32_t ListCount() const { return static_cast<std::int32_t>(items_.size()); }
    // The item at the 0-based index; "" outside the list.
    const QString& List(std::int32_t index) const;

private:
    void sortIfNeeded() const;

    mutable std::vector<QString> items_;
    mutable std::size_t sortedUpTo_ = 0;
};
