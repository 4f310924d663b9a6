#pragma once

namespace platform {

// The application's own connection to the Wayland compositor (a wl_display),
// for a renderer that shares it; nullptr on any other platform.
void* waylandDisplay();

} // namespace platform
