#pragma once

#include "media/engine_backend.h"
#include "platform/playable_file.h"

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
// call is a no-op and isValid() is false. It is handed open files only.
class Engine : public QObject, private EngineEvents {
    Q_OBJECT
public:
    using Options = EngineOptions;
    using End = EngineEnd;
    using Tag = EntryTag;

    // Makes the engine's backend on the calling thread, any thread: it loads
    // the engine library and starts the engine (slow). nullptr without it.
    static std::unique_ptr<EngineBackend> createBackend(const Options& options);
    // Drives the backend on this thread from now on.
    explicit Engine(std::unique_ptr<EngineBackend> backend, QObject* parent = nullptr);
    ~Engine() override;

    bool isValid() const { return backend_ && backend_->isValid(); }

    // Plays the file (a MIDI file through the synthesizer) instead of
    // whatever played or was queued, unpaused. `name` tells its kind.
    void load(platform::PlayableFile file, const QString& name, Tag tag);
    // The file to play right after the current entry, opened ahead and joined
    // without a gap. Call with nothing queued.
    void queue(platform::PlayableFile file, const QString& name, Tag tag);
    // False when the queued entry has started already: it takes over.
    bool dropQueued();
    void stop();
    void setPaused(bool paused);
    // The engine's own pause flag, kept across entries.
    bool paused() const;
    void seek(double seconds);
    void setVolume(double engineVolume);
    void setMute(bool mute);
    // Of the entry the engine reads now; negative while the output still
    // plays the entry before it.
    double position() const;
    double duration() const;
    // Media facts for a properties window: container, codecs, size, tags.
    QString property(const char* name) const;

    // Facts about a file that is not playing, read by a short-lived engine of
    // its own on a thread of its own (at most a few seconds): label and
    // value, in display order. Only a regular file is looked at.
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
    void entryStarted(Engine::Tag tag);
    void entryLoaded(Engine::Tag tag, bool hasPicture);
    // Its first sound is heard `delay` seconds from now.
    void entryPlaying(Engine::Tag tag, double delay);
    void entryEnded(Engine::Tag tag, Engine::End end);
    void pictureSizeChanged(QSize displaySize);
    void pausedChanged(bool paused);
    void durationChanged(double seconds);
    void frameReady();

private:
    void wakeup() override;
    void renderUpdate() override;
    void onEntryStarted(Tag tag) override { emit entryStarted(tag); }
    void onEntryLoaded(Tag tag, bool picture) override { emit entryLoaded(tag, picture); }
    void onEntryPlaying(Tag tag, double delay) override { emit entryPlaying(tag, delay); }
    void onEntryEnded(Tag tag, End end) override { emit entryEnded(tag, end); }
    void onPictureSize(int w, int h) override {
        emit pictureSizeChanged(w > 0 && h > 0 ? QSize(w, h) : QSize());
    }
    void onPausedChanged(bool paused) override { emit pausedChanged(paused); }
    void onDurationChanged(double seconds) override { emit durationChanged(seconds); }

    std::unique_ptr<EngineBackend> backend_;
    std::atomic_bool wakeupQueued_{false};
    std::atomic_bool renderQueued_{false};
};
