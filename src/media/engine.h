#pragma once

#include "media/engine_backend.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>

// The playback engine as the program sees it: a QObject whose signals come on
// the GUI thread. It loads the engine library on first use; without it every
// call is a no-op and isValid() is false.
class Engine : public QObject, private EngineEvents {
    Q_OBJECT
public:
    using Options = EngineOptions;
    using Failure = EngineFailure;

    explicit Engine(const Options& options, QObject* parent = nullptr);
    ~Engine() override;

    bool isValid() const { return backend_ && backend_->isValid(); }

    // Opens the file (a MIDI file through the synthesizer) and starts it,
    // replacing whatever played before.
    void load(const QString& path);
    // The file to play right after the loaded item, opened ahead and joined
    // without a gap; "" drops it. False when the engine refused it.
    bool queueNext(const QString& path);
    bool hasNext() const;
    void stop();
    void setPaused(bool paused);
    bool paused() const;
    bool idle() const;
    void seek(double seconds);
    void setVolume(double engineVolume);
    void setMute(bool mute);
    // Extra passes of the loaded file after the first: -1 for ever, 0 none.
    void setRepeats(int repeats);
    double position() const;
    double duration() const;
    // Media facts for a properties window: container, codecs, size, tags.
    QString property(const char* name) const;

    // Facts about a file that is not playing, read by a short-lived engine of
    // its own on a thread of its own (at most a few seconds): label and
    // value, in display order.
    using Facts = QList<QPair<QString, QString>>;
    static QFuture<Facts> probeAsync(const QString& path);
    // Before the engine exists: starts what the file will need (a MIDI file's
    // soundfont) on a thread of its own.
    static void prepareFile(const QString& path);

    // Picture output. A software target draws into a QImage; an OpenGL
    // target into the current context's framebuffer. One of them, once.
    bool attachSoftwareOutput();
    // waylandDisplay: the program's wl_display under Wayland (the engine
    // shares it for decoding in hardware), else nullptr.
    bool attachOpenGlOutput(void* (*getProcAddress)(void* ctx, const char* name), void* ctx,
                            void* waylandDisplay = nullptr);
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
    // The queued file started where the loaded one ended; no endOfStream.
    void nextStarted();
    // A pass of a repeating file ended and the file starts again.
    void passEnded();
    void failed(Engine::Failure failure);
    void pictureSizeChanged(QSize displaySize);
    void pausedChanged(bool paused);
    void durationChanged(double seconds);
    void frameReady();

private:
    void wakeup() override;
    void renderUpdate() override;
    void onFileStarted() override { emit fileStarted(); }
    void onFileLoaded(bool picture) override { emit fileLoaded(picture); }
    void onEndOfStream() override { emit endOfStream(); }
    void onNextStarted() override { emit nextStarted(); }
    void onPassEnded() override { emit passEnded(); }
    void onFailed(EngineFailure f) override { emit failed(f); }
    void onPictureSize(int w, int h) override {
        emit pictureSizeChanged(w > 0 && h > 0 ? QSize(w, h) : QSize());
    }
    void onPausedChanged(bool paused) override { emit pausedChanged(paused); }
    void onDurationChanged(double seconds) override { emit durationChanged(seconds); }

    Options options_;
    std::unique_ptr<EngineBackend> backend_;
    std::atomic_bool wakeupQueued_{false};
    std::atomic_bool renderQueued_{false};
};
