#pragma once

#include <QString>

namespace platform {

// The folder that holds the running executable, resolved from the process
// itself (not from argv[0] or the current directory); no trailing separator.
QString executableFolder();

} // namespace platform
