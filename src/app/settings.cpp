#include "app/settings.h"

#include "platform/app_location.h"
#include "platform/profile_file.h"

#include <QDir>

namespace mIni {
namespace {

QString& overriddenFolder() {
    static QString folder;
    return folder;
}

QString settingsFile() {
    return AppPath() + kFileName;
}

} // namespace

QString AppPath() {
    QString folder = overriddenFolder();
    if (folder.isEmpty())
        folder = platform::executableFolder();
    const QChar sep = QDir::separator();
    if (!folder.endsWith(sep))
        folder += sep;
    return folder;
}

QString ReadSetting(const QString& section, const QString& key) {
    return profile::readString(settingsFile(), section, key);
}

int WriteSetting(const QString& section, const QString& key, const QString& value) {
    return profile::writeString(settingsFile(), section, key, value) ? 1 : 0;
}

void overrideAppPathForTesting(const QString& folder) {
    overriddenFolder() = folder;
}

} // namespace mIni
