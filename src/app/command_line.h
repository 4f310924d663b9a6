#pragma once

#include <QString>
#include <QStringList>

// The names a command-line text hands to the player, in order. Text with a
// double quote is a list of quoted names (text outside the pairs ignored; an
// unpaired quote ends the list); otherwise names are separated by single
// spaces and each is spelled as the file system lists it ("" when missing).
// `complete` tells whether the text was read to its end.
struct CommandLineNames {
    QStringList names;
    bool complete = true;
};
CommandLineNames ParseCommandLine(const QString& text);
