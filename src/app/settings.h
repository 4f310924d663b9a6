#pragma once

#include <QString>

// The settings file "Sonoquill.ini" beside the executable, section "Set".
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

// The executable's folder with a trailing separator.
QString AppPath();

// The stored value, whole; "" when the file, the section or the key is missing.
QString ReadSetting(const QString& section, const QString& key);

// Stores the value; non-zero on success. A failed write is never reported to
// the person; callers may ignore the result.
int WriteSetting(const QString& section, const QString& key, const QString& value);

// Tests run the windows against settings in a folder of their own.
void overrideAppPathForTesting(const QString& folder);

} // namespace mIni
