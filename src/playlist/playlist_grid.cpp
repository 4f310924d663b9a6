#include "playlist/playlist_grid.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace {

// A cell's text is decoded at each paint: a text longer than any path is cut
// here, with an ellipsis, so an entry of any length costs what a path costs.
// The view cuts it further to its column (GridView).
constexpr qsizetype kShownBytes = 4096;

QString shownText(QByteArrayView cell) {
    if (cell.size() <= kShownBytes)
        return QString::fromUtf8(cell);
    qsizetype cut = kShownBytes;
    while (cut > 0 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80)
        --cut; // not inside a character
    return QString::fromUtf8(cell.first(cut)) + QChar(0x2026);
}

} // namespace

PlaylistGrid::PlaylistGrid(QChar separator, QObject* parent)
    : QAbstractTableModel(parent)
    , sep_(separator)
    , sepByte_(static_cast<char>(separator.unicode()))
    , selection_(new QItemSelectionModel(this, this)) {
    header_[0] = QStringLiteral("File");
    header_[1] = QStringLiteral("Path");
}

int PlaylistGrid::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : published_;
}

int PlaylistGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Cols();
}

QVariant PlaylistGrid::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= published_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return shownText(cellUtf8(index.row() + 1, index.column()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant PlaylistGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return TextMatrix(0, section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return QAbstractTableModel::headerData(section, orientation, role);
}

QByteArrayView PlaylistGrid::bytes(const Entry& e) const {
    return QByteArrayView(text_.constData() + e.offset, e.length);
}

void PlaylistGrid::appendEntry(const Entry& e) {
    if (inBatch()) {
        entries_.push_back(e); // told at the batch's end
        return;
    }
    beginInsertRows({}, published_, published_);
    entries_.push_back(e);
    ++published_;
    endInsertRows();
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
    if (!tellEach())
        return;
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex i = index(row - 1, col);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::ToolTipRole});
    }
}

// The selection model moves the current row with the entries and drops the
// removed ones; the grid keeps row numbers instead (Remove leaves the next
// entry selected). Its in-between states are not shown: the selection is set
// once the change is done.
void PlaylistGrid::setRows(std::int32_t rows) {
    if (rows < 1 || rows >= Rows())
        return;
    const Selection before = selected();
    const bool tell = tellEach();
    if (tell)
        beginResetModel();
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
    if (tell) {
        published_ = Rows() - 1;
        endResetModel(); // clears the selection model, quietly
    }
    select(before);
}

void PlaylistGrid::RemoveItem(std::int32_t row) {
    if (row < 1 || row >= Rows())
        return;
    const Selection before = selected();
    wasted_ += entries_[static_cast<size_t>(row - 1)].length;
    if (tellEach()) {
        const QSignalBlocker quiet(selection_);
        beginRemoveRows({}, row - 1, row - 1);
        entries_.erase(entries_.begin() + (row - 1));
        published_ = Rows() - 1;
        endRemoveRows();
    } else {
        entries_.erase(entries_.begin() + (row - 1));
    }
    select(before);
    compactIfWasteful();
}

void PlaylistGrid::Clear() {
    const Selection before = selected();
    const bool tell = tellEach();
    if (tell)
        beginResetModel();
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
    if (tell) {
        endResetModel();
        emit headerDataChanged(Qt::Horizontal, 0, Cols() - 1);
    }
    select(before);
}

void PlaylistGrid::setRowPosition(std::int32_t row, std::int32_t target) {
    if (row < 1 || row >= Rows() || target < 1 || target >= Rows() || row == target)
        return;
    const Selection before = selected();
    const bool tell = tellEach();
    {
        const QSignalBlocker quiet(selection_);
        // Qt names the row the moved one goes before.
        if (tell)
            beginMoveRows({}, row - 1, row - 1, {}, target > row ? target : target - 1);
        auto first = entries_.begin();
        if (row < target)
            std::rotate(first + (row - 1), first + row, first + target);
        else
            std::rotate(first + (target - 1), first + (row - 1), first + row);
        if (tell)
            endMoveRows();
    }
    select(before);
}

void PlaylistGrid::setRow(std::int32_t row) {
    if (row >= 0 && row < Rows())
        select({row, row});
}

void PlaylistGrid::setRowSel(std::int32_t row) {
    if (row >= 0 && row < Rows())
        select({Row(), row});
}

void PlaylistGrid::setCol(std::int32_t col) {
    if (col < 0 || col > 1)
        return;
    col_ = colSel_ = col;
    const QModelIndex current = selection_->currentIndex();
    if (!inBatch() && current.isValid())
        selection_->setCurrentIndex(index(current.row(), col), QItemSelectionModel::NoUpdate);
}

void PlaylistGrid::setColSel(std::int32_t col) {
    if (col >= 0 && col <= 1)
        colSel_ = col;
}

void PlaylistGrid::setHighLight(int value) {
    if (value == highlight_)
        return;
    highlight_ = value;
    emit highlightChanged();
}

PlaylistGrid::Selection PlaylistGrid::selected() const {
    if (inBatch())
        return held_;
    const QModelIndex current = selection_->currentIndex();
    if (!current.isValid())
        return {};
    const int at = current.row();
    for (const QItemSelectionRange& r : selection_->selection())
        if (r.top() <= at && at <= r.bottom())
            return {at + 1, (at == r.top() ? r.bottom() : r.top()) + 1};
    return {at + 1, at + 1};
}

void PlaylistGrid::select(Selection s) {
    const std::int32_t last = Rows() - 1;
    s.row = std::clamp(s.row, std::int32_t{0}, last);
    s.rowSel = std::clamp(s.rowSel, std::int32_t{0}, last);
    if (inBatch())
        held_ = s;
    else
        showSelection(s);
}

void PlaylistGrid::showSelection(Selection s) {
    if (s.row < 1) {
        selection_->clear();
        return;
    }
    const int top = std::max(1, std::min(s.row, s.rowSel)) - 1;
    const int bottom = std::max(s.row, s.rowSel) - 1;
    selection_->setCurrentIndex(index(s.row - 1, col_), QItemSelectionModel::NoUpdate);
    selection_->select(QItemSelection(index(top, 0), index(bottom, Cols() - 1)),
                       QItemSelectionModel::ClearAndSelect);
}

bool PlaylistGrid::tellEach() {
    if (!inBatch())
        return true;
    if (batchOnlyAppends_) {
        batchOnlyAppends_ = false;
        beginResetModel();
    }
    return false;
}

void PlaylistGrid::beginBatch() {
    if (batchDepth_ == 0) {
        held_ = selected();
        batchOnlyAppends_ = true;
    }
    ++batchDepth_;
}

void PlaylistGrid::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    trimStorage();
    if (!batchOnlyAppends_) {
        published_ = Rows() - 1;
        endResetModel();
        emit headerDataChanged(Qt::Horizontal, 0, Cols() - 1);
    } else if (Rows() - 1 > published_) {
        beginInsertRows({}, published_, Rows() - 2);
        published_ = Rows() - 1;
        endInsertRows();
    }
    showSelection(held_);
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
