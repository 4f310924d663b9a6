#include "platform/app_location.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace platform {

QString executableFolder() {
    // /proc/self/exe names the binary even before a QCoreApplication exists.
    QFileInfo exe(QStringLiteral("/proc/self/exe"));
    if (exe.exists())
        return QFileInfo(exe.symLinkTarget()).absolutePath();
    return QCoreApplication::applicationDirPath();
}

} // namespace platform
