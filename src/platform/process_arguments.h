#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The command-line text the program reads, built from the process's
// arguments (its own name left out): each made absolute against the current
// folder, enclosed in double quotes, joined by single spaces, so names with
// spaces arrive whole.
QString commandLineText(const QStringList& arguments);

} // namespace platform
