#include "platform/timeline.h"

#include <QEvent>
#include <QFile>
#include <QWindow>

#include <mutex>
#include <set>
#include <string>

#include <time.h>
#include <unistd.h>

namespace platform {

Q_LOGGING_CATEGORY(lcTimeline, "sonoquill.timeline", QtWarningMsg)

namespace {

std::int64_t clockNs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

} // namespace

std::int64_t processStartNs() {
    static const std::int64_t start = [] {
        // Field 22 of the process's stat, after the name, which may hold
        // spaces and parentheses: ticks since boot.
        QFile stat(QStringLiteral("/proc/self/stat"));
        const std::int64_t now = clockNs(CLOCK_MONOTONIC);
        if (!stat.open(QIODevice::ReadOnly))
            return now;
        const QByteArray line = stat.read(4096);
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        bool ok = false;
        const std::int64_t ticks = fields.value(19).toLongLong(&ok);
        const long hz = sysconf(_SC_CLK_TCK);
        if (!ok || hz <= 0)
            return now;
        // Boot time counts a suspend, the monotonic clock does not.
        const std::int64_t sinceBoot = ticks * 1'000'000'000 / hz;
        return sinceBoot - (clockNs(CLOCK_BOOTTIME) - now);
    }();
    return start;
}

void timelineMark(const char* step) {
    if (!lcTimeline().isDebugEnabled())
        return;
    static std::mutex lock;
    static std::set<std::string> seen;
    {
        const std::lock_guard<std::mutex> hold(lock);
        if (!seen.insert(step).second)
            return;
    }
    const double ms = static_cast<double>(clockNs(CLOCK_MONOTONIC) - processStartNs()) / 1e6;
    qCDebug(lcTimeline, "%7.1f ms  %s", ms, step);
}

void timelineMarkOnExpose(QWindow* window, const char* step) {
    if (!window || !lcTimeline().isDebugEnabled())
        return;
    struct Watch : QObject {
        const char* step;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Expose && static_cast<QWindow*>(o)->isExposed()) {
                timelineMark(step);
                deleteLater();
            }
            return false;
        }
    };
    auto* watch = new Watch;
    watch->step = step;
    watch->setParent(window);
    window->installEventFilter(watch);
}

} // namespace platform
