#include "fs/path_helpers.h"

#include "platform/app_location.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace mFile {

QString ReverseString(const QString& text) {
    QString r = text;
    std::reverse(r.begin(), r.end());
    return r;
}

std::int32_t InStrFromEnd(std::int32_t start, const QString& text, const QString& find,
                          Compare compare) {
    const QString haystack = ReverseString(text);
    const QString needle = ReverseString(find);
    if (start < 1 || start > haystack.size() + (needle.isEmpty() ? 1 : 0))
        return 0;
    if (needle.isEmpty())
        return start;
    const auto cs = compare == Compare::Text ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return static_cast<std::int32_t>(haystack.indexOf(needle, start - 1, cs) + 1);
}

QString GetFileName(const QString& path, QChar separator) {
    const qsizetype at = path.lastIndexOf(separator);
    return at < 0 ? QString() : path.sliced(at + 1);
}

QString GetFolder(const QString& path, QChar separator) {
    const qsizetype at = path.lastIndexOf(separator);
    return at < 0 ? QString() : path.first(at);
}

QString GetLongPath(const QString& path) {
    if (path.isEmpty())
        return {};
    QFileInfo info(path);
    return info.exists() || info.isSymLink() ? path : QString();
}

bool FileExists(const QString& name) {
    if (name.isEmpty())
        return false;
    auto isFile = [](const QString& p) {
        QFileInfo info(p);
        return info.exists() && !info.isDir();
    };
    if (name.contains(platform::kPathSeparator))
        return isFile(name);
    QStringList folders{platform::executableFolder(), QDir::currentPath()};
    folders += qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    return std::any_of(folders.begin(), folders.end(),
                       [&](const QString& folder) { return isFile(QDir(folder).filePath(name)); });
}

} // namespace mFile

namespace mCode {

std::int32_t VisibleRows(std::int32_t rows, std::int32_t fixedRows, std::int64_t height,
                         const std::function<std::int64_t(std::int32_t)>& rowHeight) {
    std::int64_t sum = 0;
    for (std::int32_t i = 0; i < rows; ++i) {
        sum += rowHeight(i);
        if (height <= sum)
            return i - fixedRows - 1;
    }
    return rows;
}

} // namespace mCode
