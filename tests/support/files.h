#pragma once

// Whole-file reads and writes for tests, and files dropped on a window.

#include <QByteArray>
#include <QFile>
#include <QMimeData>
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

// Dragged over the target and dropped there, as the window system delivers them.
inline void drop(QWidget* target, const QStringList& paths) {
    QMimeData data;
    for (const QString& p : paths)
        data.setUrls(data.urls() << QUrl::fromLocalFile(p));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
}

} // namespace testfiles
