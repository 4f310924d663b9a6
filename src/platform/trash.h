#pragma once

#include <QString>

class QWidget;

namespace mdRecycled {

enum class Outcome {
    Trashed,  // the file is in the trash
    Declined, // the person answered No; the file stays
    Missing,  // there was no such file
    NotAFile, // a folder, device or FIFO: never moved, nothing asked
    Failed,   // the move failed (no trash on that volume, no permission); told
};

// Asks the person, naming the file, then moves it to the desktop's trash.
// Only a regular file (or a link to one) is moved. A failure is told in a
// message as the desktop would tell it.
Outcome RecycleFile(QWidget* owner, const QString& path);

} // namespace mdRecycled
