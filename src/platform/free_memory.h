#pragma once

namespace platform {

// Hands what the allocator keeps free back to the system, on a thread of its
// own: the engine takes and frees large buffers for every file, which would
// otherwise stay resident for as long as the program runs.
void giveBackFreeMemory();

} // namespace platform
