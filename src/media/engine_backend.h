#pragma once

// The seam between the program and the playback engine, which lives in a
// library of its own ("sonoquill_engine") that the program loads only when
// the first file opens: the engine's libraries cost more at start than the
// whole window. Plain C++ on both sides, no Qt signals across it.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

struct EngineOptions {
    bool nullOutputs = false; // no sound device, no picture (headless runs)
    bool untimed = false;     // play as fast as decoding allows (tests)
    // Further engine options, name and value, applied last (tests).
    QList<QPair<QByteArray, QByteArray>> extra;
};

// Why a file could not be played.
enum class EngineFailure { Missing, Unreadable, Format };

// What the engine reports. wakeup() and renderUpdate() come from the
// engine's own threads and may only queue work for the GUI thread; every
// other call comes on the GUI thread, from drainEvents().
class EngineEvents {
public:
    virtual ~EngineEvents() = default;
    virtual void wakeup() = 0;
    virtual void renderUpdate() = 0;
    virtual void onFileStarted() = 0;
    virtual void onFileLoaded(bool hasPicture) = 0;
    virtual void onEndOfStream() = 0;
    // The queued file took over from the current one, without a gap.
    virtual void onNextStarted() = 0;
    virtual void onPassEnded() = 0;
    virtual void onFailed(EngineFailure failure) = 0;
    virtual void onPictureSize(int width, int height) = 0; // 0 x 0: no picture
    virtual void onPausedChanged(bool paused) = 0;
    virtual void onDurationChanged(double seconds) = 0;
};

class EngineBackend {
public:
    virtual ~EngineBackend() = default;
    virtual bool isValid() const = 0;
    virtual void load(const QString& path) = 0;
    // Queues the file to play right after the loaded one ("" drops it);
    // false when the engine refused it. load() and stop() drop it.
    virtual bool queueNext(const QString& path) = 0;
    virtual bool hasNext() const = 0;
    virtual void stop() = 0;
    virtual void setPaused(bool paused) = 0;
    virtual bool paused() const = 0;
    virtual bool idle() const = 0;
    virtual void seek(double seconds) = 0;
    virtual void setVolume(double engineVolume) = 0;
    virtual void setMute(bool mute) = 0;
    virtual void setRepeats(int repeats) = 0;
    virtual double position() const = 0;
    virtual double duration() const = 0;
    virtual QString property(const char* name) const = 0;
    virtual bool attachSoftwareOutput() = 0;
    // waylandDisplay: the program's wl_display under Wayland, else nullptr.
    virtual bool attachOpenGlOutput(void* (*getProcAddress)(void* ctx, const char* name), void* ctx,
                                    void* waylandDisplay) = 0;
    virtual void renderSoftware(QImage& target) = 0;
    virtual void renderOpenGl(int fbo, int width, int height) = 0;
    virtual void detachOutput() = 0;
    // Handles every event the engine has queued.
    virtual void drainEvents() = 0;
    // After renderUpdate(): true when a new frame is ready to draw.
    virtual bool takeFrame() = 0;
};

// The engine library's two entry points.
using CreateEngineFn = EngineBackend* (*)(const EngineOptions* options, EngineEvents* events);
using ProbeMediaFn = void (*)(const QString* path, QList<QPair<QString, QString>>* facts);
inline constexpr char kCreateEngineSymbol[] = "sonoquill_create_engine";
inline constexpr char kProbeMediaSymbol[] = "sonoquill_probe_media";
// Starts, in the background, what a file will need before the engine exists.
using PrepareFileFn = void (*)(const QString* path);
inline constexpr char kPrepareFileSymbol[] = "sonoquill_prepare_file";
