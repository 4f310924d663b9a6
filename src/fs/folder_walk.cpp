#include "fs/folder_walk.h"

#include "platform/path_separator.h"

#include <QDir>
#include <QFileInfo>

namespace Search2 {

QString TrimNull(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.first(nul);
}

std::int32_t FolderWalk::ListFolders(const QString& path) {
    FolderList.assign(1, QString());
    FolderCount = 0;
    entered_.clear();

    if (path.isEmpty() || !QFileInfo::exists(path))
        return -1;
    FolderList[0] = path;
    FolderCount = 1;

    // The logical path, as the person sees it: a link in it is not resolved.
    const QString base = QDir::cleanPath(QDir(path).absolutePath());
    if (!QFileInfo(path).isDir() || !QDir::setCurrent(path))
        return 0;
    enterOnce(path);
    AddSubFolders(base);
    return FolderCount - 1;
}

void FolderWalk::AddSubFolders(const QString& path) {
    // A root folder already ends in the separator.
    const QString prefix =
        path.endsWith(platform::kPathSeparator) ? path : path + platform::kPathSeparator;
    for (const auto& e : dirlist::list(path)) {
        if (e.kind != dirlist::Kind::Folder)
            continue;
        const QString sub = prefix + TrimNull(e.name);
        if (!enterOnce(sub))
            continue;
        append(sub);
        AddSubFolders(sub);
    }
}

bool FolderWalk::enterOnce(const QString& path) {
    dirlist::FileId id;
    if (!dirlist::fileId(path, id))
        return false;
    return entered_.insert(id).second;
}

void FolderWalk::append(const QString& path) {
    FolderList.push_back(path);
    ++FolderCount;
}

} // namespace Search2
