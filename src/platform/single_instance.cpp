#include "platform/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

// A copy that is still starting or closing may not answer at once.
constexpr int kWaitMs = 5000;
// More names than anyone selects in a file manager; a longer request is refused.
constexpr qsizetype kMaxRequest = 4 << 20;
// A starting copy writes its whole request at once; one that takes longer is
// not a copy of ours.
constexpr int kRequestMs = 3000;
// Copies start a few at a time: more connections than this are a flood.
constexpr std::size_t kMaxPeers = 8;
constexpr qsizetype kMaxHead = 64;

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

enum class Parsed { Incomplete, Invalid, Whole };

// Reads a request as far as it has come; names not starting with "/" (a
// scheme such as http:// or av://, a relative name) are left out.
Parsed parseRequest(const QByteArray& data, QStringList& files) {
    const qsizetype eol = data.indexOf('\n');
    if (eol < 0)
        return data.size() < kMaxHead ? Parsed::Incomplete : Parsed::Invalid;
    if (eol >= kMaxHead)
        return Parsed::Invalid;
    const QByteArray head = data.left(eol + 1);
    if (head == "raise\n")
        return Parsed::Whole;
    if (!head.startsWith("open "))
        return Parsed::Invalid;
    bool ok = false;
    const qsizetype size = head.mid(5).trimmed().toLongLong(&ok);
    if (!ok || size < 0 || size > kMaxRequest)
        return Parsed::Invalid;
    if (data.size() - head.size() < size)
        return Parsed::Incomplete;
    for (const QByteArray& name : data.mid(head.size(), size).split('\0'))
        if (name.startsWith('/'))
            files << QFile::decodeName(name);
    return Parsed::Whole;
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

// This user's own and open to no one else; a link is not taken, whatever it
// points at.
bool isPrivateFolder(const QByteArray& path) {
    struct stat st;
    return path.startsWith('/') && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// The session's runtime folder, else a folder of our own in the temporary
// one, made for it; "" when neither is this user's alone.
QByteArray privateFolder() {
    // Cleaned: with a slash at its end, a link would be followed.
    const QByteArray runtime =
        QFile::encodeName(QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    if (isPrivateFolder(runtime))
        return runtime;
    const QByteArray own =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/sonoquill-%1").arg(::geteuid()));
    ::mkdir(own.constData(), 0700); // one that is there already is checked as any other
    return isPrivateFolder(own) ? own : QByteArray();
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

// A lock the system lets go of when its holder ends, however it ends.
class SingleInstance::FileLock {
public:
    explicit FileLock(QByteArray path)
        : path_(std::move(path)) {}
    ~FileLock() { unlock(); }

    // Holds it alone, trying for up to waitMs.
    bool lock(int waitMs) {
        if (fd_ >= 0)
            return true;
        fd_ = open();
        if (fd_ < 0)
            return false;
        QDeadlineTimer deadline(waitMs);
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (deadline.hasExpired()) {
                unlock();
                return false;
            }
            QThread::msleep(10);
        }
        return true;
    }
    void unlock() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // False when the lock file cannot be had at all.
    bool usable() const {
        const int fd = open();
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    }
    // True when no one holds it. The look shares the lock, so copies looking
    // at the same time never take each other for its holder.
    bool free() const {
        const int fd = open();
        const bool isFree = fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
        if (fd >= 0)
            ::close(fd);
        return isFree;
    }

private:
    int open() const {
        return ::open(path_.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }

    QByteArray path_;
    int fd_ = -1;
};

// A connection to the socket, read as its bytes come.
class SingleInstance::Peer : public QObject {
public:
    Peer(int fd, QObject* parent)
        : QObject(parent)
        , fd(fd)
        , notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this)) {}
    ~Peer() override { close(); }
    void close() {
        notifier->setEnabled(false);
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    int fd;
    QSocketNotifier* notifier;
    QByteArray data;
};

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent) {
    const QByteArray folder = privateFolder();
    if (folder.isEmpty())
        return;
    const QByteArray name =
        folder + '/' + QFile::encodeName(key) + '-' + QByteArray::number(::geteuid());
    startLock_ = std::make_unique<FileLock>(name + ".start");
    runningLock_ = std::make_unique<FileLock>(name + ".lock");
    socketPath_ = name + ".socket";
    if (!startLock_->usable() || !runningLock_->usable()) {
        startLock_.reset();
        runningLock_.reset();
    }
}

SingleInstance::~SingleInstance() {
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketPath_.constData());
    }
}

bool SingleInstance::anotherCopyRuns() {
    if (!runningLock_)
        return false;
    QDeadlineTimer deadline(kWaitMs);
    while (true) {
        if (!runningLock_->free()) {
            if (askPrimary(static_cast<int>(deadline.remainingTime())))
                return true;
            if (deadline.hasExpired())
                return true; // a copy holds the lock but never answers: still end
        } else {
            const bool starting = startLock_->lock(0);
            // Holding the start lock, no other copy takes the running one first.
            if (starting && runningLock_->free())
                return false;
            if (!starting && deadline.hasExpired())
                return false; // the copy that holds it hangs before its window
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::becomeTheRunningCopy() {
    if (!runningLock_)
        return true;
    const bool running = becomePrimary();
    startLock_->unlock();
    // The copy that came first may not listen yet.
    QDeadlineTimer deadline(kWaitMs);
    while (!running && !askPrimary(static_cast<int>(deadline.remainingTime())) &&
           !deadline.hasExpired())
        QThread::msleep(50);
    return running;
}

bool SingleInstance::becomePrimary() {
    // Another copy's look at the lock holds it for a moment: wait that out.
    if (!runningLock_->lock(200))
        return false;
    // Holding the lock, any socket file is a leftover of a killed copy.
    ::unlink(socketPath_.constData());
    sockaddr_un addr;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || !socketAddress(socketPath_, addr) ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        if (fd >= 0)
            ::close(fd);
        return true; // the lock alone still keeps the copy single
    }
    listener_ = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SingleInstance::acceptPeers);
    return true;
}

void SingleInstance::acceptPeers() {
    // A few at a time: a flood of connections still leaves the loop its turn.
    for (std::size_t i = 0; i < kMaxPeers; ++i) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        // The oldest goes: a starting copy sends its request as it connects,
        // so the one kept waiting longest is idle or slow.
        if (peers_.size() >= kMaxPeers)
            dropPeer(peers_.front());
        auto* peer = new Peer(fd, this);
        peers_.push_back(peer);
        connect(peer->notifier, &QSocketNotifier::activated, this,
                [this, peer] { readPeer(peer); });
        QTimer::singleShot(kRequestMs, peer, [this, peer] { dropPeer(peer); });
        readPeer(peer); // what came with the connection
    }
}

void SingleInstance::readPeer(Peer* peer) {
    if (std::find(peers_.begin(), peers_.end(), peer) == peers_.end())
        return;
    bool ended = false;
    char buf[65536];
    while (true) {
        const ssize_t n = ::recv(peer->fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            if (peer->data.size() + n > kMaxHead + kMaxRequest) {
                dropPeer(peer);
                return;
            }
            peer->data.append(buf, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
    }
    QStringList files;
    const Parsed parsed = parseRequest(peer->data, files);
    if (parsed == Parsed::Incomplete && !ended)
        return;
    const int fd = std::exchange(peer->fd, -1);
    dropPeer(peer);
    if (parsed == Parsed::Whole) {
        emit activationRequested();
        if (!files.isEmpty())
            emit filesHandedOver(files);
        // Answered once done: the asking copy ends after its request is.
        // It may have given up waiting: no SIGPIPE for that.
        [[maybe_unused]] ssize_t sent = ::send(fd, "ok\n", 3, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    ::close(fd);
}

void SingleInstance::dropPeer(Peer* peer) {
    const auto it = std::find(peers_.begin(), peers_.end(), peer);
    if (it == peers_.end())
        return;
    peers_.erase(it);
    peer->close();
    peer->deleteLater(); // it may be the sender of what runs now
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
    while (!peers_.empty())
        dropPeer(peers_.front());
}

bool SingleInstance::askPrimary(int waitMs) {
    waitMs = std::max(waitMs, 50); // a send timeout of 0 would wait forever
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
