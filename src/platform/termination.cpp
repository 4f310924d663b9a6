#include "platform/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

int wakeFds[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe.
void onSignal(int) {
    const char b = 1;
    [[maybe_unused]] ssize_t n = write(wakeFds[1], &b, 1);
}

} // namespace

void onTerminationRequest(std::function<void()> handler) {
    if (wakeFds[0] < 0 && pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    // Lives as long as the application (none yet: as long as the process).
    auto* notifier =
        new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler] {
        char buf[16];
        while (read(wakeFds[0], buf, sizeof buf) > 0) {
        }
        handler();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

void endWithin(int ms) {
    std::thread([ms] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::_exit(0);
    }).detach();
}

} // namespace platform
