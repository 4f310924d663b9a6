#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

// A list that keeps its items in sorted order, as a sorted system list box
// does: ascending, letters without regard to case, by the collation of the
// person's locale. Items are sorted when first read after additions, all at
// once, so adding a million items costs one sort. Items are held as UTF-8 in
// one buffer: a million paths are a million small allocations otherwise,
// which cost more than the sort itself.
class SortedList {
public:
    void Clear();
    void AddItem(const QString& item);
    // The same for an item already in UTF-8.
    void addUtf8Item(QByteArrayView item);
    // Makes room for this many more items of this many UTF-8 bytes in all.
    void reserve(std::size_t items, qsizetype bytes);
    std::int32_t ListCount() const { return static_cast<std::int32_t>(items_.size()); }
    // The item at the 0-based index; "" outside the list.
    QString List(std::int32_t index) const;
    // The same in UTF-8, without a copy; valid until the next change.
    QByteArrayView listUtf8(std::int32_t index) const;

private:
    struct Span {
        std::uint64_t offset; // into text_
        std::uint32_t length;
    };

    QByteArrayView item(std::uint32_t index) const {
        const Span& s = items_[index];
        return QByteArrayView(text_.constData() + s.offset, s.length);
    }
    void sortIfNeeded() const;
    void permute(std::vector<std::uint32_t>& order) const;

    QByteArray text_;
    mutable std::vector<Span> items_;
    mutable std::size_t sortedUpTo_ = 0;
};
