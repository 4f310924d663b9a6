// Any text as a settings file, then up to three writes: every value written
// reads back, and every line that was not a written key's comes back byte for
// byte.
#include "platform/profile_file.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

QList<QByteArray> lines(const QByteArray& bytes) {
    QList<QByteArray> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            out << bytes.mid(start, i - start);
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < bytes.size())
        out << bytes.mid(start);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In memory where there is such a folder: each input writes and syncs files.
    static QTemporaryDir dir(QFile::exists("/dev/shm")
                                 ? QStringLiteral("/dev/shm/sonoquill-fuzz-XXXXXX")
                                 : QDir::tempPath() + "/sonoquill-fuzz-XXXXXX");
    const QString path = dir.filePath("s.ini");
    // The first bytes choose the writes (section, key, value); the rest is
    // the file.
    if (size < 4)
        return 0;
    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const int writes = 1 + static_cast<unsigned char>(raw[0]) % 3;
    struct Write {
        QString section, key, value;
    };
    QList<Write> done;
    for (int i = 0; i < writes; ++i) {
        const auto b = static_cast<unsigned char>(raw[1 + i]);
        done.append({b & 1 ? QStringLiteral("Set") : QStringLiteral("Other"),
                     QStringLiteral("k%1").arg((b >> 1) % 8),
                     QStringLiteral("v%1=x|*.mp3").arg(b)});
    }
    const QByteArray text = raw.mid(4);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            abort();
        f.write(text);
    }
    for (const Write& w : done)
        if (!profile::writeString(path, w.section, w.key, w.value))
            abort();
    for (qsizetype i = 0; i < done.size(); ++i) {
        // A later write of the same key wins.
        bool overwritten = false;
        for (qsizetype j = i + 1; j < done.size(); ++j)
            overwritten |= done[j].section == done[i].section && done[j].key == done[i].key;
        if (!overwritten &&
            profile::readString(path, done[i].section, done[i].key) != done[i].value)
            abort();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        abort();
    const QByteArray after = f.readAll();
    // Lines that were valid UTF-8 and not the key's own are all still there.
    QList<QByteArray> left = lines(after);
    const QByteArray bom("\xEF\xBB\xBF");
    for (QByteArray line : lines(text.startsWith(bom) ? text.mid(3) : text)) {
        const QString decoded = QString::fromUtf8(line);
        if (decoded.toUtf8() != line)
            continue; // a CP932 line is rewritten in UTF-8
        const qsizetype eq = decoded.indexOf(u'=');
        bool written = false;
        for (const Write& w : done)
            written |=
                eq >= 0 && decoded.first(eq).trimmed().compare(w.key, Qt::CaseInsensitive) == 0;
        if (written)
            continue;
        const qsizetype at = left.indexOf(line);
        if (at < 0)
            abort();
        left.removeAt(at);
    }
    return 0;
}
