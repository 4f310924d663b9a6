#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Each argument is one name, as the system
// passed it: nothing is joined or split again. Before a "--", "--help" and
// "--version" ask for a text instead of a window (the first one given
// decides); every other argument, and everything after "--", is a file name.
// Empty arguments name nothing and are left out.
struct CommandLine {
    enum class Request { Play, Help, Version };
    Request request = Request::Play;
    QStringList names;
};
CommandLine ParseCommandLine(const QStringList& arguments);

// The short usage that "--help" prints, ending in a newline.
QString UsageText();
