#pragma once

// Permission checks mean nothing to root, which may write anything: as root,
// a test function runs again in a copy of the test binary as an ordinary user.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <unistd.h>

namespace ordinaryuser {

// The tree the checks run on: empty in the first run, which prepares it.
inline QString tree() {
    return qEnvironmentVariable("SONOQUILL_TREE");
}

// Runs test function `function` on the prepared tree `root` as an ordinary
// user: this process when it is one, a copy of the binary in `root` as
// nobody when it is root. The exit status: 0 when the checks passed.
template <typename Checks> int run(const QString& root, const char* function, Checks checks) {
    if (geteuid() != 0) {
        qputenv("SONOQUILL_TREE", QFile::encodeName(root));
        checks();
        qunsetenv("SONOQUILL_TREE");
        return QTest::currentTestFailed() ? 1 : 0;
    }
    // Some containers do not let even root change its user.
    const QStringList nobody{"--reuid=65534", "--regid=65534", "--clear-groups"};
    if (QProcess::execute("setpriv", nobody + QStringList{"true"}) != 0)
        return -1;
    const QString self = root + "/test-copy"; // wherever the build is, nobody may run this
    if (!QFile::copy(QCoreApplication::applicationFilePath(), self))
        return -1;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SONOQUILL_TREE", root);
    env.insert("HOME", root);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setWorkingDirectory(root);
    child.start("setpriv", nobody + QStringList{self, function});
    return child.waitForFinished(60000) ? child.exitCode() : 1;
}

// 126, 127: setpriv could not run the copy; 77: the copy could not reach the
// tree (a temporary folder closed to other users).
inline bool couldNotRun(int status) {
    return status < 0 || status == 77 || status == 126 || status == 127;
}

} // namespace ordinaryuser
