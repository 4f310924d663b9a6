#pragma once

#include <QString>

// The settings file "Sonoquill.ini", section "Set". It lives beside the
// executable when that folder may be written (a portable program), else in
// the person's configuration folder; the choice is made once, at the first
// use. The file is read once, at the first use, into one document that every
// read and write works on; the document reaches the disk when the program
// closes (Flush), and at once for the row a Snap stores, so that the row on
// disk always goes with the snapshot beside it.
namespace mIni {

inline const QString kFileName = QStringLiteral("Sonoquill.ini");
inline const QString kSection = QStringLiteral("Set");

// The key table. "Top" is the always-on-top flag; the window's top edge is
// "fTop".
namespace key {
inline const QString WindowTop = QStringLiteral("fTop");
inline const QString WindowLeft = QStringLiteral("Left");
inline const QString AlwaysOnTop = QStringLiteral("Top");
inline const QString Repeat = QStringLiteral("Repeat");
inline const QString Volume = QStringLiteral("Vol");
inline const QString Mute = QStringLiteral("Mute");
inline const QString FilterList = QStringLiteral("get");
inline const QString PinnedRow = QStringLiteral("pin");
} // namespace key

// The filter list used when "get" is empty.
inline const QString kFirstRunFilterList = QStringLiteral("*.mp3|*.mpg|*.mpeg|*.avi|*.wma|*.wmv");

// The program's folder for its settings and its snapshot list, with a
// trailing separator; made when it does not exist yet.
QString AppPath();

// The folder of the help page, with a trailing separator: beside the
// executable, or the installed program's shared data folder.
QString HelpPath();

// One line for the person: where the settings are kept.
QString LocationText();

// The stored value, whole; "" when the file, the section or the key is missing.
QString ReadSetting(const QString& section, const QString& key);

// Stores the value; non-zero on success. A failed write is never reported to
// the person; callers may ignore the result.
int WriteSetting(const QString& section, const QString& key, const QString& value);

// Writes what changed since the file was read, in one write; true when there
// was nothing to write or it was written. A file that was there but could not
// be read (no regular file, too large) is never replaced.
bool Flush();

// Tests run the windows against settings in a folder of their own; each call
// forgets what was read, and "" goes back to the program's own choice.
void overrideAppPathForTesting(const QString& folder);

} // namespace mIni
