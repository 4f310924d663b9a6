#pragma once

#include <QFuture>

namespace platform {

// Starts loading the playback engine's library on a thread of its own, once
// per process; the future finishes when it is loaded (or found missing).
QFuture<void> loadEngineLibrary();

// A symbol of the playback engine's library, which is loaded on first use
// (from beside the executable, else through the run path or a system
// install's private library folder); nullptr when the library or the symbol
// cannot be found. Waits for a load already under way.
void* engineLibrarySymbol(const char* name);

} // namespace platform
