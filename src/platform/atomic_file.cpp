#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

AtomicFile::AtomicFile(const QString& path) {
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
    temp_ = target_ + ".XXXXXX";
    fd_ = mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temp_.clear();
        return false;
    }
    struct stat old {};
    const mode_t mode = ::stat(target_.constData(), &old) == 0 ? old.st_mode & 07777 : 0644;
    fchmod(fd_, mode);
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
    }
    return true;
}

bool AtomicFile::commit() {
    if (fd_ < 0 || failed_) {
        discard();
        return false;
    }
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed || ::rename(temp_.constData(), target_.constData()) != 0) {
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

bool AtomicFile::replace(const QString& path, QByteArrayView bytes) {
    AtomicFile f(path);
    return f.open() && f.write(bytes) && f.commit();
}
