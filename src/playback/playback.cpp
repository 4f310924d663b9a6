#include "playback/playback.h"

#include "fs/path_helpers.h"

Playback::Playback(PlayerControl* player, QObject* parent)
    : QObject(parent)
    , player_(player) {}

void Playback::setEntries(const PlaylistEntries* entries) {
    entries_ = entries;
    queueNext();
}

void Playback::setPlayRow(std::int32_t row) {
    playRow_ = row;
    queueNext();
}

void Playback::setRepeat(bool on) {
    repeat_ = on;
    queueNext();
}

void Playback::setListShown(bool shown) {
    listShown_ = shown;
    queueNext();
}

bool Playback::canGoNext() const {
    return listShown_ && entries_ && entries_->Rows() > 1;
}

void Playback::setTitle(const QString& title) {
    playTitle_ = title;
    emit titleChanged(playTitle_);
}

void Playback::play(std::int32_t row) {
    if (!entries_ || row < 1 || row >= entries_->Rows())
        return;
    player_->setFileName(entries_->fullPath(row));
    setTitle(mFile::GetFileName(player_->FileName()));
    playRow_ = row;
    emit listPositionChanged(playRow_);
    queueNext();
}

void Playback::next() {
    if (!canGoNext())
        return;
    const std::int32_t rows = entries_->Rows();
    const std::int32_t row = playRow_ >= 1 && playRow_ < rows - 1 ? playRow_ + 1 : 1;
    emit entryReached(row);
    play(row);
}

void Playback::previous() {
    if (!canGoNext())
        return;
    const std::int32_t rows = entries_->Rows();
    const std::int32_t row = playRow_ > 1 && playRow_ < rows ? playRow_ - 1 : rows - 1;
    emit entryReached(row);
    play(row);
}

void Playback::stop() {
    player_->Stop();
}

void Playback::openFiles(const QStringList& names) {
    if (names.isEmpty())
        return;
    for (const QString& name : names) {
        player_->setFileName(name);
        playTitle_ = mFile::GetFileName(name);
    }
    setTitle(playTitle_);
    queueNext();
}

void Playback::openCommandLine(const QStringList& names) {
    if (names.isEmpty())
        return;
    for (const QString& name : names)
        player_->setFileName(name);
    emit titleChanged(mFile::GetFileName(player_->FileName()));
    queueNext();
}

void Playback::entriesChanged() {
    queueNext();
}

void Playback::showPosition() {
    emit listPositionChanged(playRow_);
}

// The entry the sequencing rules start when the current file ends: the one
// after PlayRow, the first after the last with repeat on.
std::int32_t Playback::rowAfterEnd() const {
    if (!listShown_ || !entries_)
        return 0;
    const std::int32_t rows = entries_->Rows();
    if (rows == 1)
        return 0;
    if (playRow_ < rows - 1)
        return playRow_ + 1;
    if (rows == playRow_ + 1 && repeat_)
        return 1;
    return 0;
}

// The player opens what follows ahead of time and joins it without a gap; an
// entry it cannot open is not joined, but set at the end of the current file
// as any entry is, and stops the sequence there.
void Playback::queueNext() {
    const std::int32_t row = rowAfterEnd();
    const QString path = row > 0 ? entries_->fullPath(row) : QString();
    // The engine prepares what it is given: the same file is not given twice.
    if (player_->NextFileName() != path)
        player_->setNextFileName(path);
}

void Playback::load(std::int32_t row) {
    playRow_ = row;
    player_->setFileName(entries_->fullPath(row));
    setTitle(mFile::GetFileName(player_->FileName()));
}

void Playback::EndOfStream() {
    if (!listShown_ || !entries_) {
        // The list is hidden: the player stops, or repeats the file by itself.
        if (!repeat_)
            player_->Stop();
        return;
    }
    const std::int32_t rows = entries_->Rows();
    if (rows == 1)
        return;
    bool stopped = false;
    if (playRow_ < rows - 1) {
        load(playRow_ + 1);
    } else if (rows == playRow_ + 1) {
        if (repeat_) {
            load(1);
        } else {
            playRow_ = 1;
            player_->Stop();
            stopped = true;
        }
    } else {
        return; // the row it played is gone: nothing to go on from
    }
    emit entryReached(playRow_);
    emit listPositionChanged(playRow_);
    if (!stopped)
        queueNext();
}

// With repeat on the player repeats the file by itself; a shown list still
// goes on to its next entry, and round to the first after the last.
void Playback::PassEnded() {
    if (listShown_ && entries_)
        EndOfStream();
}

// The queued entry took over without a gap: the same step as at an end. It
// is the entry after PlayRow as the list stands: every edit queues again.
void Playback::NextStarted() {
    const std::int32_t row = rowAfterEnd();
    const bool listed = row > 0 && entries_->fullPath(row) == player_->FileName();
    if (listed)
        playRow_ = row;
    setTitle(mFile::GetFileName(player_->FileName()));
    if (listed) {
        emit entryReached(playRow_);
        emit listPositionChanged(playRow_);
    }
    queueNext();
}
