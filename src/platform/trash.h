#pragma once

#include <QString>

class QWidget;

namespace mdRecycled {

enum class Outcome {
    Trashed,  // the file is in the trash
    Declined, // the person answered No; the file stays
    Missing,  // there was no such file
    NotAFile, // a folder, device or FIFO: never moved, nothing asked
    Changed,  // another file or a folder took its place during the question: never moved
    Failed,   // the move failed (another file system, no permission); told
};

// Asks the person, naming the file, then moves it to the desktop's trash in
// the home folder, by rename only (a file on another file system fails).
// Only a regular file (or a link to one) is moved, and only the very file the
// person was asked about. A failure is told in a message as the desktop would
// tell it.
Outcome RecycleFile(QWidget* owner, const QString& path);

} // namespace mdRecycled
