#include "fs/path_helpers.h"

#include "platform/app_location.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace mFile {

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
