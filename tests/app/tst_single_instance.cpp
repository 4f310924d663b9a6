// Real copies of the program, started as processes: one runs, the others raise
// it and end without a window or a settings file of their own.
#include "platform/single_instance.h"
#include "support/test_media.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

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
        p->setWorkingDirectory(app.path());
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

    // A copy started with files hands them over, named from its own folder.
    void laterCopiesRaiseTheFirst() {
        SingleInstance first;
        QVERIFY(!first.anotherCopyRuns() && first.becomeTheRunningCopy());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        QSignalSpy handed(&first, &SingleInstance::filesHandedOver);
        auto a = start({"x.mp3", "new\nline.wav"});
        auto b = start();
        // With the event loop running: the copies wait for our answer.
        QTRY_COMPARE_WITH_TIMEOUT(a->state(), QProcess::NotRunning, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(b->state(), QProcess::NotRunning, 10000);
        QCOMPARE(a->exitCode(), 0);
        QCOMPARE(b->exitCode(), 0);
        QTRY_COMPARE(raised.count(), 2);
        QCOMPARE(handed.count(), 1);
        QCOMPARE(handed[0][0].toStringList(),
                 (QStringList{app.filePath("x.mp3"), app.filePath("new\nline.wav")}));
        QVERIFY(!settingsWritten());
    }

    // A copy started while the running one closes is not sent away to a
    // window that is going: it waits, then runs with the settings just kept.
    void startedWhileTheFirstCloses() {
        // Playing, so that ending takes the engine's shutdown too.
        const QString tone = app.filePath("tone.wav");
        QVERIFY(testmedia::writeWav(tone, 30));
        for (int delayMs : {0, 50}) {
            auto first = start({tone});
            QTest::qWait(1500);
            QCOMPARE(first->state(), QProcess::Running);
            first->terminate();
            QTest::qWait(delayMs);
            auto next = start();
            QTRY_COMPARE_WITH_TIMEOUT(first->state(), QProcess::NotRunning, 10000);
            QTest::qWait(1500);
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
        SingleInstance hung;
        QVERIFY(!hung.anotherCopyRuns());
        auto a = start(), b = start();
        QTRY_VERIFY_WITH_TIMEOUT(
            a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning, 15000);
        if (a->state() != QProcess::NotRunning)
            std::swap(a, b);
        QCOMPARE(a->exitCode(), 0);
        QTest::qWait(500);
        QCOMPARE(b->state(), QProcess::Running);
        ::kill(static_cast<pid_t>(b->processId()), SIGKILL);
        QVERIFY(b->waitForFinished(5000));
        auto next = start();
        QTest::qWait(2000);
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
