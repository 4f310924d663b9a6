#include "media/mpv/file_streams.h"

#include "media/midi_kind.h"

#include "media/mpv/midi_stream.h"

#include <QHash>
#include <QUrl>

#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace filestreams {
namespace {

constexpr char kProtocol[] = "sonoquill";

struct Published {
    int fd = -1;
    int64_t size = 0;
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

// The reads of one stream, done on a thread of their own: a read that a
// stalled disk never answers holds that thread alone. The engine's thread
// waits for it only until the engine gives the stream up (cancel), so the
// engine can always close the file and go on with another.
class Reader {
public:
    explicit Reader(int fd)
        : shared_(std::make_shared<Shared>()) {
        shared_->fd = fd;
        std::thread(run, shared_).detach();
    }
    ~Reader() {
        const std::lock_guard<std::mutex> hold(shared_->lock);
        shared_->stop = true;
        shared_->changed.notify_all();
    }

    // Up to n bytes at the offset; -1 when the read failed or the stream was
    // cancelled first.
    int64_t read(char* buffer, uint64_t n, int64_t offset) {
        std::unique_lock<std::mutex> hold(shared_->lock);
        Shared& s = *shared_;
        if (s.busy || s.cancelled)
            return MPV_ERROR_GENERIC; // a cancelled read still stuck on the disk
        s.buffer.resize(n);
        s.offset = offset;
        s.busy = true;
        s.changed.notify_all();
        s.changed.wait(hold, [&s] { return !s.busy || s.cancelled; });
        if (s.busy || s.got < 0)
            return MPV_ERROR_GENERIC;
        std::memcpy(buffer, s.buffer.data(), static_cast<size_t>(s.got));
        return s.got;
    }

    void cancel() {
        const std::lock_guard<std::mutex> hold(shared_->lock);
        shared_->cancelled = true;
        shared_->changed.notify_all();
    }

private:
    struct Shared {
        std::mutex lock;
        std::condition_variable changed;
        int fd = -1;
        bool stop = false, busy = false, cancelled = false;
        int64_t offset = 0;
        ssize_t got = 0;
        std::vector<char> buffer;
    };

    static void run(std::shared_ptr<Shared> shared) {
        Shared& s = *shared;
        std::unique_lock<std::mutex> hold(s.lock);
        while (true) {
            s.changed.wait(hold, [&s] { return s.stop || s.busy; });
            if (s.stop)
                break;
            hold.unlock();
            ssize_t got;
            do
                got = ::pread(s.fd, s.buffer.data(), s.buffer.size(), s.offset);
            while (got < 0 && errno == EINTR);
            hold.lock();
            s.got = got;
            s.busy = false;
            s.changed.notify_all();
        }
        ::close(s.fd);
    }

    std::shared_ptr<Shared> shared_;
};

// A plain file, read at its own offset: the engine may hold several streams
// of one descriptor (the current entry and the same file queued again).
struct FileStream {
    Reader reader;
    int64_t size;
    int64_t offset = 0;
};

int64_t fileRead(void* cookie, char* buf, uint64_t n) {
    auto* s = static_cast<FileStream*>(cookie);
    const int64_t got = s->reader.read(buf, n, s->offset);
    if (got > 0)
        s->offset += got;
    return got;
}

int64_t fileSeek(void* cookie, int64_t offset) {
    auto* s = static_cast<FileStream*>(cookie);
    if (offset < 0)
        return MPV_ERROR_GENERIC;
    s->offset = offset;
    return offset;
}

int64_t fileSize(void* cookie) {
    return static_cast<FileStream*>(cookie)->size;
}

void fileClose(void* cookie) {
    delete static_cast<FileStream*>(cookie);
}

void fileCancel(void* cookie) {
    static_cast<FileStream*>(cookie)->reader.cancel();
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
    info->cookie = new FileStream{Reader(fd), published.size};
    info->read_fn = fileRead;
    info->seek_fn = fileSeek;
    info->size_fn = fileSize;
    info->close_fn = fileClose;
    info->cancel_fn = fileCancel;
    return 0;
}

} // namespace

void addProtocol(mpv_handle* handle) {
    mpv_stream_cb_add_ro(handle, kProtocol, nullptr, openStream);
}

QByteArray publish(int fd, int64_t size, const QString& name) {
    const bool midi = isMidiName(name);
    if (midi)
        MidiStream::preloadSoundfont();
    Table& t = table();
    const std::lock_guard<std::mutex> hold(t.lock);
    const quint64 token = ++t.lastToken;
    t.files.insert(token, {fd, size, midi});
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
