#pragma once

#include <QString>
#include <QStringView>

// File-name patterns as the system's listing matches them: "*" any run of
// characters, "?" exactly one, letters without regard to case. "*.*" matches
// every name, with or without a dot.
namespace wildcard {

bool match(QStringView pattern, QStringView name);

// The same on texts already case-folded (QString::toCaseFolded), so a pattern
// list and a folder listing are each folded once.
bool matchFolded(QStringView foldedPattern, QStringView foldedName);

} // namespace wildcard
