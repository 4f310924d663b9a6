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
                                 ? "/dev/shm/sonoquill-fuzz-XXXXXX"
                                 : QDir::tempPath() + "/sonoquill-fuzz-XXXXXX");
    const QString in = dir.filePath("in.m3u"), out = dir.filePath("out.m3u");
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(data), size) < 0)
        abort();
    f.close();
    for (bool skip : {true, false}) {
        PlaylistGrid grid(QChar(u'/')), back(QChar(u'/'));
        if (!ReadPlaylist(grid, in, skip) || !WritePlaylist(grid, out) ||
            !ReadPlaylist(back, out, false))
            abort();
        std::int32_t b = 1; // empty lines vanish, and with them empty entries
        for (std::int32_t r = 1; r < grid.Rows(); ++r) {
            const QString path = grid.fullPath(r);
            if (path.isEmpty())
                continue;
            if (b >= back.Rows())
                abort();
            const bool comparable = !grid.TextMatrix(r, 0).contains(u'/') &&
                                    !path.startsWith(u'#') && !path.startsWith(QChar(0xFEFF)) &&
                                    !path.contains(u'\r') && !path.contains(u'\n');
            if (comparable && back.fullPath(b) != path)
                abort();
            ++b;
        }
    }
    return 0;
}
