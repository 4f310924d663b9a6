#pragma once

// Permission checks mean nothing to root, which may write anything: as root,
// a test function runs again in a copy of the test binary as an ordinary user.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace ordinaryuser {

// The tree the checks run on: empty in the first run, which prepares it.
inline QString tree() {
    return qEnvironmentVariable("SONOQUILL_TREE");
}

// Runs test function `function` on the prepared tree `root` as an ordinary
// user: this process when it is one, a copy of the binary in `root` as
// nobody when it is root. 0 when the checks passed; 77, 126, 127 or -1 when
// they could not run (no ordinary user, or the tree out of its reach).
template <typename Checks> int run(const QString& root, const char* function, Checks checks) {
    if (geteuid() != 0) {
        qputenv("SONOQUILL_TREE", QFile::encodeName(root));
        checks();
        qunsetenv("SONOQUILL_TREE");
        return QTest::currentTestFailed() ? 1 : 0;
    }
    const QStringList nobody{"--reuid=65534", "--regid=65534", "--clear-groups"};
    // Some containers do not let even root change its user.
    if (QProcess::execute("setpriv", nobody + QStringList{"true"}) != 0)
        return -1;
    const QString self = root + "/test-copy";
    if (!QFile::copy(QCoreApplication::applicationFilePath(), self))
        return -1;
    chmod(QFile::encodeName(self).constData(), 0755);
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

} // namespace ordinaryuser
