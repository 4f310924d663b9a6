#include "media/engine_backend.h"

#include "media/mpv/midi_stream.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QUrl>

#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>
#include <mpv/stream_cb.h>

#include <clocale>
#include <cmath>

// Quiet unless asked for: QT_LOGGING_RULES="sonoquill.*=true".
Q_LOGGING_CATEGORY(lcEngine, "sonoquill.engine", QtWarningMsg)

namespace {

constexpr char kMidiProtocol[] = "sonoquill-midi";
// Opens nothing: an entry given this fails to load.
constexpr char kRefusedUrl[] = "sonoquill-refused://";
constexpr uint64_t kObservePause = 1, kObserveIdle = 2, kObserveDuration = 3, kObserveLoop = 4;
// "For ever" is a pass count that mpv counts down, so each pass is seen; it is
// topped up long before it runs out.
constexpr long long kForeverPasses = 10000, kTopUpBelow = 5000;

bool isMidi(const QString& path) {
    const QString low = path.toLower();
    return low.endsWith(QLatin1String(".mid")) || low.endsWith(QLatin1String(".midi")) ||
           low.endsWith(QLatin1String(".rmi")) || low.endsWith(QLatin1String(".kar"));
}

// Stream callbacks for MIDI files; mpv calls them on its own threads.
int64_t midiRead(void* cookie, char* buf, uint64_t n) {
    return static_cast<MidiStream*>(cookie)->read(buf, n);
}
int64_t midiSeek(void* cookie, int64_t offset) {
    return static_cast<MidiStream*>(cookie)->seek(offset) ? offset : int64_t{MPV_ERROR_GENERIC};
}
int64_t midiSize(void* cookie) {
    return static_cast<MidiStream*>(cookie)->size();
}
void midiClose(void* cookie) {
    delete static_cast<MidiStream*>(cookie);
}
// From another thread, when the engine gives up the file: the read under way
// returns soon and fails, so a dense file never holds up the next one.
void midiCancel(void* cookie) {
    static_cast<MidiStream*>(cookie)->cancel();
}

int midiOpen(void*, char* uri, mpv_stream_cb_info* info) {
    const QString prefix = QString::fromLatin1(kMidiProtocol) + QStringLiteral("://");
    const QString path = QUrl::fromPercentEncoding(QByteArray(uri).mid(prefix.size()));
    auto stream = MidiStream::open(path);
    if (!stream)
        return MPV_ERROR_LOADING_FAILED;
    info->cookie = stream.release();
    info->read_fn = midiRead;
    info->seek_fn = midiSeek;
    info->size_fn = midiSize;
    info->close_fn = midiClose;
    info->cancel_fn = midiCancel;
    return 0;
}

// Logs a libmpv call that failed; true when it succeeded.
bool check(int result, const char* what) {
    if (result >= 0)
        return true;
    qCWarning(lcEngine, "%s: %s", what, mpv_error_string(result));
    return false;
}

// A refused option leaves the engine's default: playback goes on without it.
void setOption(mpv_handle* h, const char* name, const char* value) {
    check(mpv_set_option_string(h, name, value), name);
}

bool command(mpv_handle* h, const char* const* args) {
    return check(mpv_command(h, const_cast<const char**>(args)), args[0]);
}

// The engine's helpers every handle needs: MIDI through our synthesizer, a
// load hook of ours, and its warnings in our log.
void addOurParts(mpv_handle* h) {
    check(mpv_stream_cb_add_ro(h, kMidiProtocol, nullptr, midiOpen), "stream_cb_add_ro");
    check(mpv_hook_add(h, 0, "on_load", 0), "hook_add");
    check(mpv_request_log_messages(h, "warn"), "request_log_messages");
}

// The engine as a part of ours: no configuration files, scripts or key
// bindings of its own. The built-in scripts (statistics page, console,
// profile switcher) would each run a Lua state that grows with every file.
void setEmbeddedDefaults(mpv_handle* h) {
    for (const char* name :
         {"config", "load-scripts", "load-stats-overlay", "load-osd-console", "load-auto-profiles",
          "ytdl", "input-default-bindings", "input-vo-keyboard", "audio-display"})
        setOption(h, name, "no");
}

// The file the load hook holds, as the playlist names it.
QString openingPath(mpv_handle* h) {
    char* name = mpv_get_property_string(h, "stream-open-filename");
    if (!name)
        return {};
    QString path = QString::fromUtf8(name);
    mpv_free(name);
    return path;
}

// Only files are opened. A FIFO, socket or device may block for ever, in the
// engine's thread where no one could end the wait; a folder would be expanded
// into its whole tree, link loops (/proc) included, without end.
bool isRefusedFile(const QString& path) {
    QString local = path;
    if (path.startsWith(QLatin1String("file://")))
        local = QUrl(path).toLocalFile();
    else if (path.contains(QLatin1String("://")))
        return false;
    const QFileInfo info(local);
    return info.exists() && !info.isFile();
}

// What the engine is given to open for a file: a MIDI file goes to our
// synthesizer (whose soundfont starts loading now), a refused one nowhere.
QByteArray openUrl(const QString& path, bool refuse) {
    if (refuse)
        return kRefusedUrl;
    if (isMidi(path) && !path.startsWith(QLatin1String(kMidiProtocol))) {
        MidiStream::preloadSoundfont();
        return QByteArray(kMidiProtocol) + "://" + QUrl::toPercentEncoding(path);
    }
    return path.toUtf8();
}

// The file on disk behind what the engine opened.
QString localPath(const QString& opened) {
    const QString midi = QString::fromLatin1(kMidiProtocol) + QStringLiteral("://");
    if (opened.startsWith(midi))
        return QUrl::fromPercentEncoding(opened.mid(midi.size()).toUtf8());
    if (opened.startsWith(QLatin1String("file://")))
        return QUrl(opened).toLocalFile();
    return opened;
}

// Every file passes the load hook before it opens. Answers it for the file it
// holds: refused (the entry then fails to load), or let through with MIDI
// routed to our synthesizer.
void answerLoadHook(mpv_handle* h, mpv_event* event, const QString& path, bool refuse) {
    const QByteArray url = openUrl(path, refuse);
    if (url != path.toUtf8())
        check(mpv_set_property_string(h, "stream-open-filename", url.constData()),
              "stream-open-filename");
    check(mpv_hook_continue(h, static_cast<mpv_event_hook*>(event->data)->id), "hook_continue");
}

// Why a file failed, from the engine's error. Only a file the engine could
// not open says nothing more; the file system tells missing from unreadable.
EngineFailure failureOf(int error, const QString& path) {
    if (error == MPV_ERROR_LOADING_FAILED) {
        const QFileInfo info(path);
        if (!info.exists())
            return EngineFailure::Missing;
        if (info.isFile() && !info.isReadable())
            return EngineFailure::Unreadable;
    }
    // A folder or a device is no format we play, readable or not.
    return EngineFailure::Format;
}

void logMessage(const mpv_event_log_message* m) {
    qCInfo(lcEngine, "%s: %s", m->prefix, QByteArray(m->text).trimmed().constData());
}

QString stringProperty(mpv_handle* h, const char* name) {
    char* s = mpv_get_property_string(h, name);
    if (!s)
        return {};
    QString r = QString::fromUtf8(s);
    mpv_free(s);
    return r;
}

} // namespace

// The engine on libmpv. Only this file talks to libmpv.
class MpvBackend final : public EngineBackend {
public:
    MpvBackend(const EngineOptions& options, EngineEvents* events);
    ~MpvBackend() override;

    bool isValid() const override { return handle_ != nullptr; }
    void load(const QString& path) override;
    bool queueNext(const QString& path) override;
    bool hasNext() const override { return nextId_ != 0; }
    void stop() override;
    void setPaused(bool paused) override;
    bool paused() const override { return paused_; }
    bool idle() const override { return idle_; }
    void seek(double seconds) override;
    void setVolume(double engineVolume) override;
    void setMute(bool mute) override;
    void setRepeats(int repeats) override;
    double position() const override;
    double duration() const override { return duration_; }
    QString property(const char* name) const override;
    bool attachSoftwareOutput() override;
    bool attachOpenGlOutput(void* (*getProcAddress)(void*, const char*), void* ctx,
                            void* waylandDisplay) override;
    void renderSoftware(QImage& target) override;
    void renderOpenGl(int fbo, int width, int height) override;
    void detachOutput() override;
    void drainEvents() override;
    bool takeFrame() override;

private:
    void handleEvent(mpv_event* event);
    void handleEndFile(const mpv_event_end_file* end);
    bool createRenderContext(mpv_render_param* params);
    void applyLoop();
    void dropNext();
    int64_t entryAt(int64_t index) const;
    int64_t indexOf(int64_t entry) const;

    EngineEvents* events_;
    QString currentPath_;
    QString opening_; // the entry the load hook last held
    // The queued file: the entry after the current item in the engine's own
    // playlist, which it opens ahead and joins without a gap. 0: none.
    QString nextPath_;
    int64_t nextId_ = 0;
    int64_t playingId_ = 0;
    int64_t ignoredId_ = 0; // a dropped entry that may have started anyway
    // Lists expanded since something last played: one seen again is a circle.
    QSet<QString> expanded_;
    mpv_handle* handle_ = nullptr;
    mpv_render_context* render_ = nullptr;
    bool paused_ = false;
    bool idle_ = true;
    bool endPending_ = false;
    bool repeatForever_ = false;
    int repeats_ = 0;
    long long loopsLeft_ = -1; // mpv counts the passes still to come down
    double duration_ = 0;
};

MpvBackend::MpvBackend(const EngineOptions& options, EngineEvents* events)
    : events_(events) {
    // libmpv refuses to start under a locale whose decimal point is no ".".
    std::setlocale(LC_NUMERIC, "C");
    handle_ = mpv_create();
    if (!handle_)
        return;
    setEmbeddedDefaults(handle_);
    setOption(handle_, "idle", "yes");
    setOption(handle_, "keep-open", "no");
    setOption(handle_, "prefetch-playlist", "yes");
    setOption(handle_, "audio-fallback-to-null", "yes");
    setOption(handle_, "gpu-hwdec-interop", "no");
    setOption(handle_, "hwdec", "no");
    setOption(handle_, "volume-max", "100");
    // No picture output until the program attaches one (only once a file
    // shows a picture): a video track meanwhile decodes into nothing.
    setOption(handle_, "vo", "null");
    if (options.nullOutputs)
        setOption(handle_, "ao", "null");
    if (options.untimed) {
        setOption(handle_, "untimed", "yes");
        setOption(handle_, "ao-null-untimed", "yes");
    }
    for (const auto& [name, value] : options.extra)
        setOption(handle_, name.constData(), value.constData());
    if (!check(mpv_initialize(handle_), "initialize")) {
        mpv_terminate_destroy(handle_);
        handle_ = nullptr;
        return;
    }
    addOurParts(handle_);
    check(mpv_observe_property(handle_, kObservePause, "pause", MPV_FORMAT_FLAG), "observe");
    check(mpv_observe_property(handle_, kObserveIdle, "idle-active", MPV_FORMAT_FLAG), "observe");
    check(mpv_observe_property(handle_, kObserveDuration, "duration", MPV_FORMAT_DOUBLE),
          "observe");
    check(mpv_observe_property(handle_, kObserveLoop, "loop-file", MPV_FORMAT_STRING), "observe");
    // Called on any mpv thread: the program only queues a drain.
    mpv_set_wakeup_callback(
        handle_, [](void* events) { static_cast<EngineEvents*>(events)->wakeup(); }, events_);
}

MpvBackend::~MpvBackend() {
    detachOutput();
    if (handle_) {
        mpv_set_wakeup_callback(handle_, nullptr, nullptr);
        mpv_terminate_destroy(handle_);
    }
}

void MpvBackend::load(const QString& path) {
    if (!handle_)
        return;
    currentPath_ = path;
    opening_.clear();
    endPending_ = false;
    expanded_.clear();
    // Replacing the playlist drops the queued file with it.
    nextId_ = 0;
    nextPath_.clear();
    applyLoop();
    if (isMidi(path))
        MidiStream::preloadSoundfont();
    const QByteArray p = path.toUtf8();
    const char* cmd[] = {"loadfile", p.constData(), "replace", nullptr};
    if (!command(handle_, cmd)) {
        events_->onFailed(failureOf(MPV_ERROR_LOADING_FAILED, path));
        return;
    }
    setPaused(false);
}

// The queued file is given to the engine as it will open it (MIDI already
// routed, a refused file already refused): the engine opens it ahead, before
// the load hook could say so.
bool MpvBackend::queueNext(const QString& path) {
    if (!handle_)
        return false;
    dropNext();
    if (!path.isEmpty()) {
        const QByteArray url = openUrl(path, isRefusedFile(path));
        const char* cmd[] = {"loadfile", url.constData(), "append", nullptr};
        mpv_node result{};
        if (check(mpv_command_ret(handle_, cmd, &result), "loadfile append")) {
            nextId_ = result.format == MPV_FORMAT_NODE_MAP ? 0 : entryAt(-1);
            for (int i = 0; result.format == MPV_FORMAT_NODE_MAP && i < result.u.list->num; ++i)
                if (!strcmp(result.u.list->keys[i], "playlist_entry_id"))
                    nextId_ = result.u.list->values[i].u.int64;
            mpv_free_node_contents(&result);
            nextPath_ = path;
        }
    }
    applyLoop();
    return path.isEmpty() || nextId_ != 0;
}

void MpvBackend::dropNext() {
    if (nextId_ == 0)
        return;
    ignoredId_ = nextId_;
    // Once started the entry is the current one: removing it stops playback.
    if (const int64_t index = indexOf(nextId_); index >= 0) {
        const QByteArray i = QByteArray::number(index);
        const char* cmd[] = {"playlist-remove", i.constData(), nullptr};
        command(handle_, cmd);
    }
    nextId_ = 0;
    nextPath_.clear();
}

// The playlist entry's id at an index (-1: the last); 0 when there is none.
int64_t MpvBackend::entryAt(int64_t index) const {
    int64_t count = 0, id = 0;
    mpv_get_property(handle_, "playlist-count", MPV_FORMAT_INT64, &count);
    if (index < 0)
        index = count - 1;
    if (index < 0 || index >= count)
        return 0;
    const QByteArray name = "playlist/" + QByteArray::number(index) + "/id";
    return mpv_get_property(handle_, name.constData(), MPV_FORMAT_INT64, &id) >= 0 ? id : 0;
}

int64_t MpvBackend::indexOf(int64_t entry) const {
    int64_t count = 0;
    mpv_get_property(handle_, "playlist-count", MPV_FORMAT_INT64, &count);
    for (int64_t i = 0; i < count; ++i)
        if (entryAt(i) == entry)
            return i;
    return -1;
}

void MpvBackend::stop() {
    if (!handle_)
        return;
    endPending_ = false;
    nextId_ = 0; // the engine's stop empties its playlist
    nextPath_.clear();
    const char* cmd[] = {"stop", nullptr};
    command(handle_, cmd);
    applyLoop();
}

void MpvBackend::setPaused(bool paused) {
    if (!handle_)
        return;
    int flag = paused ? 1 : 0;
    check(mpv_set_property(handle_, "pause", MPV_FORMAT_FLAG, &flag), "pause");
}

void MpvBackend::seek(double seconds) {
    if (!handle_)
        return;
    const QByteArray s = QByteArray::number(seconds, 'f', 3);
    const char* cmd[] = {"seek", s.constData(), "absolute", nullptr};
    check(mpv_command_async(handle_, 0, cmd), "seek");
}

void MpvBackend::setVolume(double mpvVolume) {
    if (handle_)
        check(mpv_set_property(handle_, "volume", MPV_FORMAT_DOUBLE, &mpvVolume), "volume");
}

void MpvBackend::setMute(bool mute) {
    if (!handle_)
        return;
    int flag = mute ? 1 : 0;
    check(mpv_set_property(handle_, "mute", MPV_FORMAT_FLAG, &flag), "mute");
}

void MpvBackend::setRepeats(int repeats) {
    if (!handle_)
        return;
    repeatForever_ = repeats < 0;
    repeats_ = repeats;
    applyLoop();
}

// While a file is queued the current one never repeats: its end starts the
// queued one.
void MpvBackend::applyLoop() {
    const QByteArray value = nextId_ != 0 || repeats_ == 0 ? QByteArray("no")
                             : repeats_ < 0                ? QByteArray::number(kForeverPasses)
                                                           : QByteArray::number(repeats_);
    loopsLeft_ = -1;
    check(mpv_set_property_string(handle_, "loop-file", value.constData()), "loop-file");
}

double MpvBackend::position() const {
    double pos = 0;
    if (!handle_ || mpv_get_property(handle_, "time-pos", MPV_FORMAT_DOUBLE, &pos) < 0)
        return 0;
    return pos;
}

QString MpvBackend::property(const char* name) const {
    return handle_ ? stringProperty(handle_, name) : QString();
}

void probeMedia(const QString& path, QList<QPair<QString, QString>>& facts) {
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv_create();
    if (!h)
        return;
    setEmbeddedDefaults(h);
    for (const char* name : {"vo", "ao"})
        setOption(h, name, "null");
    for (const char* name : {"pause", "idle"})
        setOption(h, name, "yes");
    if (!check(mpv_initialize(h), "initialize")) {
        mpv_terminate_destroy(h);
        return;
    }
    addOurParts(h);
    const QByteArray p = path.toUtf8();
    const char* cmd[] = {"loadfile", p.constData(), nullptr};
    bool loaded = false;
    const bool opening = command(h, cmd);
    for (int i = 0; opening && i < 100 && !loaded; ++i) {
        mpv_event* e = mpv_wait_event(h, 0.05);
        if (e->event_id == MPV_EVENT_LOG_MESSAGE)
            logMessage(static_cast<mpv_event_log_message*>(e->data));
        else if (e->event_id == MPV_EVENT_HOOK) {
            const QString opening = openingPath(h);
            answerLoadHook(h, e, opening, isRefusedFile(opening));
        } else if (e->event_id == MPV_EVENT_FILE_LOADED)
            loaded = true;
        else if (e->event_id == MPV_EVENT_END_FILE)
            break;
    }
    if (loaded) {
        auto add = [&](const QString& label, const QString& value) {
            if (!value.isEmpty())
                facts.append({label, value});
        };
        double seconds = 0;
        if (mpv_get_property(h, "duration", MPV_FORMAT_DOUBLE, &seconds) >= 0 && seconds > 0) {
            const auto total = static_cast<long long>(seconds);
            add(QStringLiteral("長さ"),
                QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0')));
            int64_t bytes = 0;
            if (mpv_get_property(h, "file-size", MPV_FORMAT_INT64, &bytes) >= 0 && bytes > 0)
                add(QStringLiteral("ビットレート"),
                    QStringLiteral("%1 kbps").arg(std::llround(bytes * 8 / seconds / 1000)));
        }
        add(QStringLiteral("形式"), stringProperty(h, "file-format"));
        add(QStringLiteral("音声"), stringProperty(h, "current-tracks/audio/codec"));
        add(QStringLiteral("映像"), stringProperty(h, "current-tracks/video/codec"));
        const QString w = stringProperty(h, "current-tracks/video/demux-w");
        const QString hh = stringProperty(h, "current-tracks/video/demux-h");
        if (!w.isEmpty() && !hh.isEmpty())
            add(QStringLiteral("画像サイズ"), w + QStringLiteral(" x ") + hh);
        int64_t tags = 0;
        check(mpv_get_property(h, "metadata/list/count", MPV_FORMAT_INT64, &tags), "metadata");
        for (int64_t i = 0; i < tags && i < 32; ++i) {
            const QByteArray base = "metadata/list/" + QByteArray::number(i);
            add(stringProperty(h, (base + "/key").constData()),
                stringProperty(h, (base + "/value").constData()));
        }
    }
    mpv_terminate_destroy(h);
}

void MpvBackend::drainEvents() {
    while (handle_) {
        mpv_event* event = mpv_wait_event(handle_, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(event);
    }
}

void MpvBackend::handleEvent(mpv_event* event) {
    switch (event->event_id) {
    case MPV_EVENT_LOG_MESSAGE:
        logMessage(static_cast<mpv_event_log_message*>(event->data));
        break;
    case MPV_EVENT_HOOK: {
        const QString path = openingPath(handle_);
        // A list that names itself, or lists that name each other, would be
        // expanded again at each turn without end. Such an entry fails.
        const bool refuse = expanded_.contains(path) || isRefusedFile(path);
        opening_ = path;
        answerLoadHook(handle_, event, path, refuse);
        break;
    }
    case MPV_EVENT_START_FILE: {
        playingId_ = static_cast<mpv_event_start_file*>(event->data)->playlist_entry_id;
        if (playingId_ == ignoredId_)
            break;
        endPending_ = false;
        if (nextId_ != 0 && playingId_ == nextId_) {
            currentPath_ = nextPath_;
            nextId_ = 0;
            nextPath_.clear();
            expanded_.clear();
            applyLoop();
            // What played before is done with: the playlist stays [current, next].
            const char* cmd[] = {"playlist-clear", nullptr};
            command(handle_, cmd);
            events_->onNextStarted();
        }
        events_->onFileStarted();
        break;
    }
    case MPV_EVENT_FILE_LOADED: {
        if (playingId_ == ignoredId_)
            break;
        expanded_.clear();
        // Tracks are chosen by now; album art is never shown as a picture.
        int64_t id = 0;
        const bool picture =
            mpv_get_property(handle_, "current-tracks/video/id", MPV_FORMAT_INT64, &id) >= 0;
        events_->onFileLoaded(picture);
        if (!picture)
            events_->onPictureSize(0, 0);
        break;
    }
    case MPV_EVENT_VIDEO_RECONFIG: {
        int64_t w = 0, h = 0;
        if (mpv_get_property(handle_, "dwidth", MPV_FORMAT_INT64, &w) >= 0 &&
            mpv_get_property(handle_, "dheight", MPV_FORMAT_INT64, &h) >= 0 && w > 0 && h > 0)
            events_->onPictureSize(static_cast<int>(w), static_cast<int>(h));
        break;
    }
    case MPV_EVENT_END_FILE:
        handleEndFile(static_cast<mpv_event_end_file*>(event->data));
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        auto* prop = static_cast<mpv_event_property*>(event->data);
        if (event->reply_userdata == kObservePause && prop->format == MPV_FORMAT_FLAG) {
            paused_ = *static_cast<int*>(prop->data) != 0;
            events_->onPausedChanged(paused_);
        } else if (event->reply_userdata == kObserveIdle && prop->format == MPV_FORMAT_FLAG) {
            idle_ = *static_cast<int*>(prop->data) != 0;
            if (idle_ && endPending_) {
                endPending_ = false;
                events_->onEndOfStream();
            }
        } else if (event->reply_userdata == kObserveLoop && prop->format == MPV_FORMAT_STRING) {
            bool number = false;
            const long long left = QByteArray(*static_cast<char**>(prop->data)).toLongLong(&number);
            if (!number) {
                loopsLeft_ = -1;
                break;
            }
            const bool passed = loopsLeft_ >= 0 && left < loopsLeft_;
            loopsLeft_ = left;
            if (repeatForever_ && nextId_ == 0 && left < kTopUpBelow)
                check(mpv_set_property_string(handle_, "loop-file",
                                              QByteArray::number(kForeverPasses).constData()),
                      "loop-file");
            if (passed)
                events_->onPassEnded();
        } else if (event->reply_userdata == kObserveDuration) {
            duration_ = prop->format == MPV_FORMAT_DOUBLE ? *static_cast<double*>(prop->data) : 0;
            events_->onDurationChanged(duration_);
        }
        break;
    }
    default:
        break;
    }
}

void MpvBackend::handleEndFile(const mpv_event_end_file* end) {
    if (end->playlist_entry_id == ignoredId_)
        return;
    if (end->reason == MPV_END_FILE_REASON_REDIRECT) {
        // A list, replaced by its entries.
        expanded_.insert(opening_);
    } else if (end->reason == MPV_END_FILE_REASON_EOF) {
        // The end counts once nothing else of the item follows: mpv then
        // goes idle; a playlist's next entry starts a file instead.
        endPending_ = true;
    } else if (end->reason == MPV_END_FILE_REASON_ERROR) {
        qCInfo(lcEngine, "%s: %s", qUtf8Printable(opening_), mpv_error_string(end->error));
        // The last entry of the current item failed: the queued file does
        // not follow a failure.
        if (nextId_ != 0 && end->playlist_entry_id != nextId_ &&
            entryAt(indexOf(end->playlist_entry_id) + 1) == nextId_)
            dropNext();
        const bool own = opening_.isEmpty() || opening_ == QLatin1String(kRefusedUrl);
        events_->onFailed(failureOf(end->error, own ? currentPath_ : localPath(opening_)));
    }
}

bool MpvBackend::createRenderContext(mpv_render_param* params) {
    if (!handle_ || render_)
        return false;
    if (!check(mpv_render_context_create(&render_, handle_, params), "render_context_create")) {
        render_ = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(
        render_, [](void* events) { static_cast<EngineEvents*>(events)->renderUpdate(); }, events_);
    // The running video, if any, moves over to the new output.
    mpv_set_property_string(handle_, "vo", "libmpv");
    return true;
}

bool MpvBackend::attachSoftwareOutput() {
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    return createRenderContext(params);
}

bool MpvBackend::attachOpenGlOutput(void* (*getProcAddress)(void*, const char*), void* ctx,
                                    void* waylandDisplay) {
    mpv_opengl_init_params gl{getProcAddress, ctx};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        // Without a Wayland connection this entry ends the list.
        {waylandDisplay ? MPV_RENDER_PARAM_WL_DISPLAY : MPV_RENDER_PARAM_INVALID, waylandDisplay},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    return createRenderContext(params);
}

bool MpvBackend::takeFrame() {
    return render_ && (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME);
}

void MpvBackend::renderSoftware(QImage& target) {
    if (!render_ || target.isNull())
        return;
    int size[2] = {target.width(), target.height()};
    size_t stride = static_cast<size_t>(target.bytesPerLine());
    char format[] = "rgb0";
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                                 {MPV_RENDER_PARAM_SW_FORMAT, format},
                                 {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                 {MPV_RENDER_PARAM_SW_POINTER, target.bits()},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    check(mpv_render_context_render(render_, params), "render");
}

void MpvBackend::renderOpenGl(int fbo, int width, int height) {
    if (!render_)
        return;
    mpv_opengl_fbo target{fbo, width, height, 0};
    int flipY = 1; // Qt's framebuffer is upside down for mpv
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flipY},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    check(mpv_render_context_render(render_, params), "render");
}

void MpvBackend::detachOutput() {
    if (render_) {
        mpv_render_context_free(render_);
        render_ = nullptr;
    }
}

extern "C" __attribute__((visibility("default"))) EngineBackend*
sonoquill_create_engine(const EngineOptions* options, EngineEvents* events) {
    return new MpvBackend(*options, events);
}

// A MIDI file's soundfont loads while the engine starts.
extern "C" __attribute__((visibility("default"))) void sonoquill_prepare_file(const QString* path) {
    if (isMidi(*path))
        MidiStream::preloadSoundfont();
}

extern "C" __attribute__((visibility("default"))) void
sonoquill_probe_media(const QString* path, QList<QPair<QString, QString>>* facts) {
    probeMedia(*path, *facts);
}
