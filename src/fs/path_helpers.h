#pragma once

#include "platform/path_separator.h"

#include <QString>

#include <cstdint>
#include <functional>

// Small stateless helpers over paths. A path is folders joined by the
// separator with the file name last; an entry's full path is always
// folder + separator + file name, and these functions give the two halves.
namespace mFile {

// The text after the last separator; "" when there is none.
QString GetFileName(const QString& path, QChar separator = platform::kPathSeparator);

// The text before the last separator, without it; "" when there is none.
QString GetFolder(const QString& path, QChar separator = platform::kPathSeparator);

// The path as the file system spells it; "" when it names nothing. Without
// short names, this is the path itself when it exists.
QString GetLongPath(const QString& path);

// Whether the file can be found: a name with a folder part is tested where it
// points; a bare name is looked for in the application's folder, the current
// folder and the folders of PATH.
bool FileExists(const QString& name);

} // namespace mFile

namespace mCode {

// One less than the number of scrollable rows that lie wholly inside a grid of
// the given height (with one fixed row), or rows when every row fits; 0 for a
// grid without rows. A running height equal to the grid's height does not fit.
std::int32_t VisibleRows(std::int32_t rows, std::int32_t fixedRows, std::int64_t height,
                         const std::function<std::int64_t(std::int32_t)>& rowHeight);

} // namespace mCode
