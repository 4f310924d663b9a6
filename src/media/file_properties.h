#pragma once

#include <QString>

class QWidget;

namespace mdProperty {

// Shows the properties of a file: the file manager's own window when one
// answers, else a window of ours with the file's and the media's facts.
// Nothing is shown for a missing file.
void ShowFileProperties(const QString& path, QWidget* window);

} // namespace mdProperty
