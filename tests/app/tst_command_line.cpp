// The real program: "--help", "--version" and "--"; no Qt option read. (The
// parser's rules for every argument list: tests/fuzz/fuzz_command_line.cpp.)
#include "app/command_line.h"
#include "platform/single_instance.h"

#include <QtTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    // The real program while a copy (this test) runs: a text request prints
    // and ends without a window (none could open) or a word to that copy;
    // names, Qt's option names among them, go to the running copy.
    void realProgram_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output");
        QTest::newRow("help") << QStringList{"--help"} << UsageText();
        QTest::newRow("version") << QStringList{"x", "--version"}
                                 << "Sonoquill " SONOQUILL_VERSION "\n";
        QTest::newRow("file --help") << QStringList{"--", "--help"} << QString();
        QTest::newRow("-platform") << QStringList{"-platform", "none"} << QString();
    }
    void realProgram() {
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        SingleInstance first;
        QVERIFY(!first.anotherCopyRuns());
        QVERIFY(first.becomeTheRunningCopy());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", output.isEmpty() ? "offscreen" : "none");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(SONOQUILL_BINARY), args);
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), QProcess::NotRunning, 20000);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), output);
        QCOMPARE(raised.count(), output.isEmpty() ? 1 : 0);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_command_line.moc"
