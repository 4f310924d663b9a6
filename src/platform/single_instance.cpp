#include "platform/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A copy that is still starting or closing may not answer at once.
constexpr int kWaitMs = 5000;

QString runtimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

bool socketAddress(const QByteArray& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent) {
    const QString name = key + u'-' + QString::number(getuid());
    lockPath_ = QDir(runtimeFolder()).filePath(name + QStringLiteral(".lock"));
    startLock_ = std::make_unique<QLockFile>(
        QDir(runtimeFolder()).filePath(name + QStringLiteral(".start")));
    startLock_->setStaleLockTime(0);
    socketPath_ =
        QFile::encodeName(QDir(runtimeFolder()).filePath(name + QStringLiteral(".socket")));
}

SingleInstance::~SingleInstance() {
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketPath_.constData());
    }
}

bool SingleInstance::anotherCopyRuns() {
    QDeadlineTimer deadline(kWaitMs);
    while (true) {
        if (!runningLockFree()) {
            if (askPrimary(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0))))
                return true;
            if (deadline.hasExpired())
                return true; // a copy holds the lock but never answers: still end
        } else {
            const bool starting = startLock_->isLocked() || startLock_->tryLock(0);
            // Holding the start lock, no other copy takes the running one first.
            if (starting && runningLockFree())
                return false;
            if (!starting && deadline.hasExpired())
                return false; // the copy that holds it hangs before its window
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::becomeTheRunningCopy() {
    const bool running = becomePrimary();
    if (startLock_->isLocked())
        startLock_->unlock();
    if (!running)
        askPrimary(kWaitMs);
    return running;
}

bool SingleInstance::runningLockFree() {
    QLockFile probe(lockPath_);
    probe.setStaleLockTime(0);
    return probe.tryLock(0); // unlocked again as it goes
}

bool SingleInstance::becomePrimary() {
    if (!lock_) {
        lock_ = std::make_unique<QLockFile>(lockPath_);
        lock_->setStaleLockTime(0); // stale only when its owner is gone
    }
    // A starting copy's look at the lock holds it for a moment: wait that out.
    if (!lock_->tryLock(200))
        return false;
    // Holding the lock, any socket file is a leftover of a killed copy.
    ::unlink(socketPath_.constData());
    sockaddr_un addr;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || !socketAddress(socketPath_, addr) ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        if (fd >= 0)
            ::close(fd);
        return true; // the lock alone still keeps the copy single
    }
    ::chmod(socketPath_.constData(), 0600);
    listener_ = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SingleInstance::acceptPeers);
    return true;
}

void SingleInstance::acceptPeers() {
    while (true) {
        const int peer = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0)
            return;
        // A later copy writes one short request and waits for us to close.
        pollfd p{peer, POLLIN, 0};
        char buf[16] = {};
        if (::poll(&p, 1, 1000) > 0 && ::read(peer, buf, sizeof buf - 1) > 0 &&
            std::strncmp(buf, "raise", 5) == 0) {
            // The asking copy may have given up waiting: no SIGPIPE for that.
            [[maybe_unused]] ssize_t n = ::send(peer, "ok\n", 3, MSG_NOSIGNAL);
            emit activationRequested();
        }
        ::close(peer);
    }
}

void SingleInstance::stopAnswering() {
    if (listener_ < 0)
        return;
    delete notifier_;
    notifier_ = nullptr;
    // Requests still queued are refused: their copies wait for the lock.
    ::close(listener_);
    ::unlink(socketPath_.constData());
    listener_ = -1;
}

bool SingleInstance::askPrimary(int waitMs) {
    sockaddr_un addr;
    if (!socketAddress(socketPath_, addr))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::write(fd, "raise\n", 6) != 6) {
        ::close(fd);
        return false;
    }
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    bool ok = true; // no answer in time: busy, but alive; it reads the request when it can
    if (ready != 0) {
        char answer[4] = {};
        // Closed without "ok": that copy is closing.
        ok = ready > 0 && ::read(fd, answer, 3) >= 2 && std::strncmp(answer, "ok", 2) == 0;
    }
    ::close(fd);
    return ok;
}
