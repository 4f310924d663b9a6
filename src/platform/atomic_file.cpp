#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Between the old file's name and the writer's process id in a new file's name.
constexpr char kMark[] = "~sonoquill-";
constexpr int kRandomChars = 6; // mkostemp's XXXXXX

QByteArray tempPattern(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    // Short enough for the longest name the folder may hold.
    const QByteArray base = target.mid(slash + 1, 160);
    return target.first(slash + 1) + '.' + base + kMark + QByteArray::number(getpid()) + '-' +
           QByteArray(kRandomChars, 'X');
}

// The process that wrote a file of that name, when the name is one of ours.
std::optional<pid_t> writerOf(const char* name) {
    const char* mark = nullptr;
    for (const char* p = std::strstr(name, kMark); p; p = std::strstr(p + 1, kMark))
        mark = p;
    if (name[0] != '.' || !mark)
        return std::nullopt;
    const char* p = mark + sizeof kMark - 1;
    long pid = 0;
    const char* digits = p;
    while (std::isdigit(static_cast<unsigned char>(*p)) && pid < 1 << 30)
        pid = pid * 10 + (*p++ - '0');
    if (p == digits || *p != '-' || std::strlen(p + 1) != kRandomChars)
        return std::nullopt;
    for (const char* r = p + 1; *r; ++r)
        if (!std::isalnum(static_cast<unsigned char>(*r)))
            return std::nullopt;
    return static_cast<pid_t>(pid);
}

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// The mode bits say whether the person wants the file kept as it is; root
// would pass the access check alone.
bool writableFile(const QByteArray& path, const struct stat& st) {
    return (st.st_mode & 0222) != 0 && ::access(path.constData(), W_OK) == 0;
}

} // namespace

AtomicFile::AtomicFile(const QString& path, Mode mode)
    : mode_(mode) {
    // Write through a link to the file it names, as an in-place write would.
    const QFileInfo info(path);
    const QString real = info.isSymLink() ? info.symLinkTarget() : path;
    target_ = QFile::encodeName(real);
}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::open() {
    // A file over a size limit must fail its write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    struct stat old {};
    const bool exists = ::stat(target_.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        errno = EINVAL;
        return false;
    }
    if (exists && !writableFile(target_, old)) {
        errno = EACCES;
        return false;
    }
    temp_ = tempPattern(target_);
    fd_ = mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temp_.clear();
        if (exists && mode_ == Mode::InPlaceWhenFolderIsClosed &&
            (errno == EACCES || errno == EPERM))
            return openInPlace();
        return false;
    }
    // Held until the file is closed: a file being written is never stale.
    ::flock(fd_, LOCK_EX);
    fchmod(fd_, exists ? old.st_mode & 07777 : 0644);
    return true;
}

bool AtomicFile::openInPlace() {
    fd_ = ::open(target_.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return false;
    }
    inPlace_ = true;
    return true;
}

bool AtomicFile::write(QByteArrayView bytes) {
    if (fd_ < 0 || failed_)
        return false;
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        p += n;
        left -= n;
        written_ += n;
    }
    return true;
}

bool AtomicFile::commit() {
    if (fd_ < 0 || failed_) {
        discard();
        return false;
    }
    // In place, the old file's tail beyond the new text goes.
    const bool sized = !inPlace_ || ::ftruncate(fd_, written_) == 0;
    const bool synced = sized && ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed ||
        (!inPlace_ && ::rename(temp_.constData(), target_.constData()) != 0)) {
        discard();
        return false;
    }
    temp_.clear();
    return true;
}

void AtomicFile::discard() {
    // The caller reports why the write failed: errno survives the clean-up.
    const int cause = errno;
    struct RestoreErrno {
        int value;
        ~RestoreErrno() { errno = value; }
    } restore{cause};
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.isEmpty()) {
        ::unlink(temp_.constData());
        temp_.clear();
    }
}

bool AtomicFile::replace(const QString& path, QByteArrayView bytes, Mode mode) {
    AtomicFile f(path, mode);
    return f.open() && f.write(bytes) && f.commit();
}

int AtomicFile::removeStaleTemporaries(const QString& folder) {
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return 0;
    const int at = ::dirfd(dir);
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::optional<pid_t> writer = writerOf(e->d_name);
        // A copy writing now, in this or another process, is left alone;
        // its lock covers a writer we cannot see (another pid namespace).
        if (!writer || *writer == getpid() || processAlive(*writer))
            continue;
        const int fd = ::openat(at, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlinkat(at, e->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}
