#include "playlist/m3u.h"

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/path_separator.h"
#include "playlist/playlist_grid.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qint64 kChunk = 1 << 20;

// A line longer than a path can be names no file: it is left out, as an
// empty line is. A bare name (no separator) is a file of the current folder,
// which Load and Restore make the list's own: "./" keeps its name in the list.
void addLine(PlaylistGrid& grid, QByteArrayView line, bool skipComments) {
    if (line.isEmpty() || line.size() > platform::kPathMax || (skipComments && line.front() == '#'))
        return;
    const char sep = grid.separator().toLatin1();
    if (codepage::isValidUtf8(line)) {
        if (line.contains(sep)) {
            grid.appendUtf8Path(line);
            return;
        }
        QByteArray bare;
        bare.reserve(line.size() + 2);
        bare.append('.').append(sep).append(line.data(), line.size());
        if (bare.size() <= platform::kPathMax)
            grid.appendUtf8Path(bare);
        return;
    }
    QString text = codepage::decodeLine(line);
    if (!text.contains(grid.separator()))
        text.prepend(QStringLiteral(".") + grid.separator());
    const QByteArray path = text.toUtf8();
    if (path.size() <= platform::kPathMax)
        grid.appendUtf8Path(path);
}

struct BatchGuard {
    explicit BatchGuard(PlaylistGrid& g)
        : grid(g) {
        grid.beginBatch();
    }
    ~BatchGuard() { grid.endBatch(); }
    PlaylistGrid& grid;
};

} // namespace

bool ReadPlaylist(PlaylistGrid& grid, const QString& path, bool skipComments) {
    // Only ordinary files: a FIFO or a device named like a list would block.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    BatchGuard batch(grid);
    grid.reserveForBytes(file.size());
    QByteArray buffer;
    bool first = true;
    bool pendingCr = false; // a CR ended the last chunk: an LF after it is part of it
    // The line under way is too long to be added: its bytes are dropped as
    // they come, so a line of any length costs no memory and no rescan.
    bool overlong = false;
    while (true) {
        // Sized to what is left: a short list should not cost a 1 MB buffer.
        // Some files report no size (/proc); they are read in small steps.
        const qint64 left = file.size() - file.pos();
        const QByteArray chunk = file.read(left > 0 ? std::min(left, kChunk) : kChunk / 16);
        if (chunk.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                return false;
            break;
        }
        buffer += chunk;
        QByteArrayView view(buffer);
        if (first) {
            view = codepage::skipBom(view);
            first = false;
        }
        qsizetype start = 0;
        if (pendingCr && !view.isEmpty() && view[0] == '\n')
            start = 1;
        pendingCr = false;
        for (qsizetype i = start; i < view.size(); ++i) {
            const char c = view[i];
            if (c != '\n' && c != '\r')
                continue;
            if (overlong)
                overlong = false;
            else
                addLine(grid, view.sliced(start, i - start), skipComments);
            if (c == '\r') {
                if (i + 1 < view.size()) {
                    if (view[i + 1] == '\n')
                        ++i;
                } else {
                    pendingCr = true;
                }
            }
            start = i + 1;
        }
        buffer = view.sliced(start).toByteArray();
        if (buffer.size() > platform::kPathMax) {
            overlong = true;
            buffer.clear();
        }
    }
    if (!overlong)
        addLine(grid, buffer, skipComments); // a last line without a line end
    return true;
}

bool WritePlaylist(const PlaylistGrid& grid, const QString& path) {
    AtomicFile file(path);
    if (!file.open())
        return false;
    QByteArray out;
    out.reserve(std::min<qsizetype>(kChunk, grid.textBytes()) + 4096);
    for (std::int32_t r = 1; r < grid.Rows(); ++r) {
        const QByteArrayView line = grid.fullPathUtf8(r);
        out.append(line.data(), line.size());
        out += "\r\n";
        if (out.size() >= kChunk) {
            if (!file.write(out))
                return false;
            out.clear();
        }
    }
    return file.write(out) && file.commit();
}
