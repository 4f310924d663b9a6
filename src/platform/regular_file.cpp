#include "platform/regular_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace regularfile {

Content read(const QString& path, qint64 maxBytes) {
    Content out;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        out.status = errno == ENOENT ? Status::Missing : Status::Refused;
        return out;
    }
    out.status = Status::Refused;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes) {
        // The file may change while it is read: the bound holds for what is read.
        QByteArray bytes;
        bytes.resize(static_cast<qsizetype>(st.st_size));
        qsizetype got = 0;
        bool failed = false;
        while (got <= maxBytes) {
            if (got == bytes.size())
                bytes.resize(std::min<qsizetype>(got + 65536, maxBytes + 1));
            const ssize_t n =
                ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            failed = n < 0;
            if (n <= 0)
                break;
            got += n;
        }
        if (!failed && got <= maxBytes) {
            bytes.truncate(got);
            out.bytes = std::move(bytes);
            out.status = Status::Read;
        }
    }
    ::close(fd);
    return out;
}

} // namespace regularfile
