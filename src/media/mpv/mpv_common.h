#pragma once

#include <QLoggingCategory>
#include <QString>

#include <mpv/client.h>

// What every handle of the engine shares: the options that keep it a part of
// ours, and small wrappers that log a refused call.
Q_DECLARE_LOGGING_CATEGORY(lcEngine)

namespace mpvcommon {

// Logs a libmpv call that failed; true when it succeeded.
bool check(int result, const char* what);

// A refused option leaves the engine's default: playback goes on without it.
void setOption(mpv_handle* h, const char* name, const char* value);

bool command(mpv_handle* h, const char* const* args);

// No configuration, scripts, key bindings or files of its own; it opens only
// what we publish and follows no list or reference inside a file. Call
// before initializing.
void setEmbeddedDefaults(mpv_handle* h);

// After initializing: our protocol and the engine's warnings in our log.
void addOurParts(mpv_handle* h);

void logMessage(const mpv_event_log_message* m);

QString stringProperty(mpv_handle* h, const char* name);

} // namespace mpvcommon
