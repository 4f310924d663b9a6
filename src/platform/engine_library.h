#pragma once

namespace platform {

// A symbol of the playback engine's library, which is loaded on first use
// (from beside the executable, else through the run path or a system
// install's private library folder); nullptr when the library or the symbol
// cannot be found.
void* engineLibrarySymbol(const char* name);

} // namespace platform
