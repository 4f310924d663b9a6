#pragma once

class QApplication;
class SingleInstance;

// Start-up: one running copy. A second start brings the running copy's last
// active window forward and ends, creating no window and touching no setting.
namespace NotDouble {

// True when another copy runs; it has then been asked to come forward.
bool ActivatePrevInstance(SingleInstance& instance);

// The program: returns the process's exit code.
int Main(int argc, char* argv[]);

// Brings the window the person used last forward (the main window when it
// was minimized is restored first).
void RaiseLastActiveWindow();

} // namespace NotDouble
