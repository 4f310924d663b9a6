#include "platform/dir_listing.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dirlist {

std::vector<Entry> list(const QString& folder, int* error) {
    std::vector<Entry> out;
    if (error)
        *error = 0;
    const QByteArray path = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR* dir = opendir(path.constData());
    if (!dir) {
        if (error)
            *error = errno;
        return out;
    }
    const int dfd = dirfd(dir);
    struct Keyed {
        QString folded;
        Entry entry;
    };
    std::vector<Keyed> keyed;
    while (dirent* d = readdir(dir)) {
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        Entry e;
        e.name = QFile::decodeName(n);
        e.hidden = n[0] == '.';
        unsigned char type = d->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            // Follow links; a dangling link is neither file nor folder.
            struct stat st;
            if (fstatat(dfd, n, &st, 0) == 0)
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
            else
                type = DT_UNKNOWN;
        }
        e.kind = type == DT_DIR ? Kind::Folder : type == DT_REG ? Kind::File : Kind::Other;
        QString folded = e.name.toCaseFolded();
        keyed.push_back({std::move(folded), std::move(e)});
    }
    closedir(dir);
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.folded != b.folded)
            return a.folded < b.folded;
        return a.entry.name < b.entry.name;
    });
    out.reserve(keyed.size());
    for (auto& k : keyed)
        out.push_back(std::move(k.entry));
    return out;
}

bool fileId(const QString& path, FileId& id) {
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

} // namespace dirlist
