#pragma once

#include <functional>

namespace platform {

// Runs `handler` on the GUI thread when the process is asked to end (the
// desktop session closing, a terminal's hang-up, an interrupt), so the
// program can close as its own "exit" does and keep its settings.
void onTerminationRequest(std::function<void()> handler);

// Once the program has kept what it keeps and is on its way out: should
// anything still hold the end after `ms` milliseconds (the engine waiting
// on a read from a stalled disk, which nothing can interrupt), the process
// ends there, with status 0.
void endWithin(int ms);

} // namespace platform
