#include "platform/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {

constexpr char kRaise[] = "raise\n";
// A copy that is still starting or closing may not answer at once.
constexpr int kWaitMs = 5000;

QString runtimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent) {
    const QString name = key + u'-' + QString::number(getuid());
    lockPath_ = QDir(runtimeFolder()).filePath(name + QStringLiteral(".lock"));
    socketName_ = QDir(runtimeFolder()).filePath(name + QStringLiteral(".socket"));
}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
}

bool SingleInstance::anotherCopyRuns() {
    QDeadlineTimer deadline(kWaitMs);
    while (true) {
        if (becomePrimary())
            return false;
        if (askPrimary())
            return true;
        if (deadline.hasExpired())
            return true; // a copy holds the lock but never answers: still end
        QThread::msleep(50);
    }
}

bool SingleInstance::becomePrimary() {
    if (!lock_) {
        lock_ = std::make_unique<QLockFile>(lockPath_);
        lock_->setStaleLockTime(0); // stale only when its owner is gone
    }
    if (!lock_->tryLock(0))
        return false;
    // Holding the lock, any socket file is a leftover of a killed copy.
    QLocalServer::removeServer(socketName_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketName_))
        return true; // the lock alone still keeps the copy single
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains("raise"))
                    emit activationRequested();
                peer->disconnectFromServer();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::askPrimary() {
    QLocalSocket socket;
    socket.connectToServer(socketName_);
    if (!socket.waitForConnected(500))
        return false;
    socket.write(kRaise);
    if (!socket.waitForBytesWritten(1000))
        return false;
    socket.waitForDisconnected(1000);
    return true;
}
