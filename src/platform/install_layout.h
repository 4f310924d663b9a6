#pragma once

#include <QByteArray>

namespace platform {

// Where a system install keeps the engine library: the private library folder
// beside bin/ (lib/<triplet>/sonoquill); empty for an install into one folder.
QByteArray installedEngineFolder();

} // namespace platform
