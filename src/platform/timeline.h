#pragma once

#include <QLoggingCategory>

class QWindow;

#include <cstdint>

namespace platform {

// The start-up timeline: QT_LOGGING_RULES="sonoquill.timeline=true" prints
// each step once, in milliseconds since the process started.
Q_DECLARE_LOGGING_CATEGORY(lcTimeline)

// The monotonic clock's reading, in nanoseconds, when the process started;
// the kernel keeps that time in ticks, so it is up to 10 ms early.
std::int64_t processStartNs();

// Logs a step the first time it is named; later calls are free.
void timelineMark(const char* step);

// Marks the step when the window is first shown on the screen.
void timelineMarkOnExpose(QWindow* window, const char* step);

} // namespace platform
