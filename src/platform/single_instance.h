#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;
class QSocketNotifier;

// One running copy per user. The running copy holds a lock file and listens
// on a local socket; a later copy finds the lock held, asks the running one
// over the socket to come forward, and ends. The lock is released by the
// system when a copy dies, and a socket left behind by a killed copy is
// removed by the next one that takes the lock, so neither ever blocks a start.
//
// A copy takes that lock only once its window exists. While it starts it holds
// a second lock, so that copies started together wait for the first of them
// and then come to it; a copy that hangs while it starts keeps that second
// lock only, and the next copy, after waiting for it a while, runs anyway.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key names the lock and the socket; tests use their own.
    explicit SingleInstance(const QString& key = QStringLiteral("sonoquill"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // Files this copy was started with: asking the running copy forward
    // hands them over to it. Absolute names.
    void setFilesToHandOver(const QStringList& names) { files_ = names; }

    // True when another copy runs (this one should end): it has then been
    // asked to come forward. False when this copy should start.
    bool anotherCopyRuns();

    // Called once the window exists: becomes the running copy. False when a
    // copy that started alongside came first; it has been asked forward.
    bool becomeTheRunningCopy();

    // This copy is closing: later copies no longer ask it but wait until it
    // has ended and then run themselves.
    void stopAnswering();

signals:
    // A later copy asked this one to come forward.
    void activationRequested();
    // A later copy was started with these files (after activationRequested).
    void filesHandedOver(const QStringList& names);

private:
    bool becomePrimary();
    bool runningLockFree();
    // True when the running copy answered, or is alive but busy.
    bool askPrimary(int waitMs);
    void acceptPeers();
    void servePeer(int peer);

    QString lockPath_;
    std::unique_ptr<QLockFile> startLock_;
    QByteArray socketPath_;
    std::unique_ptr<QLockFile> lock_;
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QStringList files_;
};
