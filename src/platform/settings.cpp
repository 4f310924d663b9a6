#include "platform/settings.h"

#include "platform/app_location.h"
#include "platform/atomic_file.h"
#include "platform/profile_file.h"
#include "platform/settings_location.h"

#include <QDir>

namespace mIni {
namespace {

const QString kHelpFile = QStringLiteral("help_snq.html");

struct Store {
    QString overridden;
    QString folder; // chosen once; no trailing separator
    bool loaded = false;
    profile::Loaded file;
    bool dirty = false;
};

Store& store() {
    static Store s;
    return s;
}

QString withSeparator(QString folder) {
    const QChar sep = QDir::separator();
    if (!folder.endsWith(sep))
        folder += sep;
    return folder;
}

const QString& folder() {
    Store& s = store();
    if (s.folder.isEmpty())
        s.folder = !s.overridden.isEmpty()
                       ? s.overridden
                       : platform::settingsFolder(platform::executableFolder(), kFileName,
                                                  platform::userConfigFolder());
    return s.folder;
}

profile::Loaded& document() {
    Store& s = store();
    if (!s.loaded) {
        s.loaded = true;
        // Left by a copy killed while it wrote the settings or a snapshot.
        AtomicFile::removeStaleTemporaries(folder());
        s.file = profile::load(withSeparator(folder()) + kFileName);
    }
    return s.file;
}

} // namespace

QString AppPath() {
    QDir().mkpath(folder());
    return withSeparator(folder());
}

QString HelpPath() {
    return withSeparator(platform::helpFolder(platform::executableFolder(), kHelpFile));
}

QString LocationText() {
    return QStringLiteral("設定の保存先: ") + QDir::toNativeSeparators(folder());
}

QString ReadSetting(const QString& section, const QString& key) {
    return document().doc.value(section, key);
}

int WriteSetting(const QString& section, const QString& key, const QString& value) {
    store().dirty |= document().doc.setValue(section, key, value);
    // The row goes to the disk with the snapshot it belongs to.
    if (key.compare(key::PinnedRow, Qt::CaseInsensitive) == 0)
        return Flush() ? 1 : 0;
    return 1;
}

bool Flush() {
    Store& s = store();
    if (!s.dirty)
        return true;
    if (!document().replaceable || !QDir().mkpath(folder()) ||
        !profile::save(withSeparator(folder()) + kFileName, s.file.doc))
        return false;
    s.dirty = false;
    return true;
}

void overrideAppPathForTesting(const QString& folder) {
    store() = Store();
    store().overridden = folder;
}

} // namespace mIni
