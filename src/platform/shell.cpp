#include "platform/shell.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace shell {

bool openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath(path)));
}

bool showItemProperties(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    // Only ask a file manager that runs or can be started; never wait on none.
    const auto* iface = bus.interface();
    if (!iface || (!iface->isServiceRegistered(service).value() &&
                   !iface->activatableServiceNames().value().contains(service)))
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                       service, QStringLiteral("ShowItemProperties"));
    call << QStringList{QUrl::fromLocalFile(QDir::current().absoluteFilePath(path)).toString()}
         << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace shell
