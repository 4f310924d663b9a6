// The command line: each argument one name; "--help", "--version" and "--";
// Qt's own options never read from it.
#include "app/command_line.h"
#include "platform/process_arguments.h"
#include "platform/single_instance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Request = CommandLine::Request;
Q_DECLARE_METATYPE(Request)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void arguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Request>("request");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("none") << QStringList{} << Request::Play << QStringList{};
        QTest::newRow("quote in a name") << QStringList{"/m/a\"b.mp3", "c d.mp3"} << Request::Play
                                         << QStringList{"/m/a\"b.mp3", "c d.mp3"};
        QTest::newRow("Qt's options are names")
            << QStringList{"-style", "x.mp3", "-reverse", "-platform"} << Request::Play
            << QStringList{"-style", "x.mp3", "-reverse", "-platform"};
        QTest::newRow("help") << QStringList{"a.mp3", "--help"} << Request::Help
                              << QStringList{"a.mp3"};
        QTest::newRow("first request wins")
            << QStringList{"--version", "--help"} << Request::Version << QStringList{};
        QTest::newRow("-- ends options")
            << QStringList{"--", "--help", "--", "--version"} << Request::Play
            << QStringList{"--help", "--", "--version"};
        QTest::newRow("empty names nothing")
            << QStringList{"", "a", ""} << Request::Play << QStringList{"a"};
    }
    void arguments() {
        QFETCH(QStringList, args);
        const CommandLine c = ParseCommandLine(args);
        QTEST(c.request, "request");
        QTEST(c.names, "names");
    }

    void namesAsThePlayerOpensThem() {
        QByteArray a0 = "sonoquill", a1 = "a b.mp3", a2 = "/x/\"y\".mid",
                   a3 = "file:///m/a%20b.mp3";
        char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), nullptr};
        const QStringList args = platform::processArguments(4, argv);
        QCOMPARE(args, (QStringList{"a b.mp3", "/x/\"y\".mid", "file:///m/a%20b.mp3"}));
        QCOMPARE(platform::localName(args[0]), QDir::currentPath() + "/a b.mp3");
        QCOMPARE(platform::localName(args[1]), args[1]);
        QCOMPARE(platform::localName(args[2]), QStringLiteral("/m/a b.mp3"));
        QCOMPARE(platform::localName(":a.mp3"), QDir::currentPath() + "/:a.mp3");
    }

    // The real program while a copy (this test) runs: a text request prints
    // and ends without asking that copy anything, even where no window could
    // open; names, Qt's option names among them, go to the running copy.
    void realProgram_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("raised");
        QTest::newRow("help") << QStringList{"--help"} << "none" << UsageText() << 0;
        QTest::newRow("version") << QStringList{"x", "--version"} << "none"
                                 << "Sonoquill " SONOQUILL_VERSION "\n"
                                 << 0;
        QTest::newRow("a file named --help")
            << QStringList{"--", "--help"} << "offscreen" << QString() << 1;
        QTest::newRow("-platform is a name")
            << QStringList{"-platform", "none"} << "offscreen" << QString() << 1;
    }
    void realProgram() {
        QFETCH(QStringList, args);
        QFETCH(QString, platform);
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        SingleInstance first;
        QVERIFY(!first.anotherCopyRuns());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", platform);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(runtime.path());
        p.start(QStringLiteral(SONOQUILL_BINARY), args);
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), QProcess::NotRunning, 20000);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QTEST(QString::fromLocal8Bit(p.readAllStandardOutput()), "output");
        QTEST(int(raised.count()), "raised");
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_command_line.moc"
