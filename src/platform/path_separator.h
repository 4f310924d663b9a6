#pragma once

#include <QChar>

#include <climits>

namespace platform {

// The separator of the platform's paths: every rule that splits or joins a
// path uses it.
#ifdef _WIN32
inline constexpr QChar kPathSeparator = u'\\';
#else
inline constexpr QChar kPathSeparator = u'/';
#endif

// The longest path, in bytes, that the platform's file calls take (PATH_MAX):
// a longer text names no file.
#ifdef PATH_MAX
inline constexpr int kPathMax = PATH_MAX;
#else
inline constexpr int kPathMax = 4096;
#endif

} // namespace platform
