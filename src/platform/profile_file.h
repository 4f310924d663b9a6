#pragma once

#include <QString>

// Our stand-in for the system's profile-string calls: an INI file of
// "[section]" headers and "key=value" lines. Section and key names match
// without regard to case; a value is the text after the first "=" with
// surrounding blanks removed.
namespace profile {

// The stored value, "" when the file, the section or the key is missing.
QString readString(const QString& file, const QString& section, const QString& key);

// Stores value under section/key, creating the file, the section and the key
// as needed. Every other line comes back as it was. The file is replaced
// atomically, so a failed write leaves the previous file whole. Returns false
// when the file could not be written.
bool writeString(const QString& file, const QString& section, const QString& key,
                 const QString& value);

} // namespace profile
