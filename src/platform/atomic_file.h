#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces a file whole or not at all: the bytes go to a new file beside it,
// which is flushed to the disk and then renamed over the old one. Any failed
// write (a full disk, a file size limit, a read-only folder) is reported, with
// its cause in errno, and the old file is left as it was. Symbolic links are
// followed and the old file's permissions are kept.
//
// A file that is read-only, or that is no regular file (a device, a FIFO), is
// never replaced: the write fails with EACCES or EINVAL.
//
// The new file is hidden, named after the old one with the program's mark and
// the writer's process id, and locked while it is written, so that a copy of
// the program can tell its own leftovers from files still being written.
class AtomicFile {
public:
    enum class Mode {
        ReplaceOnly,
        // Where the folder takes no new file but the old one may be written,
        // the old file is rewritten in place: not atomic, but not lost either.
        InPlaceWhenFolderIsClosed,
    };

    explicit AtomicFile(const QString& path, Mode mode = Mode::ReplaceOnly);
    ~AtomicFile(); // without commit(), the new file is thrown away

    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();

    // The whole job for a small file.
    static bool replace(const QString& path, QByteArrayView bytes, Mode mode = Mode::ReplaceOnly);

    // Removes from the folder the new files that writers killed before their
    // rename left behind: only files of this program, whose writer is gone and
    // which nobody holds. Returns how many went.
    static int removeStaleTemporaries(const QString& folder);

private:
    bool openInPlace();
    void discard();

    QByteArray target_;
    QByteArray temp_;
    Mode mode_;
    int fd_ = -1;
    bool inPlace_ = false;
    qint64 written_ = 0;
    bool failed_ = false;
};
