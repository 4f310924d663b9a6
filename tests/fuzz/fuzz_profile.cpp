// Any text as a settings file, then up to three writes: every value written
// reads back, and every other line that was valid UTF-8 is still there.
#include "platform/profile_file.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdlib>

static QList<QByteArray> lines(QByteArray bytes) {
    return bytes.replace("\r\n", "\n").replace('\r', '\n').split('\n');
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In memory where there is such a folder: each input writes and syncs files.
    static QTemporaryDir dir(QFile::exists("/dev/shm")
                                 ? "/dev/shm/sonoquill-fuzz-XXXXXX"
                                 : QDir::tempPath() + "/sonoquill-fuzz-XXXXXX");
    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (size < 4)
        return 0;
    QFile f(dir.filePath("s.ini")); // after the first four bytes, which choose the writes
    if (!f.open(QIODevice::WriteOnly) || f.write(raw.mid(4)) != raw.size() - 4)
        abort();
    f.close();
    QMap<QString, QString> written; // "section key", a later write winning
    for (int i = 0; i <= static_cast<unsigned char>(raw[0]) % 3; ++i) {
        const auto b = static_cast<unsigned char>(raw[1 + i]);
        const QString section = b & 1 ? "Set" : "Other", key = QString("k%1").arg(b >> 1 & 7);
        written[section + ' ' + key] = QString("v%1=x|*.mp3").arg(b);
        if (!profile::writeString(f.fileName(), section, key, written[section + ' ' + key]))
            abort();
    }
    for (auto it = written.cbegin(); it != written.cend(); ++it)
        if (profile::readString(f.fileName(), it.key().section(' ', 0, 0),
                                it.key().section(' ', 1)) != it.value())
            abort();
    if (!f.open(QIODevice::ReadOnly))
        abort();
    QList<QByteArray> left = lines(f.readAll());
    const QRegularExpression ours("^\\s*k[0-7]\\s*=", QRegularExpression::CaseInsensitiveOption);
    const QByteArray text = raw.mid(raw.mid(4).startsWith("\xEF\xBB\xBF") ? 7 : 4);
    // A CP932 line is rewritten in UTF-8; a line of a key written is replaced.
    for (const QByteArray& line : lines(text)) {
        const QString s = QString::fromUtf8(line);
        if (s.toUtf8() == line && !ours.match(s).hasMatch() && !left.removeOne(line))
            abort();
    }
    return 0;
}
