#pragma once

#include <QString>

#include <utility>

// The one gate between a name someone gave us (a list line, a drop, a second
// start, the media interface, the command line) and the engine. Only a local
// regular file passes, and it passes as an open descriptor: what the engine
// reads is what was checked, whatever the name points at afterwards. A name
// with a scheme, a folder, a device, a FIFO or a socket never gets through, and
// a device is never even opened (its driver could switch on a camera).
namespace platform {

enum class OpenFailure {
    None,
    Missing,    // nothing by that name
    Unreadable, // there, but we may not read it
    NotAFile,   // a scheme, a folder, a device, a FIFO, a socket
};

// An open, read-only descriptor of a regular file, and its size when it was
// opened; closes it when it goes.
class PlayableFile {
public:
    PlayableFile() = default;
    explicit PlayableFile(int fd, qint64 size = 0)
        : fd_(fd)
        , size_(size) {}
    PlayableFile(PlayableFile&& other) noexcept
        : fd_(std::exchange(other.fd_, -1))
        , size_(other.size_) {}
    PlayableFile& operator=(PlayableFile&& other) noexcept;
    PlayableFile(const PlayableFile&) = delete;
    PlayableFile& operator=(const PlayableFile&) = delete;
    ~PlayableFile();

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    qint64 size() const { return size_; }
    // Hands the descriptor over: the caller closes it.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
    qint64 size_ = 0;
};

struct OpenedFile {
    PlayableFile file;
    OpenFailure failure = OpenFailure::None;
};

// The local path a name stands for: an absolute path as it is, a relative one
// against the current folder, a file URL of this machine as its path; "" for
// a name with any other scheme ("av://", "http://", "udp://", "C:..."), which
// names nothing on this machine's disk.
QString localPath(const QString& name);

// True when the name starts with a scheme ("http:", "av:", "file:").
bool hasScheme(const QString& name);

// Opens what a name stands for, if it is a regular file. It may wait on a
// stalled disk as long as the disk stalls: call it off the GUI thread.
OpenedFile openPlayable(const QString& name);

} // namespace platform
