#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces a file whole or not at all: the bytes go to a new file beside it,
// which is flushed to the disk and then renamed over the old one. Any failed
// write (a full disk, a file size limit, a read-only folder) is reported, with
// its cause in errno, and the old file is left as it was. Symbolic links are
// followed and the old file's permissions are kept.
class AtomicFile {
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile(); // without commit(), the new file is thrown away

    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();

    // The whole job for a small file.
    static bool replace(const QString& path, QByteArrayView bytes);

private:
    void discard();

    QByteArray target_;
    QByteArray temp_;
    int fd_ = -1;
    bool failed_ = false;
};
