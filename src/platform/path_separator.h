#pragma once

#include <QChar>

namespace platform {

// The separator of the platform's paths: every rule that splits or joins a
// path uses it.
#ifdef _WIN32
inline constexpr QChar kPathSeparator = u'\\';
#else
inline constexpr QChar kPathSeparator = u'/';
#endif

} // namespace platform
