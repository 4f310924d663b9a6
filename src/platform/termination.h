#pragma once

#include <functional>

namespace platform {

// Runs `handler` on the GUI thread when the process is asked to end (the
// desktop session closing, a terminal's hang-up, an interrupt), so the
// program can close as its own "exit" does and keep its settings.
void onTerminationRequest(std::function<void()> handler);

} // namespace platform
