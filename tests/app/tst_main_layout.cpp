#include "app/command_line.h"
#include "app/main_layout.h"
#include "platform/process_arguments.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestMainLayout : public QObject {
    Q_OBJECT
private slots:
    // The design: a player of 4200 x 3765 gives a window of 4300 x 4765.
    void designLayout() {
        const layout::Fit fit = layout::fitToPlayer(4200, 3765);
        QCOMPARE(fit.width, 4300);
        QCOMPARE(fit.height, 4765);
        const layout::MainControls c = layout::mainControls(4300, 4765);
        QCOMPARE(c.slider.left(), 3388);
        QCOMPARE(c.slider.top(), 3805);
        QCOMPARE(c.checkBoxes[2].left(), 2838);
        for (const QRect& box : c.checkBoxes)
            QCOMPARE(box.top(), 3820);
        QCOMPARE(c.checkBoxes[0].left(), 0);
        QCOMPARE(c.checkBoxes[1].left(), 630);
        QCOMPARE(c.lineWidth, 4300);
        // The slider ends inside the client area of the designed frame.
        QVERIFY(c.slider.left() + c.slider.width() <= 4300 - layout::kNonClientWidth);
        QVERIFY(c.slider.top() + c.slider.height() <= 4765 - layout::kNonClientHeight);
    }

    void lowPlayerKeepsTheDesignWidth() {
        const layout::Fit fit = layout::fitToPlayer(6000, 1000);
        QCOMPARE(fit.playerWidth, 4200);
        QCOMPARE(fit.width, 4300);
        QCOMPARE(fit.height, 2000);
        QCOMPARE(layout::fitToPlayer(6000, 1765).playerWidth, 6000);
    }

    void centring() {
        QCOMPARE(layout::centreOver(QRect(1500, 750, 4300, 4765), 3465, 3390), QPoint(1917, 1437));
        QCOMPARE(layout::centreOnScreen(19200, 14400, 6000, 4000), QPoint(6600, 5200));
        QCOMPARE(layout::centreOver(QRect(0, 0, 100, 100), 201, 201), QPoint(-50, -50));
    }

    void quotedNames() {
        CommandLineNames r = ParseCommandLine("\"C:\\My Music\\a b.mp3\"");
        QCOMPARE(r.names, QStringList{"C:\\My Music\\a b.mp3"});
        r = ParseCommandLine("\"/m/a.mp3\" junk \"/m/b.mp3\"");
        QCOMPARE(r.names, (QStringList{"/m/a.mp3", "/m/b.mp3"}));
        QVERIFY(r.complete);
        r = ParseCommandLine("\"/m/a.mp3\" \"/m/b");
        QCOMPARE(r.names, QStringList{"/m/a.mp3"});
        QVERIFY(!r.complete);
        QVERIFY(ParseCommandLine("").names.isEmpty());
    }

    void unquotedNamesAreLookedUp() {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.mp3");
        QFile(a).open(QIODevice::WriteOnly);
        const CommandLineNames r = ParseCommandLine(a + " " + dir.filePath("missing.mp3"));
        QCOMPARE(r.names, (QStringList{a, QString()}));
        QCOMPARE(ParseCommandLine(a + "  " + a).names, (QStringList{a, QString(), a}));
    }

    void processArgumentsBecomeQuotedText() {
        const QString cwd = QDir::currentPath();
        QCOMPARE(platform::commandLineText({"a b.mp3", "/x/y.mid"}),
                 "\"" + cwd + "/a b.mp3\" \"/x/y.mid\"");
        QCOMPARE(platform::commandLineText({"file:///m/a%20b.mp3"}),
                 QStringLiteral("\"/m/a b.mp3\""));
        QCOMPARE(platform::commandLineText({}), QString());
        // Read back, a name with spaces arrives whole.
        QCOMPARE(ParseCommandLine(platform::commandLineText({"/m/a b.mp3"})).names,
                 QStringList{"/m/a b.mp3"});
    }
};

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_main_layout.moc"
