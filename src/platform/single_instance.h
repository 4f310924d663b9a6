#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLockFile;
class QSocketNotifier;

// One running copy per user. The first copy holds a lock file and listens on
// a local socket; a later copy finds the lock held, asks the first over the
// socket to come forward, and ends. The lock is released by the system when a
// copy dies, and a socket left behind by a killed copy is removed by the next
// one that takes the lock, so neither ever blocks a start.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key names the lock and the socket; tests use their own.
    explicit SingleInstance(const QString& key = QStringLiteral("sonoquill"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the running copy, or, when another copy runs, asks it to come
    // forward. True when another copy runs (this one should end).
    bool anotherCopyRuns();

    // This copy is closing: later copies no longer ask it but wait until it
    // has ended and then run themselves.
    void stopAnswering();

signals:
    // A later copy asked this one to come forward.
    void activationRequested();

private:
    bool becomePrimary();
    // True when the running copy answered, or is alive but busy.
    bool askPrimary(int waitMs);
    void acceptPeers();

    QString lockPath_;
    QByteArray socketPath_;
    std::unique_ptr<QLockFile> lock_;
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
