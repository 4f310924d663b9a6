#pragma once

#include <QString>

class QWidget;

// Our stand-ins for the desktop shell's services.
namespace shell {

// Opens a document with the desktop's default viewer; a relative name is
// taken from the current folder. False when nothing could open it.
bool openDocument(const QString& path);

// Asks the file manager to show its properties window for the file. False
// when no file manager answered (no session bus, no such service).
bool showItemProperties(const QString& path);

} // namespace shell
