#pragma once

// The seam between the program and the playback engine, which lives in a
// library of its own ("sonoquill_engine") that the program loads only when
// the first file opens: the engine's libraries cost more at start than the
// whole window. Plain C++ on both sides, no Qt signals across it.
//
// The engine is given open descriptors of regular files that the program
// checked (platform/playable_file.h), never names: it opens nothing by itself,
// follows no list or reference found inside a file and connects nowhere.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>

struct EngineOptions {
    bool nullOutputs = false; // no sound device, no picture (headless runs)
    bool untimed = false;     // play as fast as decoding allows (tests)
    // Further engine options, name and value, applied last (tests).
    QList<QPair<QByteArray, QByteArray>> extra;
};

// How an entry of the engine's playlist ended.
enum class EngineEnd {
    Eof,    // played to its end
    Failed, // could not be opened or decoded: no format we play
    Gone,   // replaced, stopped or dropped before its end
};

// The program's name for an entry it handed the engine; 0 is none.
using EntryTag = std::uint64_t;

// What the engine reports. wakeup() and renderUpdate() come from the
// engine's own threads and may only queue work for the GUI thread; every
// other call comes on the GUI thread, from drainEvents().
class EngineEvents {
public:
    virtual ~EngineEvents() = default;
    virtual void wakeup() = 0;
    virtual void renderUpdate() = 0;
    // The engine began to open the entry: a loaded one, or the queued one
    // taking over where the one before ended.
    virtual void onEntryStarted(EntryTag tag) = 0;
    virtual void onEntryLoaded(EntryTag tag, bool hasPicture) = 0;
    // The entry plays: its first sound reaches the listener after `delay`
    // seconds, once the output has played what it still holds of the entry
    // before (0 when nothing was playing).
    virtual void onEntryPlaying(EntryTag tag, double delay) = 0;
    virtual void onEntryEnded(EntryTag tag, EngineEnd end) = 0;
    virtual void onPictureSize(int width, int height) = 0; // 0 x 0: no picture
    virtual void onPausedChanged(bool paused) = 0;
    virtual void onDurationChanged(double seconds) = 0;
};

class EngineBackend {
public:
    virtual ~EngineBackend() = default;
    virtual bool isValid() const = 0;
    // A backend made without events (on any thread) starts telling them here,
    // on the thread that then drives it.
    virtual void setEvents(EngineEvents* events) = 0;
    // Plays the file behind fd (the backend takes the descriptor; `size` as
    // the gate found it, so that nothing asks a stalled disk) instead of
    // whatever played or was queued; `name` only tells its kind (a MIDI file
    // goes through the synthesizer) and names it in the log.
    virtual void load(int fd, std::int64_t size, const QString& name, EntryTag tag) = 0;
    // Queues a file to play right after the current entry, without a gap;
    // takes fd. Call with nothing queued.
    virtual void queue(int fd, std::int64_t size, const QString& name, EntryTag tag) = 0;
    // False when it is too late: the queued entry has started and will be
    // reported as such.
    virtual bool dropQueued() = 0;
    virtual void stop() = 0;
    virtual void setPaused(bool paused) = 0;
    virtual bool paused() const = 0;
    virtual void seek(double seconds) = 0;
    virtual void setVolume(double engineVolume) = 0;
    virtual void setMute(bool mute) = 0;
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

// The engine library's entry points. Creating may take long (the engine
// starts its threads and reads its settings); events may be nullptr.
using CreateEngineFn = EngineBackend* (*)(const EngineOptions* options, EngineEvents* events);
inline constexpr char kCreateEngineSymbol[] = "sonoquill_create_engine";
// Media facts of the file behind fd (taken), label and value in display order.
using ProbeMediaFn = void (*)(int fd, std::int64_t size, const QString* name,
                              QList<QPair<QString, QString>>* facts);
inline constexpr char kProbeMediaSymbol[] = "sonoquill_probe_media";
// Starts, in the background, what a file will need before the engine exists.
using PrepareFileFn = void (*)(const QString* name);
inline constexpr char kPrepareFileSymbol[] = "sonoquill_prepare_file";
