#pragma once

// Whole-file reads and writes for tests.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

namespace testfiles {

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace testfiles
