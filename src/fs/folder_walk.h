#pragma once

#include "platform/dir_listing.h"

#include <QString>

#include <cstdint>
#include <set>
#include <vector>

namespace Search2 {

// The text before its first NUL character, or the whole text without one.
QString TrimNull(const QString& text);

// Turns one folder into the list of itself and every folder below it, in
// depth-first pre-order, subfolders in name order. Links to folders are
// followed, but a folder already entered in this walk is never entered again,
// so every tree ends.
class FolderWalk {
public:
    // Index 0 is the path as given; the others are built from its absolute form
    // and the names the file system stores.
    std::vector<QString> FolderList{QString()};
    std::int32_t FolderCount = 0;

    // The highest index used (FolderCount - 1); -1 when the path does not
    // exist; 0 when it exists but is no folder that can be entered. Leaves the
    // walked folder as the current directory.
    std::int32_t ListFolders(const QString& path);

private:
    void AddSubFolders(const QString& path);
    bool enterOnce(const QString& path);
    void append(const QString& path);

    std::set<dirlist::FileId> entered_;
};

} // namespace Search2
