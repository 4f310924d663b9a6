#include "platform/install_layout.h"

#include "platform/app_location.h"

#include <QDir>
#include <QFile>

#ifndef SONOQUILL_ENGINE_FROM_BIN
#define SONOQUILL_ENGINE_FROM_BIN ""
#endif

namespace platform {

QByteArray installedEngineFolder() {
    const QString engine = QStringLiteral(SONOQUILL_ENGINE_FROM_BIN);
    if (engine.isEmpty())
        return {};
    return QFile::encodeName(QDir::cleanPath(QDir(executableFolder()).absoluteFilePath(engine)));
}

} // namespace platform
