#include "platform/process_arguments.h"

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
    const QString path =
        argument.startsWith(QLatin1String("file://")) ? QUrl(argument).toLocalFile() : argument;
    return path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

} // namespace platform
