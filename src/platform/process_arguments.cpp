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
    // A file URL, as file managers may pass, stands for its path. Another
    // scheme names no file of this machine: kept as it is, the player
    // refuses it as any unplayable name.
    if (hasScheme(argument) && QUrl(argument).scheme() != QLatin1String("file"))
        return argument;
    const QString path = hasScheme(argument) ? localPath(argument) : argument;
    if (path.isEmpty())
        return path;
    // By hand: Qt would take a name that starts with ":" for a resource.
    return QDir::cleanPath(path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path);
}

} // namespace platform
