#include "platform/process_arguments.h"

#include <QDir>
#include <QUrl>

namespace platform {

QString commandLineText(const QStringList& arguments) {
    QStringList quoted;
    for (const QString& arg : arguments) {
        // File managers may pass URLs of local files.
        QString path = arg.startsWith(QLatin1String("file://")) ? QUrl(arg).toLocalFile() : arg;
        if (path.isEmpty())
            continue;
        quoted << u'"' + QDir::cleanPath(QDir::current().absoluteFilePath(path)) + u'"';
    }
    return quoted.join(u' ');
}

} // namespace platform
