#include "playlist/playlist_grid.h"

#include <algorithm>

PlaylistGrid::PlaylistGrid(QChar separator)
    : sep_(separator)
    , sepByte_(static_cast<char>(separator.unicode())) {
    header_[0] = QStringLiteral("File");
    header_[1] = QStringLiteral("Path");
}

QByteArrayView PlaylistGrid::bytes(const Entry& e) const {
    return QByteArrayView(text_.constData() + e.offset, e.length);
}

void PlaylistGrid::appendEntry(const Entry& e) {
    const std::int32_t row = Rows();
    if (!inBatch() && listener_)
        listener_->beginInsert(row, row);
    entries_.push_back(e);
    if (!inBatch() && listener_)
        listener_->endInsert();
}

void PlaylistGrid::append(QByteArrayView path, QByteArrayView file) {
    Entry e{static_cast<std::uint64_t>(text_.size()),
            static_cast<std::uint32_t>(path.size() + 1 + file.size()),
            static_cast<std::uint32_t>(path.size())};
    text_.append(path.data(), path.size());
    text_.append(sepByte_);
    text_.append(file.data(), file.size());
    appendEntry(e);
}

void PlaylistGrid::AddItem(const QString& text) {
    const qsizetype tab = text.indexOf(u'\t');
    const QString file = tab < 0 ? text : text.first(tab);
    QString path = tab < 0 ? QString() : text.sliced(tab + 1);
    if (const qsizetype more = path.indexOf(u'\t'); more >= 0)
        path.truncate(more); // a grid of two columns keeps two cells
    append(path.toUtf8(), file.toUtf8());
}

void PlaylistGrid::appendPath(const QString& fullPath) {
    appendUtf8Path(fullPath.toUtf8());
}

void PlaylistGrid::appendUtf8Path(QByteArrayView p) {
    // The separator is ASCII, so its last byte is its last character in UTF-8.
    const qsizetype at = p.lastIndexOf(sepByte_);
    if (at < 0) {
        append({}, {}); // no separator: both cells empty
        return;
    }
    Entry e{static_cast<std::uint64_t>(text_.size()), static_cast<std::uint32_t>(p.size()),
            static_cast<std::uint32_t>(at)};
    text_.append(p.data(), p.size());
    appendEntry(e);
}

QString PlaylistGrid::TextMatrix(std::int32_t row, std::int32_t col) const {
    if (col < 0 || col > 1 || row < 0 || row >= Rows())
        return {};
    if (row == 0)
        return header_[col];
    return QString::fromUtf8(cellUtf8(row, col));
}

QByteArrayView PlaylistGrid::cellUtf8(std::int32_t row, std::int32_t col) const {
    if (col < 0 || col > 1 || row < 1 || row >= Rows())
        return {};
    const Entry& e = entries_[static_cast<size_t>(row - 1)];
    const QByteArrayView b = bytes(e);
    return col == 1 ? b.first(e.split) : b.sliced(e.split + 1);
}

QString PlaylistGrid::fullPath(std::int32_t row) const {
    if (row < 1 || row >= Rows())
        return QString(sep_);
    return QString::fromUtf8(bytes(entries_[static_cast<size_t>(row - 1)]));
}

QByteArrayView PlaylistGrid::fullPathUtf8(std::int32_t row) const {
    if (row < 1 || row >= Rows())
        return QByteArrayView(&sepByte_, 1);
    return bytes(entries_[static_cast<size_t>(row - 1)]);
}

void PlaylistGrid::setTextMatrix(std::int32_t row, std::int32_t col, const QString& text) {
    if (col < 0 || col > 1 || row < 0 || row >= Rows())
        return;
    if (row == 0) {
        header_[col] = text;
    } else {
        Entry& e = entries_[static_cast<size_t>(row - 1)];
        const QByteArray path = col == 1 ? text.toUtf8() : bytes(e).first(e.split).toByteArray();
        const QByteArray file =
            col == 0 ? text.toUtf8() : bytes(e).sliced(e.split + 1).toByteArray();
        wasted_ += e.length;
        e = Entry{static_cast<std::uint64_t>(text_.size()),
                  static_cast<std::uint32_t>(path.size() + 1 + file.size()),
                  static_cast<std::uint32_t>(path.size())};
        text_ += path;
        text_ += sepByte_;
        text_ += file;
        compactIfWasteful();
    }
    if (tellEach())
        listener_->cellChanged(row, col);
}

void PlaylistGrid::setRows(std::int32_t rows) {
    if (rows < 1 || rows >= Rows())
        return;
    const bool tell = tellEach();
    if (tell)
        listener_->beginReset();
    entries_.resize(static_cast<size_t>(rows - 1));
    if (entries_.empty()) {
        // A batch keeps the storage for what it appends next (a sort puts
        // every entry back: new memory costs more than the copy itself);
        // endBatch gives back what stays unused.
        if (inBatch())
            text_.truncate(0);
        else
            releaseStorage();
        wasted_ = 0;
    }
    const std::int32_t oldFirst = std::min(row_, rowSel_), oldLast = std::max(row_, rowSel_);
    row_ = std::min(row_, rows - 1);
    rowSel_ = std::min(rowSel_, rows - 1);
    if (tell) {
        listener_->endReset();
        notifySelection(oldFirst, oldLast);
    }
}

void PlaylistGrid::RemoveItem(std::int32_t row) {
    if (row < 1 || row >= Rows())
        return;
    const bool tell = tellEach();
    if (tell)
        listener_->beginRemove(row);
    wasted_ += entries_[static_cast<size_t>(row - 1)].length;
    entries_.erase(entries_.begin() + (row - 1));
    const std::int32_t oldFirst = std::min(row_, rowSel_), oldLast = std::max(row_, rowSel_);
    row_ = std::min(row_, Rows() - 1);
    rowSel_ = std::min(rowSel_, Rows() - 1);
    compactIfWasteful();
    if (tell) {
        listener_->endRemove();
        notifySelection(oldFirst, oldLast);
    }
}

void PlaylistGrid::Clear() {
    const bool tell = tellEach();
    if (tell)
        listener_->beginReset();
    header_[0].clear();
    header_[1].clear();
    // Inside a batch the storage stays for what comes next (see setRows).
    if (inBatch())
        text_.truncate(0);
    else
        text_ = QByteArray();
    text_.append(sepByte_);
    wasted_ = 0;
    std::fill(entries_.begin(), entries_.end(), Entry{0, 1, 0});
    if (tell)
        listener_->endReset();
}

void PlaylistGrid::setRowPosition(std::int32_t row, std::int32_t target) {
    if (row < 1 || row >= Rows() || target < 1 || target >= Rows() || row == target)
        return;
    const bool tell = tellEach();
    if (tell)
        listener_->beginMove(row, target);
    auto first = entries_.begin();
    if (row < target)
        std::rotate(first + (row - 1), first + row, first + target);
    else
        std::rotate(first + (target - 1), first + (row - 1), first + row);
    if (tell)
        listener_->endMove();
}

void PlaylistGrid::setRow(std::int32_t row) {
    if (row < 0 || row >= Rows())
        return;
    const std::int32_t oldFirst = std::min(row_, rowSel_), oldLast = std::max(row_, rowSel_);
    row_ = rowSel_ = row;
    notifySelection(oldFirst, oldLast);
}

void PlaylistGrid::setRowSel(std::int32_t row) {
    if (row < 0 || row >= Rows())
        return;
    const std::int32_t oldFirst = std::min(row_, rowSel_), oldLast = std::max(row_, rowSel_);
    rowSel_ = row;
    notifySelection(oldFirst, oldLast);
}

void PlaylistGrid::setCol(std::int32_t col) {
    if (col < 0 || col > 1)
        return;
    col_ = colSel_ = col;
}

void PlaylistGrid::setColSel(std::int32_t col) {
    if (col < 0 || col > 1)
        return;
    colSel_ = col;
    notifySelection(std::min(row_, rowSel_), std::max(row_, rowSel_));
}

void PlaylistGrid::setHighLight(int value) {
    if (value == highlight_)
        return;
    highlight_ = value;
    notifySelection(std::min(row_, rowSel_), std::max(row_, rowSel_));
}

bool PlaylistGrid::isSelected(std::int32_t row) const {
    return highlight_ != 0 && row >= 1 && row >= std::min(row_, rowSel_) &&
           row <= std::max(row_, rowSel_);
}

bool PlaylistGrid::tellEach() {
    if (!listener_)
        return false;
    if (!inBatch())
        return true;
    if (batchOnlyAppends_) {
        batchOnlyAppends_ = false;
        listener_->beginReset();
    }
    return false;
}

void PlaylistGrid::notifySelection(std::int32_t oldFirst, std::int32_t oldLast) {
    if (listener_ && !inBatch())
        listener_->selectionChanged(oldFirst, oldLast, std::min(row_, rowSel_),
                                    std::max(row_, rowSel_));
}

void PlaylistGrid::beginBatch() {
    if (batchDepth_++ == 0) {
        batchFirstRow_ = Rows();
        batchOnlyAppends_ = true;
    }
}

void PlaylistGrid::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    trimStorage();
    if (!listener_)
        return;
    if (!batchOnlyAppends_) {
        listener_->endReset();
    } else if (Rows() > batchFirstRow_) {
        listener_->beginInsert(batchFirstRow_, Rows() - 1);
        listener_->endInsert();
    }
    listener_->selectionChanged(0, Rows() - 1, std::min(row_, rowSel_), std::max(row_, rowSel_));
}

void PlaylistGrid::releaseStorage() {
    text_ = QByteArray();
    std::vector<Entry>().swap(entries_);
}

void PlaylistGrid::trimStorage() {
    if (entries_.empty()) {
        releaseStorage();
        return;
    }
    // Only storage far beyond its use is given back: trimming copies, and a
    // reservation from a list file's size is a generous guess.
    constexpr std::size_t kSlack = 1 << 20;
    const auto wasteful = [](std::size_t capacity, std::size_t used) {
        return capacity > 4 * used + kSlack;
    };
    if (wasteful(static_cast<std::size_t>(text_.capacity()),
                 static_cast<std::size_t>(text_.size())))
        text_.squeeze();
    if (wasteful(entries_.capacity() * sizeof(Entry), entries_.size() * sizeof(Entry)))
        entries_.shrink_to_fit();
}

void PlaylistGrid::reserveForBytes(qsizetype bytes) {
    if (bytes <= 0)
        return;
    text_.reserve(text_.size() + bytes);
    // A list line is rarely shorter than this; a guess too high costs little.
    constexpr qsizetype kShortLine = 40;
    entries_.reserve(entries_.size() + static_cast<size_t>(bytes / kShortLine));
}

std::size_t PlaylistGrid::bytesUsed() const {
    return static_cast<std::size_t>(text_.capacity()) + entries_.capacity() * sizeof(Entry);
}

void PlaylistGrid::compactIfWasteful() {
    if (wasted_ < (1u << 20) || wasted_ * 2 < static_cast<std::size_t>(text_.size()))
        return;
    QByteArray packed;
    packed.reserve(text_.size() - static_cast<qsizetype>(wasted_));
    for (Entry& e : entries_) {
        const QByteArrayView b = bytes(e);
        e.offset = static_cast<std::uint64_t>(packed.size());
        packed.append(b.data(), b.size());
    }
    text_ = std::move(packed);
    wasted_ = 0;
}
