// Real copies of the program, started as processes: one runs, the others raise
// it and end without a window or a settings file of their own.
#include "platform/single_instance.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

class TestSingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir runtime; // stands for the session's runtime folder
    QTemporaryDir app;     // a folder of the program's own: its settings go here
    QString binary;

    std::unique_ptr<QProcess> start(const QStringList& args = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(binary, args);
        return p;
    }
    bool settingsWritten() const { return QFile::exists(app.filePath("Sonoquill.ini")); }

private slots:
    void initTestCase() {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        binary = app.filePath("sonoquill");
        QVERIFY(QFile::copy(QStringLiteral(SONOQUILL_BINARY), binary));
    }

    void laterCopiesRaiseTheFirst() {
        SingleInstance first;
        QVERIFY(!first.anotherCopyRuns());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        auto a = start({app.filePath("x.mp3")});
        auto b = start();
        QVERIFY(a->waitForFinished(10000));
        QVERIFY(b->waitForFinished(10000));
        QCOMPARE(a->exitCode(), 0);
        QCOMPARE(b->exitCode(), 0);
        QTRY_COMPARE(raised.count(), 2);
        QVERIFY(!settingsWritten());
    }

    // Five copies at the same moment give exactly one running copy, which
    // keeps its settings when the session asks it to end.
    void fiveTogether() {
        std::vector<std::unique_ptr<QProcess>> copies;
        for (int i = 0; i < 5; ++i)
            copies.push_back(start());
        QTest::qWait(3000);
        int running = 0, ended = 0;
        QProcess* survivor = nullptr;
        for (auto& c : copies) {
            if (c->state() == QProcess::Running) {
                ++running;
                survivor = c.get();
            } else if (c->exitStatus() == QProcess::NormalExit && c->exitCode() == 0) {
                ++ended;
            }
        }
        QCOMPARE(running, 1);
        QCOMPARE(ended, 4);
        QVERIFY(!settingsWritten());
        survivor->terminate();
        QVERIFY(survivor->waitForFinished(10000));
        QVERIFY(settingsWritten());
        QFile::remove(app.filePath("Sonoquill.ini"));
    }

    void killedCopyNeverBlocks() {
        auto first = start();
        QTest::qWait(1500);
        QCOMPARE(first->state(), QProcess::Running);
        ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished(5000));
        auto next = start();
        QTest::qWait(2000);
        QCOMPARE(next->state(), QProcess::Running); // took over the lock and the socket
        auto third = start();
        QVERIFY(third->waitForFinished(10000));
        QCOMPARE(third->exitCode(), 0);
        next->terminate();
        QVERIFY(next->waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
