#include "platform/install_layout.h"

#include "platform/app_location.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef SONOQUILL_ENGINE_FROM_BIN
#define SONOQUILL_ENGINE_FROM_BIN ""
#endif
#ifndef SONOQUILL_DATA_FROM_BIN
#define SONOQUILL_DATA_FROM_BIN ""
#endif

namespace platform {

QString installedDataFile(const QString& name) {
    const QDir bin(executableFolder());
    const QString beside = bin.absoluteFilePath(name);
    const QString data = QStringLiteral(SONOQUILL_DATA_FROM_BIN);
    if (QFileInfo::exists(beside) || data.isEmpty())
        return beside;
    const QString installed = QDir::cleanPath(bin.absoluteFilePath(data + u'/' + name));
    return QFileInfo::exists(installed) ? installed : beside;
}

QByteArray installedEngineFolder() {
    const QString engine = QStringLiteral(SONOQUILL_ENGINE_FROM_BIN);
    if (engine.isEmpty())
        return {};
    return QFile::encodeName(QDir::cleanPath(QDir(executableFolder()).absoluteFilePath(engine)));
}

} // namespace platform
