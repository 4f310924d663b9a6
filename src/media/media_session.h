#pragma once

#include "media/engine.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QTimer;

// What the player plays, in one place: the item it was given, the item to
// follow it, and the player's state, all derived from the engine's reports.
// An item is a media file or a list file whose entries play in turn; each
// entry reaches the engine through the gate (a checked, open regular file),
// opened off the GUI thread. What the person hears decides what is reported:
// when the engine moves on to a queued entry, FileName(), NextStarted and the
// position follow once its first sound is out, not when it is decoded.
class MediaSession : public QObject {
    Q_OBJECT
public:
    enum class State { Ready, Opening, Playing, Paused, Stopped, Ended, Failed };
    enum class Failure { Missing, Unreadable, Format, NoEngine };

    // A file that has not opened by then is given up as unreadable: its
    // disk stalls.
    static constexpr int kOpenDeadlineMs = 5000;
    // How long an entry plays before the memory freed around its start is
    // handed back.
    static constexpr int kSettledMs = 2000;

    explicit MediaSession(QObject* parent = nullptr);
    ~MediaSession() override;

    // Opens the item and starts it; "" stops and unloads. Drops the next one.
    void setFileName(const QString& name);
    // The item heard now, as it was named; "" when none.
    QString FileName() const { return fileName_; }
    // The item to follow the current one without a gap; "" for none.
    void setNextFileName(const QString& name);
    QString NextFileName() const { return nextName_; }
    // Stops; the item stays named and plays again from its start.
    void Stop();
    // 0: the item repeats without end; n: it plays n times.
    void setPlayCount(int count);
    void setMute(bool mute);
    void setEngineVolume(double volume);
    // Pauses what plays, plays what is paused (or opening); restarts a
    // stopped, ended or failed item.
    void playPause();
    void seek(double seconds);

    State state() const { return state_; }
    Failure failure() const { return failure_; }

    // What the file heard says of itself; empty where it says nothing.
    struct Tags {
        QString title, artist, album;
    };
    const Tags& tags() const { return heardTags_; }
    // Changes with every entry heard, a pass of the same file too.
    quint64 heardSerial() const { return heardSerial_; }
    // Of what is heard, in seconds, never negative; 0 when nothing plays.
    double position() const;
    double duration() const;
    Engine* engine() const { return engine_; }
    // Starts loading the engine's libraries in the background.
    void prepareEngine();

    // Headless runs: null outputs and, for tests, untimed playback. Applies to
    // sessions whose engine starts afterwards.
    static void setEngineOptions(const Engine::Options& options);
    static const Engine::Options& engineOptions();

signals:
    // The item ended (never for a replaced, stopped or failed one).
    void EndOfStream();
    // The next item took over: FileName() names it, NextFileName() is "".
    void NextStarted();
    // A pass of a repeating item ended and it plays again.
    void PassEnded();
    void stateChanged(MediaSession::State state);
    // The engine exists (once): the picture can be attached to it.
    void engineStarted(Engine* engine);
    // An entry opened; with a picture or without.
    void entryLoaded(bool hasPicture);
    // What is heard changed: another entry, or its length or tags came in.
    void heardChanged();

private:
    // What follows the current entry in the engine.
    enum class Follow { None, Entry, Pass, Item };
    struct Item {
        QString name;        // as given
        QString local;       // its local path, "" for a name with a scheme
        QStringList entries; // read when it first opened
        int index = 0;       // the entry playing
    };
    struct Queued {
        Follow follow = Follow::None;
        Engine::Tag tag = 0; // 0 while its file is being opened
        QString name;        // the next item's name
        bool failed = false; // its file would not open
        Failure failure = Failure::Format;
    };

    void setState(State state);
    void reset();
    void fail(Failure failure);
    void scheduleEngine();
    void startEngine(std::unique_ptr<EngineBackend> backend);
    void openEntry();
    void entryFailed(Failure failure);
    void loadOpened(platform::PlayableFile file);
    Follow wantedFollow() const;
    void refreshQueue();
    void followAfterEnd();
    void onStarted(Engine::Tag tag);
    void onLoaded(Engine::Tag tag, bool picture);
    void onPlaying(Engine::Tag tag, double delay);
    void onEnded(Engine::Tag tag, Engine::End end);
    void onHeard();

    QPointer<Engine> engine_;
    bool engineScheduled_ = false;
    platform::PlayableFile waiting_; // opened before the engine existed
    QTimer* deadline_;
    QTimer* heard_;
    QTimer* settled_;

    QString fileName_;
    QString nextName_;
    Item current_;
    Item next_;
    Engine::Tag currentTag_ = 0;
    Queued queued_;
    Follow takingOver_ = Follow::None; // started, not yet heard
    bool endedAwaiting_ = false;       // ended; what follows is still opening
    double engineDuration_ = 0;
    double heardDuration_ = 0; // of the entry heard while another starts
    Tags loadedTags_;          // of the entry the engine opened last
    Tags heardTags_;
    quint64 heardSerial_ = 0;
    int playCount_ = 1;
    int passesLeft_ = 0;
    bool pauseWhenOpen_ = false; // play/pause pressed while the item opened
    bool mute_ = false;
    double volume_ = 100;
    Engine::Tag lastTag_ = 0;
    quint64 openRequest_ = 0;
    quint64 queueRequest_ = 0;
    State state_ = State::Ready;
    Failure failure_ = Failure::Format;
};
