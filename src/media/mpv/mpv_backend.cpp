#include "media/engine_backend.h"

#include "media/mpv/midi_stream.h"

#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>
#include <mpv/stream_cb.h>

#include <clocale>
#include <cmath>

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
    return 0;
}

void setOption(mpv_handle* h, const char* name, const char* value) {
    mpv_set_option_string(h, name, value);
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

// Every file passes the load hook before it opens: MIDI goes to our synthesizer.
void routeMidi(mpv_handle* h, const QString& path) {
    if (isMidi(path) && !path.startsWith(QLatin1String(kMidiProtocol))) {
        const QByteArray url = QByteArray(kMidiProtocol) + "://" + QUrl::toPercentEncoding(path);
        mpv_set_property_string(h, "stream-open-filename", url.constData());
    }
}

// Answers the load hook for the file it holds: refused (the entry then fails
// to load), or let through with MIDI routed to our synthesizer.
void answerLoadHook(mpv_handle* h, mpv_event* event, const QString& path, bool refuse) {
    if (refuse)
        mpv_set_property_string(h, "stream-open-filename", kRefusedUrl);
    else
        routeMidi(h, path);
    mpv_hook_continue(h, static_cast<mpv_event_hook*>(event->data)->id);
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
    bool createRenderContext(mpv_render_param* params);

    EngineEvents* events_;
    QString currentPath_;
    QString opening_; // the entry the load hook last let through
    // Lists expanded since something last played: one seen again is a circle.
    QSet<QString> expanded_;
    mpv_handle* handle_ = nullptr;
    mpv_render_context* render_ = nullptr;
    bool paused_ = false;
    bool idle_ = true;
    bool endPending_ = false;
    bool repeatForever_ = false;
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
    if (mpv_initialize(handle_) < 0) {
        mpv_terminate_destroy(handle_);
        handle_ = nullptr;
        return;
    }
    mpv_stream_cb_add_ro(handle_, kMidiProtocol, nullptr, midiOpen);
    mpv_hook_add(handle_, 0, "on_load", 0);
    mpv_observe_property(handle_, kObservePause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(handle_, kObserveIdle, "idle-active", MPV_FORMAT_FLAG);
    mpv_observe_property(handle_, kObserveDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle_, kObserveLoop, "loop-file", MPV_FORMAT_STRING);
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
    endPending_ = false;
    expanded_.clear();
    const QByteArray p = path.toUtf8();
    const char* cmd[] = {"loadfile", p.constData(), "replace", nullptr};
    mpv_command(handle_, cmd);
    setPaused(false);
}

void MpvBackend::stop() {
    if (!handle_)
        return;
    endPending_ = false;
    const char* cmd[] = {"stop", nullptr};
    mpv_command(handle_, cmd);
}

void MpvBackend::setPaused(bool paused) {
    if (!handle_)
        return;
    int flag = paused ? 1 : 0;
    mpv_set_property(handle_, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvBackend::seek(double seconds) {
    if (!handle_)
        return;
    const QByteArray s = QByteArray::number(seconds, 'f', 3);
    const char* cmd[] = {"seek", s.constData(), "absolute", nullptr};
    mpv_command_async(handle_, 0, cmd);
}

void MpvBackend::setVolume(double mpvVolume) {
    if (handle_)
        mpv_set_property(handle_, "volume", MPV_FORMAT_DOUBLE, &mpvVolume);
}

void MpvBackend::setMute(bool mute) {
    if (!handle_)
        return;
    int flag = mute ? 1 : 0;
    mpv_set_property(handle_, "mute", MPV_FORMAT_FLAG, &flag);
}

void MpvBackend::setRepeats(int repeats) {
    if (!handle_)
        return;
    repeatForever_ = repeats < 0;
    const QByteArray value = repeats < 0    ? QByteArray::number(kForeverPasses)
                             : repeats == 0 ? QByteArray("no")
                                            : QByteArray::number(repeats);
    loopsLeft_ = -1;
    mpv_set_property_string(handle_, "loop-file", value.constData());
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
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return;
    }
    mpv_stream_cb_add_ro(h, kMidiProtocol, nullptr, midiOpen);
    mpv_hook_add(h, 0, "on_load", 0);
    const QByteArray p = path.toUtf8();
    const char* cmd[] = {"loadfile", p.constData(), nullptr};
    mpv_command(h, cmd);
    bool loaded = false;
    for (int i = 0; i < 100 && !loaded; ++i) {
        mpv_event* e = mpv_wait_event(h, 0.05);
        if (e->event_id == MPV_EVENT_HOOK) {
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
        mpv_get_property(h, "metadata/list/count", MPV_FORMAT_INT64, &tags);
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
    case MPV_EVENT_HOOK: {
        const QString path = openingPath(handle_);
        // A list that names itself, or lists that name each other, would be
        // expanded again at each turn without end. Such an entry fails.
        const bool refuse = expanded_.contains(path) || isRefusedFile(path);
        if (!refuse)
            opening_ = path;
        answerLoadHook(handle_, event, path, refuse);
        break;
    }
    case MPV_EVENT_START_FILE:
        endPending_ = false;
        events_->onFileStarted();
        break;
    case MPV_EVENT_FILE_LOADED: {
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
    case MPV_EVENT_END_FILE: {
        auto* end = static_cast<mpv_event_end_file*>(event->data);
        if (end->reason == MPV_END_FILE_REASON_REDIRECT) {
            // A list, replaced by its entries.
            expanded_.insert(opening_);
        } else if (end->reason == MPV_END_FILE_REASON_EOF) {
            // The end counts once nothing else of the item follows: mpv then
            // goes idle; a playlist's next entry starts a file instead.
            endPending_ = true;
        } else if (end->reason == MPV_END_FILE_REASON_ERROR) {
            // A folder or a device is no format we play, readable or not.
            QFileInfo info(currentPath_);
            const EngineFailure f = !info.exists() ? EngineFailure::Missing
                                    : info.isFile() && !info.isReadable()
                                        ? EngineFailure::Unreadable
                                        : EngineFailure::Format;
            events_->onFailed(f);
        }
        break;
    }
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
            if (repeatForever_ && left < kTopUpBelow)
                mpv_set_property_string(handle_, "loop-file",
                                        QByteArray::number(kForeverPasses).constData());
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

bool MpvBackend::createRenderContext(mpv_render_param* params) {
    if (!handle_ || render_)
        return false;
    if (mpv_render_context_create(&render_, handle_, params) < 0) {
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
    mpv_render_context_render(render_, params);
}

void MpvBackend::renderOpenGl(int fbo, int width, int height) {
    if (!render_)
        return;
    mpv_opengl_fbo target{fbo, width, height, 0};
    int flipY = 1; // Qt's framebuffer is upside down for mpv
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flipY},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(render_, params);
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

extern "C" __attribute__((visibility("default"))) void
sonoquill_probe_media(const QString* path, QList<QPair<QString, QString>>* facts) {
    probeMedia(*path, *facts);
}
