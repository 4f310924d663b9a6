#include "media/engine_backend.h"
#include "media/midi_kind.h"

#include "media/mpv/file_streams.h"
#include "media/mpv/midi_stream.h"
#include "media/mpv/mpv_common.h"

#include <mpv/render.h>
#include <mpv/render_gl.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <unistd.h>

using namespace mpvcommon;

namespace {

constexpr uint64_t kObservePause = 1, kObserveDuration = 2, kObserveEof = 3;

// An entry of the engine's playlist as we handed it over.
struct Entry {
    int64_t id = 0; // the engine's playlist entry id; 0: none
    EntryTag tag = 0;
    QByteArray url;
    QString name;
    bool ended = false; // its end was told
};

} // namespace

// The engine on libmpv. Its playlist holds at most [current, queued]: the
// entry that plays and the one that follows it without a gap. Every event is
// told by our tag of the entry it concerns; nothing here keeps a state of its
// own that the engine does not report.
class MpvBackend final : public EngineBackend {
public:
    MpvBackend(const EngineOptions& options, EngineEvents* events);
    ~MpvBackend() override;

    bool isValid() const override { return handle_ != nullptr; }
    void setEvents(EngineEvents* events) override;
    void load(int fd, int64_t size, const QString& name, EntryTag tag) override;
    void queue(int fd, int64_t size, const QString& name, EntryTag tag) override;
    bool dropQueued() override;
    void stop() override;
    void setPaused(bool paused) override;
    bool paused() const override;
    void seek(double seconds) override;
    void setVolume(double engineVolume) override;
    void setMute(bool mute) override;
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
    void reachedEnd();
    bool createRenderContext(mpv_render_param* params);
    // Appends the file to the engine's playlist (replacing it when asked).
    Entry add(int fd, int64_t size, const QString& name, EntryTag tag, const char* how);
    void forget(Entry& entry);
    int64_t indexOf(int64_t id) const;

    EngineEvents* events_;
    mpv_handle* handle_ = nullptr;
    mpv_render_context* render_ = nullptr;
    Entry current_; // started, or loaded and about to start
    Entry queued_;
    EntryTag awaitingSound_ = 0; // started; its first sound not yet placed
    bool paused_ = false;
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
    // The last entry stays at its end instead of ending the playback: the
    // output stays open, so an entry that comes late still joins without a
    // new start of the device. The end is seen as eof-reached.
    setOption(handle_, "keep-open", "yes");
    setOption(handle_, "keep-open-pause", "no");
    setOption(handle_, "prefetch-playlist", "yes");
    setOption(handle_, "audio-fallback-to-null", "yes");
    setOption(handle_, "gpu-hwdec-interop", "no");
    setOption(handle_, "hwdec", "auto-safe"); // falls back to software by itself
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
    check(mpv_observe_property(handle_, kObserveDuration, "duration", MPV_FORMAT_DOUBLE),
          "observe");
    check(mpv_observe_property(handle_, kObserveEof, "eof-reached", MPV_FORMAT_FLAG), "observe");
    if (events_)
        setEvents(events_);
}

void MpvBackend::setEvents(EngineEvents* events) {
    events_ = events;
    if (!handle_ || !events_)
        return;
    // Called on any mpv thread: the program only queues a drain.
    mpv_set_wakeup_callback(
        handle_, [](void* events) { static_cast<EngineEvents*>(events)->wakeup(); }, events_);
    events_->wakeup(); // what came while no one listened
}

MpvBackend::~MpvBackend() {
    detachOutput();
    if (handle_) {
        mpv_set_wakeup_callback(handle_, nullptr, nullptr);
        mpv_terminate_destroy(handle_);
    }
    forget(current_);
    forget(queued_);
}

void MpvBackend::forget(Entry& entry) {
    if (!entry.url.isEmpty())
        filestreams::release(entry.url);
    entry = Entry();
}

Entry MpvBackend::add(int fd, int64_t size, const QString& name, EntryTag tag, const char* how) {
    Entry entry{0, tag, filestreams::publish(fd, size, name), name};
    const char* cmd[] = {"loadfile", entry.url.constData(), how, nullptr};
    mpv_node result{};
    if (!check(mpv_command_ret(handle_, cmd, &result), "loadfile")) {
        forget(entry);
        return entry;
    }
    if (result.format == MPV_FORMAT_NODE_MAP)
        for (int i = 0; i < result.u.list->num; ++i)
            if (!strcmp(result.u.list->keys[i], "playlist_entry_id"))
                entry.id = result.u.list->values[i].u.int64;
    mpv_free_node_contents(&result);
    return entry;
}

void MpvBackend::load(int fd, int64_t size, const QString& name, EntryTag tag) {
    if (!handle_) {
        ::close(fd);
        return;
    }
    // Replacing the playlist drops the queued entry unstarted: no end of it
    // is ever reported. The current one ends as replaced.
    forget(queued_);
    const Entry before = current_;
    current_ = add(fd, size, name, tag, "replace");
    if (!before.url.isEmpty())
        filestreams::release(before.url);
    awaitingSound_ = 0;
    if (current_.id == 0) {
        events_->onEntryEnded(tag, EngineEnd::Failed);
        return;
    }
    setPaused(false);
}

void MpvBackend::queue(int fd, int64_t size, const QString& name, EntryTag tag) {
    if (!handle_) {
        ::close(fd);
        return;
    }
    if (!dropQueued()) {
        ::close(fd);
        return;
    }
    queued_ = add(fd, size, name, tag, "append");
}

bool MpvBackend::dropQueued() {
    if (queued_.id == 0)
        return true;
    const int64_t index = indexOf(queued_.id);
    int64_t playing = -1;
    mpv_get_property(handle_, "playlist-playing-pos", MPV_FORMAT_INT64, &playing);
    // Once started it is the current entry: removing it would stop the
    // playback. It takes over as queued; its start is on its way to us.
    if (index >= 0 && index == playing)
        return false;
    if (index >= 0) {
        const QByteArray i = QByteArray::number(index);
        const char* cmd[] = {"playlist-remove", i.constData(), nullptr};
        command(handle_, cmd);
    }
    forget(queued_);
    return true;
}

int64_t MpvBackend::indexOf(int64_t id) const {
    int64_t count = 0;
    mpv_get_property(handle_, "playlist-count", MPV_FORMAT_INT64, &count);
    for (int64_t i = 0; i < count; ++i) {
        int64_t at = 0;
        const QByteArray name = "playlist/" + QByteArray::number(i) + "/id";
        if (mpv_get_property(handle_, name.constData(), MPV_FORMAT_INT64, &at) >= 0 && at == id)
            return i;
    }
    return -1;
}

void MpvBackend::stop() {
    if (!handle_)
        return;
    forget(queued_); // the engine's stop empties its playlist
    awaitingSound_ = 0;
    const char* cmd[] = {"stop", nullptr};
    command(handle_, cmd);
}

void MpvBackend::setPaused(bool paused) {
    if (!handle_)
        return;
    int flag = paused ? 1 : 0;
    // The engine has taken it when the call returns: a second toggle right
    // after acts on it, not on what was reported before.
    if (check(mpv_set_property(handle_, "pause", MPV_FORMAT_FLAG, &flag), "pause"))
        paused_ = paused;
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

// The engine's flag as it stands: a change event may still be on its way,
// and one already queued may tell a value the flag no longer has.
bool MpvBackend::paused() const {
    int flag = 0;
    if (!handle_ || mpv_get_property(handle_, "pause", MPV_FORMAT_FLAG, &flag) < 0)
        return paused_;
    return flag != 0;
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
    case MPV_EVENT_START_FILE: {
        const int64_t id = static_cast<mpv_event_start_file*>(event->data)->playlist_entry_id;
        if (queued_.id != 0 && id == queued_.id) {
            // The queued entry takes over; what played before is done with.
            forget(current_);
            current_ = std::exchange(queued_, Entry());
            const char* cmd[] = {"playlist-clear", nullptr};
            command(handle_, cmd);
        } else if (id != current_.id) {
            break; // dropped while it started: it is stopped already
        }
        awaitingSound_ = current_.tag;
        events_->onEntryStarted(current_.tag);
        break;
    }
    case MPV_EVENT_FILE_LOADED: {
        if (current_.id == 0)
            break;
        // Tracks are chosen by now; album art is never shown as a picture.
        int64_t id = 0;
        const bool picture =
            mpv_get_property(handle_, "current-tracks/video/id", MPV_FORMAT_INT64, &id) >= 0;
        events_->onEntryLoaded(current_.tag, picture);
        if (!picture)
            events_->onPictureSize(0, 0);
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        // The entry's first frames are in the output now; behind what the
        // output still holds of the entry before, which the engine counts as
        // time before this entry's start.
        if (awaitingSound_ != 0 && awaitingSound_ == current_.tag) {
            awaitingSound_ = 0;
            events_->onEntryPlaying(current_.tag, std::max(0.0, -position()));
        }
        break;
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
            paused_ = paused();
            events_->onPausedChanged(paused_);
        } else if (event->reply_userdata == kObserveDuration) {
            duration_ = prop->format == MPV_FORMAT_DOUBLE ? *static_cast<double*>(prop->data) : 0;
            events_->onDurationChanged(duration_);
        } else if (event->reply_userdata == kObserveEof && prop->format == MPV_FORMAT_FLAG &&
                   *static_cast<int*>(prop->data) != 0) {
            reachedEnd();
        }
        break;
    }
    default:
        break;
    }
}

// The current entry is held at its end. An entry queued meanwhile follows
// now; otherwise the end is told, once.
void MpvBackend::reachedEnd() {
    if (current_.id == 0 || current_.ended)
        return;
    if (queued_.id != 0) {
        const char* cmd[] = {"playlist-next", nullptr};
        command(handle_, cmd);
        return;
    }
    current_.ended = true;
    events_->onEntryEnded(current_.tag, EngineEnd::Eof);
}

void MpvBackend::handleEndFile(const mpv_event_end_file* end) {
    Entry* entry = end->playlist_entry_id == current_.id  ? &current_
                   : end->playlist_entry_id == queued_.id ? &queued_
                                                          : nullptr;
    if (!entry || entry->id == 0)
        return; // replaced or dropped: its end was told, or never will be
    const EntryTag tag = entry->tag;
    const bool told = entry->ended;
    if (end->reason == MPV_END_FILE_REASON_ERROR)
        qCInfo(lcEngine, "%s: %s", qUtf8Printable(entry->name), mpv_error_string(end->error));
    forget(*entry);
    if (awaitingSound_ == tag)
        awaitingSound_ = 0;
    if (!told)
        events_->onEntryEnded(tag, end->reason == MPV_END_FILE_REASON_EOF     ? EngineEnd::Eof
                                   : end->reason == MPV_END_FILE_REASON_ERROR ? EngineEnd::Failed
                                                                              : EngineEnd::Gone);
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
extern "C" __attribute__((visibility("default"))) void sonoquill_prepare_file(const QString* name) {
    if (isMidiName(*name))
        MidiStream::preloadSoundfont();
}
