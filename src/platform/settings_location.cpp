#include "platform/settings_location.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Root may write there, yet no package owns a file left beside the program.
bool underSystemPrefix(const QString& folder) {
    const QString withSlash = QDir::cleanPath(folder) + u'/';
    for (const char* prefix : {"/usr/", "/opt/", "/snap/"})
        if (withSlash.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

} // namespace

QString userConfigFolder() {
    // The organisation-less application path would be "Sonoquill", capitalised.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/sonoquill");
}

QString settingsFolder(const QString& executableFolder, const QString& fileName,
                       const QString& configFolder) {
    if (underSystemPrefix(executableFolder))
        return configFolder;
    const QByteArray folder = QFile::encodeName(executableFolder);
    if (::access(folder.constData(), W_OK | X_OK) == 0)
        return executableFolder;
    // A file the person made read-only is no writable one, whoever runs us.
    const QByteArray file = QFile::encodeName(QDir(executableFolder).filePath(fileName));
    struct stat st {};
    if (::stat(file.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 &&
        ::access(file.constData(), W_OK) == 0)
        return executableFolder;
    return configFolder;
}

QString helpFolder(const QString& executableFolder, const QString& fileName) {
    const QDir exe(executableFolder);
    for (const QString& folder : {exe.path(), exe.filePath(QStringLiteral("../share/sonoquill")),
                                  exe.filePath(QStringLiteral("../share/doc/sonoquill"))}) {
        if (QFile::exists(QDir(folder).filePath(fileName)))
            return QDir::cleanPath(folder);
    }
    return exe.path();
}

} // namespace platform
