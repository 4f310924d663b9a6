#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// A file the program ships (the help page): beside the executable when it is
// there (a build tree, an install into one folder), else in the data folder
// of a system install (share/sonoquill beside bin/). The path beside the
// executable when neither holds it.
QString installedDataFile(const QString& name);

// Where a system install keeps the engine library: the private library folder
// beside bin/ (lib/<triplet>/sonoquill); empty for an install into one folder.
QByteArray installedEngineFolder();

} // namespace platform
