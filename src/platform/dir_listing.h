#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Directory listing as the file search and the folder walk need it: one
// readdir pass, entries in name order without regard to case (the order the
// target's file system lists them in), never opening an entry.
namespace dirlist {

enum class Kind : std::uint8_t { File, Folder, Other };

struct Entry {
    QString name;
    Kind kind = Kind::Other; // links are followed: a link to a file is a File
    bool hidden = false;     // a name beginning with "."
};

// The entries of folder ("." and ".." left out), sorted. Empty when the folder
// cannot be read; `error` (when given) then holds errno, 0 otherwise.
std::vector<Entry> list(const QString& folder, int* error = nullptr);

// Identity of a folder for loop detection: device and inode of what the path
// leads to. Returns false when it cannot be read.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend auto operator<=>(const FileId&, const FileId&) = default;
};
bool fileId(const QString& path, FileId& id);

} // namespace dirlist
