#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QString>

#include <atomic>

struct mpv_handle;
struct mpv_render_context;

// The playback engine: owns the libmpv handle and its render context and is
// the only place that talks to libmpv. Events are drained on the GUI thread;
// mpv's own threads only ever queue a call here.
class Engine : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool nullOutputs = false; // no sound device, no picture (headless runs)
        bool untimed = false;     // play as fast as decoding allows (tests)
        // Further engine options, name and value, applied last (tests).
        QList<QPair<QByteArray, QByteArray>> extra;
    };

    // Why a file could not be played.
    enum class Failure { Missing, Unreadable, Format };

    explicit Engine(const Options& options, QObject* parent = nullptr);
    ~Engine() override;

    // False when libmpv could not be set up; every call is then a no-op.
    bool isValid() const { return handle_ != nullptr; }
    const Options& options() const { return options_; }

    // Opens the file (a MIDI file through the synthesizer) and starts it,
    // replacing whatever played before.
    void load(const QString& path);
    void stop();
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    bool idle() const { return idle_; }
    void seek(double seconds);
    void setVolume(double mpvVolume);
    void setMute(bool mute);
    // Extra passes of the loaded file after the first: -1 for ever, 0 none.
    void setRepeats(int repeats);

    double position() const;
    double duration() const { return duration_; }

    // Media facts for a properties window: container, codecs, size, tags.
    QString property(const char* name) const;

    // Facts about a file that is not playing, read by a short-lived engine of
    // its own (at most a few seconds): label and value, in display order.
    static QList<QPair<QString, QString>> probe(const QString& path);

    // Picture output. A software target draws into a QImage; an OpenGL
    // target into the current context's framebuffer. One of them, once.
    bool attachSoftwareOutput();
    bool attachOpenGlOutput(void* (*getProcAddress)(void* ctx, const char* name), void* ctx);
    void renderSoftware(QImage& target);
    void renderOpenGl(int fbo, int width, int height);
    // Frees the render context; call with the OpenGL context current.
    void detachOutput();

signals:
    void fileStarted();
    void fileLoaded(bool hasPicture);
    // A real end of the loaded item (all of a playlist's entries); never for
    // a replaced, stopped or failed file.
    void endOfStream();
    // A pass of a repeating file ended and the file starts again.
    void passEnded();
    void failed(Engine::Failure failure);
    void pictureSizeChanged(QSize displaySize);
    void pausedChanged(bool paused);
    void durationChanged(double seconds);
    void frameReady();

private:
    void drainEvents();
    void handleEvent(void* event);
    void onRenderUpdate();
    bool createRenderContext(void* params);

    Options options_;
    QString currentPath_;
    mpv_handle* handle_ = nullptr;
    mpv_render_context* render_ = nullptr;
    std::atomic_bool wakeupQueued_{false};
    std::atomic_bool renderUpdateQueued_{false};
    bool paused_ = false;
    bool idle_ = true;
    bool endPending_ = false;
    bool repeatForever_ = false;
    long long loopsLeft_ = -1; // mpv counts the passes still to come down
    double duration_ = 0;
};
