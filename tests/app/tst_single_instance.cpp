// Real copies of the program: one runs, the others raise it and end without a
// window or settings of their own. Strangers and planted folders are kept out.
#include "platform/single_instance.h"
#include "support/test_media.h"

#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <list>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

class TestSingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir runtime; // stands for the session's runtime folder
    QTemporaryDir app;     // a folder of the program's own: its settings go here
    QString binary;
    QString socket = runtime.filePath(QStringLiteral("sonoquill-%1.socket").arg(::geteuid()));

    std::unique_ptr<QProcess> start(const QStringList& args = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->setWorkingDirectory(app.path());
        p->start(binary, args);
        return p;
    }
    // A client of the socket, as anyone may be one; -1 when it cannot connect.
    int connectTo() const {
        sockaddr_un addr{AF_UNIX, {}};
        std::strncpy(addr.sun_path, QFile::encodeName(socket).constData(),
                     sizeof addr.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        return ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0
                   ? fd
                   : (::close(fd), -1);
    }
    bool settingsWritten() const { return QFile::exists(app.filePath("Sonoquill.ini")); }
    // Some copy has become the running one, and listens.
    bool aCopyRuns() const {
        const int fd = connectTo();
        ::close(fd);
        return fd >= 0;
    }

private slots:
    void initTestCase() {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        binary = app.filePath("sonoquill");
        QVERIFY(QFile::copy(QStringLiteral(SONOQUILL_BINARY), binary));
    }

    // A copy started with files hands them over, named from its own folder,
    // and is answered while it waits, among strangers: idle connections, a
    // peer sending a byte now and then (the loop runs on meanwhile; half a
    // request raises nothing), and names with schemes (dropped).
    void laterCopiesRaiseTheFirst() {
        SingleInstance first;
        QVERIFY(!first.anotherCopyRuns() && first.becomeTheRunningCopy());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        QSignalSpy handed(&first, &SingleInstance::filesHandedOver);
        std::vector<int> idle(12);
        for (int& fd : idle)
            fd = connectTo();
        const QByteArray names("http://h/a.mp3\0av://lavfi:sine\0/ok.mp3\0udp://1.2.3.4:5\0a.mp3",
                               60);
        const QByteArray request = "open " + QByteArray::number(names.size()) + '\n' + names;
        QCOMPARE(::send(idle.front(), request.constData(), request.size(), 0), request.size());
        std::atomic<int> sent = 0;
        std::thread peer([&] {
            for (char c : {'r', 'a', 'i'}) {
                sent += ::send(idle.back(), &c, 1, MSG_NOSIGNAL) == 1;
                std::this_thread::sleep_for(std::chrono::milliseconds(900));
            }
            sent = -1;
        });
        int ticksWhileHalfway = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] { ticksWhileHalfway += sent > 0 && sent < 3; });
        tick.start(20);
        std::unique_ptr<QProcess> a;
        bool answeredWhileWaiting = false;
        connect(&first, &SingleInstance::filesHandedOver, this, [&] {
            siginfo_t info{}; // still there: not even a zombie yet
            answeredWhileWaiting = ::waitid(P_PID, static_cast<id_t>(a->processId()), &info,
                                            WEXITED | WNOHANG | WNOWAIT) == 0 &&
                                   info.si_pid == 0;
        });
        a = start({"x.mp3", "new\nline.wav"});
        QTRY_VERIFY_WITH_TIMEOUT(a->state() == QProcess::NotRunning && sent < 0, 20000);
        peer.join();
        QCOMPARE(a->exitCode(), 0);
        QVERIFY(answeredWhileWaiting);
        QVERIFY2(ticksWhileHalfway >= 3, qPrintable(QString::number(ticksWhileHalfway)));
        QCOMPARE(raised.count(), 2);
        QCOMPARE(handed[0][0].toStringList(), QStringList{"/ok.mp3"});
        QCOMPARE(handed[1][0].toStringList(),
                 (QStringList{app.filePath("x.mp3"), app.filePath("new\nline.wav")}));
        QVERIFY(!settingsWritten());
        for (int fd : idle)
            ::close(fd);
    }

    // A lock planted where another user can reach it is never used: a folder
    // of our own is made, or, with none to be had, a copy just runs.
    void plantedFolderIsNotUsed_data() {
        QTest::addColumn<QString>("xdg"); // the runtime folder, in the temporary one; "": none
        QTest::addColumn<int>("mode");    // of the planted folders; -1: 0700, another user's
        QTest::addRow("runtime folder open to others") << "run" << 0755;
        QTest::addRow("runtime folder through a link") << "link" << 0700;
        QTest::addRow("runtime folder of another user") << "run" << -1;
        QTest::addRow("none, our own folder's name taken by another user") << "" << -1;
    }
    void plantedFolderIsNotUsed() {
        QFETCH(QString, xdg);
        QFETCH(int, mode);
        if (mode < 0 && ::geteuid() != 0)
            QSKIP("only root can make a folder of another user");
        QTemporaryDir tmp; // the shared temporary folder, and folders made in it early
        std::list<QLockFile> locks;
        for (const QString& folder : xdg.isEmpty() ? QStringList{"", "runtime-root", "sonoquill-0"}
                                                   : QStringList{"", "run"}) {
            const QString path = tmp.filePath(folder);
            QVERIFY(QDir().mkpath(path));
            QVERIFY(locks.emplace_back(path + QStringLiteral("/planted-%1.lock").arg(::geteuid()))
                        .tryLock(0));
            const QByteArray name = QFile::encodeName(path);
            QVERIFY(folder.isEmpty() || (::chmod(name, mode < 0 ? 0700 : mode) == 0 &&
                                         (mode >= 0 || ::chown(name, 65534, 65534) == 0)));
        }
        QFile::link(tmp.filePath("run"), tmp.filePath("link"));
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(xdg.isEmpty() ? "" : tmp.filePath(xdg)));
        SingleInstance copy(QStringLiteral("planted"));
        // Asking a planted lock's holder, it would end after a while: it runs.
        const bool runs = !copy.anotherCopyRuns() && copy.becomeTheRunningCopy();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        oldTmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTmp);
        QVERIFY(runs);
    }

    // A copy started while the running one closes is not sent away to a
    // window that is going: it waits, then runs with the settings just kept.
    void startedWhileTheFirstCloses() {
        // Playing, so that ending takes the engine's shutdown too.
        const QString tone = app.filePath("tone.wav");
        QVERIFY(testmedia::writeWav(tone, 30));
        for (int delayMs : {0, 50}) {
            auto first = start({tone});
            QTRY_VERIFY_WITH_TIMEOUT(aCopyRuns(), 10000);
            first->terminate();
            QTest::qWait(delayMs); // where in the close the next copy starts
            auto next = start();
            QTRY_COMPARE_WITH_TIMEOUT(first->state(), QProcess::NotRunning, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(aCopyRuns() || next->state() == QProcess::NotRunning, 10000);
            QVERIFY2(next->state() == QProcess::Running, qPrintable(QString::number(delayMs)));
            QVERIFY(settingsWritten());
            next->terminate();
            QVERIFY(next->waitForFinished(10000));
            QFile::remove(app.filePath("Sonoquill.ini"));
        }
    }

    // A copy that hangs before its window (here this test, which never makes
    // one) keeps nobody out: of two copies started then, one runs, the other
    // comes to it. Killed, the running copy leaves nothing that blocks the next.
    void hungOrKilledCopyLocksNobodyOut() {
        auto hung = std::make_unique<SingleInstance>();
        QVERIFY(!hung->anotherCopyRuns());
        auto a = start(), b = start();
        QTRY_VERIFY_WITH_TIMEOUT(
            a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning, 15000);
        if (a->state() != QProcess::NotRunning)
            std::swap(a, b);
        QCOMPARE(a->exitCode(), 0);
        QTRY_VERIFY(aCopyRuns());
        QCOMPARE(b->state(), QProcess::Running);
        hung.reset(); // the hung copy is gone too: the next copies start at once
        ::kill(static_cast<pid_t>(b->processId()), SIGKILL);
        QVERIFY(b->waitForFinished(5000));
        auto next = start();
        QTRY_VERIFY_WITH_TIMEOUT(aCopyRuns() || next->state() == QProcess::NotRunning, 10000);
        QCOMPARE(next->state(), QProcess::Running); // took over the lock and the socket
        auto third = start();
        QVERIFY(third->waitForFinished(10000));
        QCOMPARE(third->exitCode(), 0);
        next->terminate();
        QVERIFY(next->waitForFinished(10000));
        QVERIFY(settingsWritten());
        QFile::remove(app.filePath("Sonoquill.ini"));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
