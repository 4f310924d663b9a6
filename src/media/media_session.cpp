#include "media/media_session.h"

#include "media/play_item.h"
#include "platform/detached_call.h"
#include "platform/engine_library.h"

#include <QFutureWatcher>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

Engine::Options& options() {
    static Engine::Options options;
    return options;
}

MediaSession::Failure failureOf(platform::OpenFailure failure) {
    switch (failure) {
    case platform::OpenFailure::Missing:
        return MediaSession::Failure::Missing;
    case platform::OpenFailure::Unreadable:
        return MediaSession::Failure::Unreadable;
    default:
        return MediaSession::Failure::Format;
    }
}

} // namespace

void MediaSession::setEngineOptions(const Engine::Options& engineOptions) {
    options() = engineOptions;
}

const Engine::Options& MediaSession::engineOptions() {
    return options();
}

MediaSession::MediaSession(QObject* parent)
    : QObject(parent)
    , deadline_(new QTimer(this))
    , heard_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    deadline_->setInterval(kOpenDeadlineMs);
    connect(deadline_, &QTimer::timeout, this, [this] {
        if (!endedAwaiting_) {
            ++openRequest_; // its disk stalls: whatever it brings is too late
            return entryFailed(Failure::Unreadable);
        }
        // What was to follow never opened: the item ends there.
        queued_.failed = true;
        queued_.failure = Failure::Unreadable;
        followAfterEnd();
    });
    heard_->setSingleShot(true);
    heard_->setTimerType(Qt::PreciseTimer);
    connect(heard_, &QTimer::timeout, this, &MediaSession::onHeard);
}

MediaSession::~MediaSession() {
    delete engine_;
}

void MediaSession::setState(State state) {
    const bool changed = state != state_;
    state_ = state;
    if (changed)
        emit stateChanged(state);
}

// Everything under way is given up; the engine stops what it played.
void MediaSession::reset() {
    ++openRequest_;
    ++queueRequest_;
    deadline_->stop();
    heard_->stop();
    takingOver_ = Follow::None;
    queued_ = {};
    endedAwaiting_ = false;
    currentTag_ = 0;
    waiting_ = {};
}

// A failure ends the item: nothing follows it.
void MediaSession::fail(Failure failure) {
    reset();
    nextName_.clear();
    next_ = {};
    if (engine_)
        engine_->stop();
    failure_ = failure;
    setState(State::Failed);
}

void MediaSession::setFileName(const QString& name) {
    reset();
    fileName_ = name;
    nextName_.clear();
    next_ = {};
    pauseWhenOpen_ = false;
    passesLeft_ = std::max(playCount_ - 1, 0);
    current_ = Item{name, platform::localPath(name), {}, 0};
    if (name.isEmpty()) {
        if (engine_)
            engine_->stop();
        setState(State::Ready);
        return;
    }
    setState(State::Opening);
    scheduleEngine();
    openEntry();
}

// Opens the current item's entry (reading the item's list first, once) off
// the GUI thread, and plays it.
void MediaSession::openEntry() {
    const quint64 request = ++openRequest_;
    deadline_->start();
    platform::callDetached(
        this,
        [item = current_.local, entries = current_.entries, index = current_.index] {
            return playitem::open(item, entries, index);
        },
        [this, request](playitem::Opened opened) {
            if (request != openRequest_)
                return;
            deadline_->stop();
            current_.entries = opened.entries;
            if (!opened.entry.file.isOpen())
                return entryFailed(failureOf(opened.entry.failure));
            loadOpened(std::move(opened.entry.file));
        });
}

// An entry would not open or play: a list goes on with its next entry, as
// players of lists do; anything else fails.
void MediaSession::entryFailed(Failure failure) {
    if (!playitem::isList(current_.local) || current_.index + 1 >= current_.entries.size())
        return fail(failure);
    ++current_.index;
    currentTag_ = 0;
    ++queueRequest_;
    queued_ = {};
    if (engine_)
        engine_->dropQueued();
    openEntry();
}

void MediaSession::loadOpened(platform::PlayableFile file) {
    if (!engine_) {
        waiting_ = std::move(file); // the engine starts it once it exists
        return;
    }
    if (!engine_->isValid())
        return fail(Failure::NoEngine);
    currentTag_ = ++lastTag_;
    engine_->load(std::move(file), current_.entries.value(current_.index), currentTag_);
    if (pauseWhenOpen_)
        engine_->setPaused(true);
    refreshQueue();
}

void MediaSession::setNextFileName(const QString& name) {
    nextName_ = name;
    next_ = Item{name, platform::localPath(name), {}, 0};
    refreshQueue();
}

void MediaSession::Stop() {
    reset();
    nextName_.clear();
    next_ = {};
    if (engine_)
        engine_->stop();
    if (state_ != State::Ready && state_ != State::Failed)
        setState(State::Stopped);
}

void MediaSession::setPlayCount(int count) {
    playCount_ = count;
    passesLeft_ = std::max(count - 1, 0);
    refreshQueue();
}

void MediaSession::setMute(bool mute) {
    mute_ = mute;
    if (engine_)
        engine_->setMute(mute);
}

void MediaSession::setEngineVolume(double volume) {
    volume_ = volume;
    if (engine_)
        engine_->setVolume(volume);
}

void MediaSession::playPause() {
    switch (state_) {
    case State::Ready:
        break;
    case State::Playing:
    case State::Paused:
        // The engine's own flag: whatever it plays now is what this acts on.
        if (engine_)
            engine_->setPaused(!engine_->paused());
        break;
    case State::Opening:
        // The item opens paused, or not, as asked last.
        pauseWhenOpen_ = !pauseWhenOpen_;
        if (engine_ && currentTag_ != 0)
            engine_->setPaused(pauseWhenOpen_);
        break;
    default:
        setFileName(fileName_); // stopped, ended or failed: from the start
        break;
    }
}

void MediaSession::seek(double seconds) {
    if (engine_ && (state_ == State::Playing || state_ == State::Paused))
        engine_->seek(std::max(0.0, seconds));
}

double MediaSession::position() const {
    if (!engine_ || (state_ != State::Playing && state_ != State::Paused))
        return 0;
    const double pos = engine_->position();
    // The entry before is still heard: the engine counts the time left of
    // it as time before the new entry's start.
    return std::max(0.0, takingOver_ != Follow::None ? heardDuration_ + pos : pos);
}

double MediaSession::duration() const {
    return takingOver_ != Follow::None ? heardDuration_ : engineDuration_;
}

void MediaSession::prepareEngine() {
    platform::loadEngineLibrary();
}

void MediaSession::scheduleEngine() {
    if (engine_ || engineScheduled_)
        return;
    // The libraries load on another thread, so the window never waits for
    // them; settings made before are applied when the engine starts.
    engineScheduled_ = true;
    auto* loading = new QFutureWatcher<void>(this);
    connect(loading, &QFutureWatcher<void>::finished, this, [this, loading] {
        loading->deleteLater();
        startEngine();
    });
    loading->setFuture(platform::loadEngineLibrary());
}

void MediaSession::startEngine() {
    engineScheduled_ = false;
    if (engine_)
        return;
    if (state_ == State::Opening)
        Engine::prepareFile(current_.local);
    engine_ = new Engine(engineOptions(), this);
    if (!engine_->isValid())
        return fail(Failure::NoEngine);
    engine_->setVolume(volume_);
    engine_->setMute(mute_);
    connect(engine_, &Engine::entryStarted, this, &MediaSession::onStarted);
    connect(engine_, &Engine::entryLoaded, this, &MediaSession::onLoaded);
    connect(engine_, &Engine::entryPlaying, this, &MediaSession::onPlaying);
    connect(engine_, &Engine::entryEnded, this, &MediaSession::onEnded);
    connect(engine_, &Engine::pausedChanged, this, [this](bool paused) {
        if (state_ == State::Playing || state_ == State::Paused)
            setState(paused ? State::Paused : State::Playing);
    });
    connect(engine_, &Engine::durationChanged, this, [this](double seconds) {
        engineDuration_ = seconds;
        if (takingOver_ == Follow::None)
            emit heardChanged();
    });
    emit engineStarted(engine_);
    if (waiting_.isOpen())
        loadOpened(std::move(waiting_));
}

// What plays after the current entry: the list's next entry, the next item,
// or the item again while passes are left.
MediaSession::Follow MediaSession::wantedFollow() const {
    if (current_.index + 1 < current_.entries.size())
        return Follow::Entry;
    if (!nextName_.isEmpty())
        return Follow::Item;
    if (playCount_ <= 0 || passesLeft_ > 0)
        return Follow::Pass;
    return Follow::None;
}

void MediaSession::refreshQueue() {
    // Nothing follows an entry that is not loaded. While the next item takes
    // over, whoever named it names what follows once it is heard.
    if (!engine_ || currentTag_ == 0 || takingOver_ == Follow::Item)
        return;
    const Follow want = wantedFollow();
    const QString name = want == Follow::Item ? nextName_ : QString();
    if (want == queued_.follow && name == queued_.name)
        return;
    // Ended, with what was to follow still opening: nothing is in the engine,
    // and what follows now is opened instead (or nothing follows).
    if (!endedAwaiting_ && !engine_->dropQueued())
        return; // too late: it takes over, and what follows it is settled then
    queued_ = {want, 0, name, false};
    const quint64 request = ++queueRequest_;
    if (endedAwaiting_ && want == Follow::None)
        return followAfterEnd();
    if (want == Follow::None)
        return;
    const Item& item = want == Follow::Item ? next_ : current_;
    const int index = want == Follow::Entry ? current_.index + 1 : 0;
    platform::callDetached(
        this,
        [local = item.local, entries = item.entries, index] {
            return playitem::open(local, entries, index);
        },
        [this, request, want, index](playitem::Opened opened) {
            if (request != queueRequest_)
                return;
            Item& item = want == Follow::Item ? next_ : current_;
            item.entries = opened.entries;
            if (!opened.entry.file.isOpen()) {
                queued_.failed = true;
                queued_.failure = failureOf(opened.entry.failure);
                if (endedAwaiting_)
                    followAfterEnd();
                return;
            }
            queued_.tag = ++lastTag_;
            const QString entry = item.entries.value(index);
            if (endedAwaiting_) {
                // The current entry is over: it starts now, with a gap.
                endedAwaiting_ = false;
                deadline_->stop();
                engine_->load(std::move(opened.entry.file), entry, queued_.tag);
            } else {
                engine_->queue(std::move(opened.entry.file), entry, queued_.tag);
            }
        });
}

// The current entry ended with nothing queued in the engine.
void MediaSession::followAfterEnd() {
    endedAwaiting_ = false;
    deadline_->stop();
    const Follow follow = queued_.follow;
    if (follow != Follow::None && !queued_.failed) {
        endedAwaiting_ = true; // still opening: it starts when it is open
        deadline_->start();
        return;
    }
    if (follow == Follow::Item) {
        // The next item takes over and fails, as if it had been set.
        current_ = std::exchange(next_, Item());
        fileName_ = current_.name;
        nextName_.clear();
        const Failure failure = queued_.failure;
        emit NextStarted();
        return fail(failure);
    }
    if (follow != Follow::None) {
        current_.index = follow == Follow::Entry ? current_.index + 1 : 0;
        currentTag_ = 0;
        return entryFailed(queued_.failure);
    }
    currentTag_ = 0;
    queued_ = {};
    setState(State::Ended);
    emit EndOfStream();
    // Nothing was set in its place: the engine lets go of the file.
    if (state_ == State::Ended && engine_)
        engine_->stop();
}

void MediaSession::onStarted(Engine::Tag tag) {
    if (tag == 0 || tag != queued_.tag)
        return; // a loaded entry starting: it reports once it is loaded
    const Follow follow = queued_.follow;
    heardDuration_ = engineDuration_;
    currentTag_ = tag;
    queued_ = {};
    takingOver_ = follow;
    switch (follow) {
    case Follow::Entry:
        ++current_.index;
        break;
    case Follow::Pass:
        current_.index = 0;
        passesLeft_ = std::max(passesLeft_ - 1, 0);
        break;
    case Follow::Item:
        current_ = std::exchange(next_, Item());
        nextName_.clear();
        passesLeft_ = std::max(playCount_ - 1, 0);
        break;
    case Follow::None:
        break;
    }
    // What the sequence starts plays, even where the entry before ended
    // while paused.
    if (engine_->paused())
        engine_->setPaused(false);
    if (state_ == State::Opening || state_ == State::Paused)
        setState(State::Playing);
    // Short entries join as well as long ones: what follows an entry or a
    // pass of this item is queued as soon as it starts.
    refreshQueue();
}

void MediaSession::onLoaded(Engine::Tag tag, bool picture) {
    if (tag == 0 || tag != currentTag_)
        return;
    loadedTags_ = {engine_->property("metadata/by-key/title"),
                   engine_->property("metadata/by-key/artist"),
                   engine_->property("metadata/by-key/album")};
    if (takingOver_ == Follow::None) {
        heardTags_ = loadedTags_;
        ++heardSerial_;
    }
    if (state_ == State::Opening)
        setState(engine_->paused() ? State::Paused : State::Playing);
    emit entryLoaded(picture);
    if (takingOver_ == Follow::None)
        emit heardChanged();
}

void MediaSession::onPlaying(Engine::Tag tag, double delay) {
    if (tag == 0 || tag != currentTag_ || takingOver_ == Follow::None)
        return;
    if (delay <= 0)
        return onHeard();
    heard_->start(static_cast<int>(std::lround(delay * 1000)));
}

void MediaSession::onHeard() {
    heard_->stop();
    const Follow follow = std::exchange(takingOver_, Follow::None);
    if (follow == Follow::None)
        return refreshQueue();
    heardTags_ = loadedTags_;
    ++heardSerial_;
    if (follow == Follow::Item) {
        fileName_ = current_.name;
        emit NextStarted();
    } else if (follow == Follow::Pass) {
        emit PassEnded();
    }
    emit heardChanged();
    refreshQueue();
}

void MediaSession::onEnded(Engine::Tag tag, Engine::End end) {
    if (tag == 0 || tag != currentTag_ || end == Engine::End::Gone)
        return;
    if (takingOver_ != Follow::None) {
        onHeard(); // it ended before it was heard: it was, all of it
        if (tag != currentTag_)
            return; // the take-over replaced it
    }
    if (end == Engine::End::Failed)
        return entryFailed(Failure::Format);
    if (queued_.tag != 0)
        return; // the queued entry follows by itself
    followAfterEnd();
}
