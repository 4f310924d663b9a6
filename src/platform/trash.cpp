#include "platform/trash.h"

#include "dialogs/dialog_presenter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace mdRecycled {
namespace {

// One file: a file made after another one went may get its inode number, but
// not its change time.
struct Identity {
    dev_t device;
    ino_t inode;
    time_t changed;
    long changedNs;
    bool operator==(const Identity&) const = default;
};

// The entry a path names, when it is a regular file or a link to one.
std::optional<Identity> regularFile(const QByteArray& path) {
    struct stat entry, target;
    if (::lstat(path.constData(), &entry) != 0 || ::stat(path.constData(), &target) != 0 ||
        !S_ISREG(target.st_mode))
        return std::nullopt;
    return Identity{entry.st_dev, entry.st_ino, entry.st_ctim.tv_sec, entry.st_ctim.tv_nsec};
}

// Every missing folder on the way is made open to this user only; 0, or the
// errno.
int makeFolders(const QByteArray& path) {
    for (qsizetype i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/')
            ::mkdir(path.left(i).constData(), 0700);
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Never over a file in the trash; where the file system has no such rename,
// a look first.
int renameNew(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    struct stat st;
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// Moves the file in under a name of its own, rename only; 0, or the errno.
int moveIntoTrash(const QString& path, const QString& trash) {
    const QByteArray files = QFile::encodeName(trash + QStringLiteral("/files"));
    const QByteArray info = QFile::encodeName(trash + QStringLiteral("/info"));
    int made = makeFolders(files);
    if (made == 0)
        made = makeFolders(info);
    if (made != 0)
        return made;
    const QByteArray from = QFile::encodeName(path);
    const QByteArray entry =
        "[Trash Info]\nPath=" +
        QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()))
            .toPercentEncoding("/") +
        "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'hh:mm:ss")).toLatin1() +
        '\n';
    const QByteArray name = QFile::encodeName(QFileInfo(path).fileName());
    for (int n = 1; n < 1000; ++n) {
        const QByteArray unique = n == 1 ? name : name + '.' + QByteArray::number(n);
        // The info file, made first and only if new, holds the name.
        const QByteArray infoFile = info + '/' + unique + ".trashinfo";
        const int fd = ::open(infoFile.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return errno;
        const ssize_t put = ::write(fd, entry.constData(), static_cast<size_t>(entry.size()));
        int error = put == entry.size() ? 0 : put < 0 ? errno : ENOSPC;
        if (::close(fd) != 0 && error == 0)
            error = errno;
        if (error == 0)
            error = renameNew(from, files + '/' + unique);
        if (error == 0)
            return 0;
        ::unlink(infoFile.constData());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

// $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
QString homeTrash() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    return (data.startsWith(u'/') ? data : QDir::homePath() + QStringLiteral("/.local/share")) +
           QStringLiteral("/Trash");
}

} // namespace

Outcome RecycleFile(QWidget* owner, const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0)
        return Outcome::Missing;
    const std::optional<Identity> asked = regularFile(name);
    if (!asked)
        return Outcome::NotAFile;
    const QString question =
        QStringLiteral("ファイルをゴミ箱へ移動しますか？\n\n") + QFileInfo(path).fileName();
    const QString title = QStringLiteral("ファイルの削除");
    if (!DialogPresenter::current().ask(owner, title, question))
        return Outcome::Declined;
    // The program ran on while the question was open: the name may now be
    // another file's, or a folder's.
    if (::lstat(name.constData(), &st) != 0)
        return Outcome::Missing;
    if (regularFile(name) != asked)
        return Outcome::Changed;
    const int error = moveIntoTrash(path, homeTrash());
    if (error == 0)
        return Outcome::Trashed;
    const QString message = QStringLiteral("ゴミ箱へ移動できませんでした。\n\n") + path +
                            QStringLiteral("\n") + QString::fromLocal8Bit(std::strerror(error));
    DialogPresenter::current().warn(owner, title, message);
    return Outcome::Failed;
}

} // namespace mdRecycled
