#pragma once

namespace platform {

// A symbol of the playback engine's library, which is loaded on first use
// (from beside the executable, else by the usual search); nullptr when the
// library or the symbol cannot be found.
void* engineLibrarySymbol(const char* name);

} // namespace platform
