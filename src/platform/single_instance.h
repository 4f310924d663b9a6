#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSocketNotifier;

// One running copy per user. The running copy holds a lock file and listens
// on a local socket; a later copy finds the lock held, asks the running one
// over the socket to come forward, and ends. The system lets go of the lock
// when a copy dies, and a socket left behind by a killed copy is removed by
// the next one that takes the lock, so neither ever blocks a start.
//
// A copy takes that lock only once its window exists. While it starts it holds
// a second lock, so that copies started together wait for the first of them
// and then come to it; a copy that hangs while it starts keeps that second
// lock only, and the next copy, after waiting for it a while, runs anyway.
//
// Both locks and the socket live only in a folder that is this user's alone
// (the session's runtime folder, else one of our own in the temporary
// folder); with no such folder every copy simply runs.
//
// Whatever connects to the socket is a stranger: its request is read as it
// comes, never waiting on the GUI thread, and given a few seconds in all.
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
    // A later copy was started with these files (after activationRequested):
    // absolute local names only.
    void filesHandedOver(const QStringList& names);

private:
    class Peer;
    class FileLock;

    bool becomePrimary();
    // True when the running copy answered, or is alive but busy.
    bool askPrimary(int waitMs);
    void acceptPeers();
    void readPeer(Peer* peer);
    void dropPeer(Peer* peer);

    // Both null when there is no folder of this user's own.
    std::unique_ptr<FileLock> startLock_;
    std::unique_ptr<FileLock> runningLock_;
    QByteArray socketPath_;
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::vector<Peer*> peers_; // oldest first
    QStringList files_;
};
