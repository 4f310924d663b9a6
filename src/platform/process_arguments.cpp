#include "platform/process_arguments.h"

#include "platform/playable_file.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace platform {

QStringList processArguments(int argc, char* argv[]) {
    QStringList out;
    for (int i = 1; i < argc && argv[i]; ++i)
        out << QFile::decodeName(argv[i]);
    return out;
}

QString localName(const QString& argument) {
    // Another scheme is no file of this machine: kept as it is, it is refused
    // by the player as any unplayable name, not taken for a local one.
    if (hasScheme(argument) && !argument.startsWith(QLatin1String("file:")))
        return argument;
    const QString path =
        argument.startsWith(QLatin1String("file://")) ? QUrl(argument).toLocalFile() : argument;
    if (path.isEmpty())
        return path;
    // By hand: Qt would take a name that starts with ":" for a resource.
    return QDir::cleanPath(path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path);
}

} // namespace platform
