// Any bytes as a list file: reading never fails on content, and every entry
// read comes back the same after a write and a second read, as long as its
// File cell holds no separator and its line does not begin with "#".
#include "playlist/m3u.h"
#include "playlist/playlist_grid.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In memory where there is such a folder: each input writes and syncs files.
    static QTemporaryDir dir(QFile::exists("/dev/shm")
                                 ? QStringLiteral("/dev/shm/sonoquill-fuzz-XXXXXX")
                                 : QDir::tempPath() + "/sonoquill-fuzz-XXXXXX");
    const QString in = dir.filePath("in.m3u"), out = dir.filePath("out.m3u");
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly))
            abort();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    for (bool skip : {true, false}) {
        PlaylistGrid grid(QChar(u'/'));
        if (!ReadPlaylist(grid, in, skip))
            abort();
        if (!WritePlaylist(grid, out))
            abort();
        PlaylistGrid back(QChar(u'/'));
        if (!ReadPlaylist(back, out, false))
            abort();
        // Empty lines vanish; so an entry whose full path is empty cannot be.
        std::int32_t b = 1;
        for (std::int32_t r = 1; r < grid.Rows(); ++r) {
            const QString path = grid.fullPath(r);
            if (path.isEmpty())
                continue;
            if (b >= back.Rows())
                abort();
            const bool comparable = !grid.TextMatrix(r, 0).contains(u'/') &&
                                    !path.startsWith(u'#') && !path.startsWith(QChar(0xFEFF)) &&
                                    !path.contains(u'\r') && !path.contains(u'\n');
            if (comparable && (back.TextMatrix(b, 0) != grid.TextMatrix(r, 0) ||
                               back.TextMatrix(b, 1) != grid.TextMatrix(r, 1)))
                abort();
            ++b;
        }
    }
    return 0;
}
