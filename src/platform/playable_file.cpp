#include "platform/playable_file.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

OpenFailure failureOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return OpenFailure::Missing;
    default:
        return OpenFailure::Unreadable;
    }
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

PlayableFile& PlayableFile::operator=(PlayableFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

PlayableFile::~PlayableFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool hasScheme(const QString& name) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return scheme.match(name).hasMatch();
}

QString localPath(const QString& name) {
    if (name.isEmpty())
        return {};
    if (name.startsWith(u'/'))
        return name;
    if (hasScheme(name)) {
        const QUrl url(name);
        const bool here = url.host().isEmpty() || url.host() == QLatin1String("localhost");
        const QString path = url.isLocalFile() && here ? url.toLocalFile() : QString();
        return path.startsWith(u'/') ? path : QString();
    }
    return QDir::currentPath() + u'/' + name;
}

OpenedFile openPlayable(const QString& name) {
    OpenedFile out;
    const QString path = localPath(name);
    if (path.isEmpty()) {
        out.failure = OpenFailure::NotAFile;
        return out;
    }
    const QByteArray encoded = QFile::encodeName(path);
    // A path-only descriptor looks at the file without opening it: no
    // driver's open runs for a device, no FIFO waits for a writer.
    const PlayableFile probe(::open(encoded.constData(), O_PATH | O_CLOEXEC));
    struct stat looked {};
    if (!probe.isOpen()) {
        out.failure = failureOf(errno);
        return out;
    }
    if (::fstat(probe.fd(), &looked) != 0 || !S_ISREG(looked.st_mode)) {
        out.failure = OpenFailure::NotAFile;
        return out;
    }
    // Opened again through the descriptor, not the name: nothing swapped in
    // meanwhile is what we read. Without /proc, by name, and checked after.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(probe.fd());
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    PlayableFile file(::open(self.constData(), flags));
    if (!file.isOpen() && errno == ENOENT)
        file = PlayableFile(::open(encoded.constData(), flags));
    struct stat opened {};
    if (!file.isOpen()) {
        out.failure = failureOf(errno);
        return out;
    }
    if (::fstat(file.fd(), &opened) != 0 || !S_ISREG(opened.st_mode) || !sameFile(looked, opened)) {
        out.failure = OpenFailure::NotAFile;
        return out;
    }
    ::fcntl(file.fd(), F_SETFL, ::fcntl(file.fd(), F_GETFL) & ~O_NONBLOCK);
    out.file = PlayableFile(file.release(), opened.st_size);
    return out;
}

} // namespace platform
