#pragma once

#include <QString>
#include <QStringView>

// File-name patterns as the system's listing matches them: "*" any run of
// characters, "?" exactly one, letters without regard to case. "*.*" matches
// every name, with or without a dot.
namespace wildcard {

bool match(QStringView pattern, QStringView name);

// The form in which case no longer counts: every character in its simple
// upper case, one for one, so the length never changes ("ı" and "i" are both
// "I"; "ß" stays "ß"). A second fold changes nothing.
QString fold(QStringView text);

// The same as match on texts already folded, so a pattern list and a folder
// listing are each folded once.
bool matchFolded(QStringView foldedPattern, QStringView foldedName);

} // namespace wildcard
