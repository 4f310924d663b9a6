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
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A copy that is still starting or closing may not answer at once.
constexpr int kWaitMs = 5000;
// More names than anyone selects in a file manager; a longer request is refused.
constexpr qsizetype kMaxRequest = 4 << 20;

// A request: "raise\n", or "open N\n" followed by N bytes of names, each
// ended by a NUL, in the file system's spelling.
QByteArray request(const QStringList& files) {
    if (files.isEmpty())
        return QByteArrayLiteral("raise\n");
    QByteArray names;
    for (const QString& f : files)
        names += QFile::encodeName(f) + '\0';
    return "open " + QByteArray::number(names.size()) + '\n' + names;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Reads up to the first newline, or exactly want bytes when want >= 0, each
// wait bounded: a peer that stops sending is given up.
bool readRequest(int fd, QByteArray& out, qsizetype want) {
    char buf[4096];
    while (want < 0 ? !out.contains('\n') : out.size() < want) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0)
            return false;
        const size_t room =
            want < 0 ? 1 : std::min<size_t>(sizeof buf, static_cast<size_t>(want - out.size()));
        const ssize_t n = ::read(fd, buf, room);
        if (n <= 0 || out.size() + n > (want < 0 ? 64 : kMaxRequest))
            return false;
        out.append(buf, n);
    }
    return true;
}

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
        servePeer(peer);
        ::close(peer);
    }
}

// A later copy writes one request and waits for our answer.
void SingleInstance::servePeer(int peer) {
    QByteArray head;
    if (!readRequest(peer, head, -1))
        return;
    QStringList files;
    if (head.startsWith("open ")) {
        bool ok = false;
        const qsizetype size = head.mid(5).trimmed().toLongLong(&ok);
        QByteArray names;
        if (!ok || size < 0 || size > kMaxRequest || !readRequest(peer, names, size))
            return;
        for (const QByteArray& name : names.split('\0'))
            if (!name.isEmpty())
                files << QFile::decodeName(name);
    } else if (head != "raise\n") {
        return;
    }
    // The asking copy may have given up waiting: no SIGPIPE for that.
    [[maybe_unused]] ssize_t n = ::send(peer, "ok\n", 3, MSG_NOSIGNAL);
    emit activationRequested();
    if (!files.isEmpty())
        emit filesHandedOver(files);
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
    // A long list of names waits for a running copy that reads it, not forever.
    const timeval limit{waitMs / 1000, (waitMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        !writeAll(fd, request(files_))) {
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
