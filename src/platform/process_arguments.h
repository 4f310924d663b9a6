#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The process's arguments, the program's own name left out, each one text as
// the system passed it, decoded as the file system spells names.
QStringList processArguments(int argc, char* argv[]);

// A name from the command line as the player opens it: made absolute against
// the current folder; a file URL, as file managers may pass, as its path; a
// name with another scheme as it is (the player refuses it).
QString localName(const QString& argument);

} // namespace platform
