#include "media/mpv/file_streams.h"

#include "media/mpv/midi_stream.h"

#include <QHash>
#include <QUrl>

#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace filestreams {
namespace {

constexpr char kProtocol[] = "sonoquill";

struct Published {
    int fd = -1;
    bool midi = false;
};

// Published descriptors by token. The engine opens streams on threads of its
// own, so the table is locked.
struct Table {
    std::mutex lock;
    QHash<quint64, Published> files;
    quint64 lastToken = 0;
};

Table& table() {
    static Table t;
    return t;
}

// The token of a URL of ours: sonoquill://<token>/<name>; 0 when none.
quint64 tokenOf(const QByteArray& url) {
    const QByteArray prefix = QByteArray(kProtocol) + "://";
    if (!url.startsWith(prefix))
        return 0;
    const qsizetype end = url.indexOf('/', prefix.size());
    bool ok = false;
    const quint64 token = url.mid(prefix.size(), end - prefix.size()).toULongLong(&ok);
    return ok ? token : 0;
}

// A plain file, read at its own offset: the engine may hold several streams
// of one descriptor (the current entry and the same file queued again).
struct FileStream {
    int fd;
    std::int64_t offset = 0;
    std::atomic_bool cancelled{false};
};

int64_t fileRead(void* cookie, char* buf, uint64_t n) {
    auto* s = static_cast<FileStream*>(cookie);
    while (!s->cancelled) {
        const ssize_t got = ::pread(s->fd, buf, n, s->offset);
        if (got >= 0) {
            s->offset += got;
            return got;
        }
        if (errno != EINTR)
            break;
    }
    return MPV_ERROR_GENERIC;
}

int64_t fileSeek(void* cookie, int64_t offset) {
    auto* s = static_cast<FileStream*>(cookie);
    if (offset < 0)
        return MPV_ERROR_GENERIC;
    s->offset = offset;
    return offset;
}

int64_t fileSize(void* cookie) {
    struct stat st {};
    if (::fstat(static_cast<FileStream*>(cookie)->fd, &st) != 0)
        return MPV_ERROR_UNSUPPORTED;
    return st.st_size;
}

void fileClose(void* cookie) {
    auto* s = static_cast<FileStream*>(cookie);
    ::close(s->fd);
    delete s;
}

// A read stuck on a stalled disk cannot be woken; the next one is not tried.
void fileCancel(void* cookie) {
    static_cast<FileStream*>(cookie)->cancelled = true;
}

int64_t midiRead(void* cookie, char* buf, uint64_t n) {
    return static_cast<MidiStream*>(cookie)->read(buf, n);
}
int64_t midiSeek(void* cookie, int64_t offset) {
    return static_cast<MidiStream*>(cookie)->seek(offset) ? offset : int64_t{MPV_ERROR_GENERIC};
}
int64_t midiSize(void* cookie) {
    return static_cast<MidiStream*>(cookie)->size();
}
void midiClose(void* cookie) {
    delete static_cast<MidiStream*>(cookie);
}
void midiCancel(void* cookie) {
    static_cast<MidiStream*>(cookie)->cancel();
}

int openStream(void*, char* uri, mpv_stream_cb_info* info) {
    Published published;
    int fd = -1;
    {
        Table& t = table();
        const std::lock_guard<std::mutex> hold(t.lock);
        const auto it = t.files.constFind(tokenOf(QByteArray(uri)));
        if (it == t.files.constEnd())
            return MPV_ERROR_LOADING_FAILED;
        published = *it;
        fd = ::fcntl(published.fd, F_DUPFD_CLOEXEC, 0);
    }
    if (fd < 0)
        return MPV_ERROR_LOADING_FAILED;
    if (published.midi) {
        auto midi = MidiStream::open(fd);
        if (!midi)
            return MPV_ERROR_LOADING_FAILED;
        info->cookie = midi.release();
        info->read_fn = midiRead;
        info->seek_fn = midiSeek;
        info->size_fn = midiSize;
        info->close_fn = midiClose;
        info->cancel_fn = midiCancel;
        return 0;
    }
    info->cookie = new FileStream{fd};
    info->read_fn = fileRead;
    info->seek_fn = fileSeek;
    info->size_fn = fileSize;
    info->close_fn = fileClose;
    info->cancel_fn = fileCancel;
    return 0;
}

} // namespace

bool isMidi(const QString& name) {
    for (const char* ext : {".mid", ".midi", ".rmi", ".kar"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            return true;
    return false;
}

void addProtocol(mpv_handle* handle) {
    mpv_stream_cb_add_ro(handle, kProtocol, nullptr, openStream);
}

QByteArray publish(int fd, const QString& name) {
    const bool midi = isMidi(name);
    if (midi)
        MidiStream::preloadSoundfont();
    Table& t = table();
    const std::lock_guard<std::mutex> hold(t.lock);
    const quint64 token = ++t.lastToken;
    t.files.insert(token, {fd, midi});
    // The name's tail only hints the format to the demuxer, as a file's
    // extension would; a MIDI file reaches it as the WAV stream it becomes.
    const QString shown = midi ? QStringLiteral("midi.wav") : name.section(u'/', -1);
    return QByteArray(kProtocol) + "://" + QByteArray::number(token) + '/' +
           QUrl::toPercentEncoding(shown);
}

void release(const QByteArray& url) {
    Table& t = table();
    const std::lock_guard<std::mutex> hold(t.lock);
    const Published published = t.files.take(tokenOf(url));
    if (published.fd >= 0)
        ::close(published.fd);
}

} // namespace filestreams
