#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

// The playlist's entries as the playback core reads them: rows counted as the
// grid counts them, row 0 the header, entries from row 1.
class PlaylistEntries {
public:
    virtual ~PlaylistEntries() = default;
    virtual std::int32_t Rows() const = 0;
    virtual QString fullPath(std::int32_t row) const = 0;
};

// The player as the core drives it; the members keep the player's meaning.
class PlayerControl {
public:
    virtual ~PlayerControl() = default;
    virtual void setFileName(const QString& path) = 0;
    virtual QString FileName() const = 0;
    virtual void setNextFileName(const QString& path) = 0;
    virtual QString NextFileName() const = 0;
    virtual void Stop() = 0;
};

// What plays and what plays next. The windows, the media interface and a
// second start send their requests here; the core drives the player and
// reports what the windows show, the main caption always before the list's.
// PlayRow is the row of the entry last started from the list (0: none), a
// plain number that edits of the list do not move; PlayTitle is the file-name
// part of the player's file. Neither is saved.
class Playback : public QObject {
    Q_OBJECT
public:
    explicit Playback(PlayerControl* player, QObject* parent = nullptr);

    // The list's entries while its window exists; nullptr when it does not.
    void setEntries(const PlaylistEntries* entries);

    std::int32_t PlayRow() const { return playRow_; }
    void setPlayRow(std::int32_t row);
    const QString& PlayTitle() const { return playTitle_; }
    bool repeat() const { return repeat_; }
    bool listShown() const { return listShown_; }
    // True when next() and previous() have a list to move in.
    bool canGoNext() const;

    // The row the end of the current file starts, 0 when it starts none.
    std::int32_t rowAfterEnd() const;

public slots:
    void setRepeat(bool on);
    void setListShown(bool shown);
    // Plays an entry: its file, PlayTitle and main caption, PlayRow, list caption.
    void play(std::int32_t row);
    // The media keys: the entry after or before PlayRow, round at the ends.
    void next();
    void previous();
    void stop();
    // Files dropped on the main window or handed over by a second start: each
    // opens in turn, the last stays and names the caption. The list stays.
    void openFiles(const QStringList& names);
    // The command line: as openFiles, but PlayTitle stays as it is.
    void openCommandLine(const QStringList& names);
    // The list changed what comes next: queue again.
    void entriesChanged();
    // Shows the list caption for PlayRow.
    void showPosition();

    // The player's reports.
    void EndOfStream();
    void PassEnded();
    void NextStarted();

signals:
    // The main window's caption.
    void titleChanged(const QString& title);
    // The list moved on by itself: select this row and bring it into view.
    void entryReached(std::int32_t row);
    // The list caption: row "/" entry count.
    void listPositionChanged(std::int32_t row);

private:
    void load(std::int32_t row);
    void setTitle(const QString& title);
    void queueNext();

    PlayerControl* player_;
    const PlaylistEntries* entries_ = nullptr;
    std::int32_t playRow_ = 0;
    QString playTitle_;
    bool repeat_ = false;
    bool listShown_ = false;
};
