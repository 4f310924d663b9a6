#pragma once

#include <QString>

// Where the program keeps its settings and where it finds its help page.
// Folders are given and returned without a trailing separator.
namespace platform {

// The person's own configuration folder for the program:
// $XDG_CONFIG_HOME/sonoquill, else ~/.config/sonoquill. Not created here.
QString userConfigFolder();

// Portable, as the program always was, for a copy of one's own: when the
// executable's folder may be written or already holds a writable settings file
// named fileName, and it is not under a system prefix (/usr, /opt, /snap).
// Otherwise (an installed program, for every user and root alike) configFolder.
QString settingsFolder(const QString& executableFolder, const QString& fileName,
                       const QString& configFolder);

// The folder that holds fileName beside the executable, or in the shared data
// folder of an installed program; the executable's folder when neither has it.
QString helpFolder(const QString& executableFolder, const QString& fileName);

} // namespace platform
