// Quitting while a dialog or menu is up: it answers Cancel first, then the
// program closes as usual, once, and nothing is freed under a running dialog.
#include "platform/termination.h"
#include "support/files.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QSignalSpy>

#include <csignal>

namespace {

enum Opens { Load, Save, SnapError, TrashQuestion, VideoMenu, GridMenu, About, Properties };
enum Route { Sigterm, CloseRequest };

Form1* closedBySignal = nullptr;

// Any window besides the two main ones, or a menu.
bool dialogUp(const Form1* main, const frmList2* list) {
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return true;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != main && w != list)
            return true;
    return false;
}

} // namespace

class TestClosePath : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        platform::onTerminationRequest([] {
            if (closedBySignal)
                closedBySignal->close();
        });
    }

    void quitWhileADialogRuns_data() {
        QTest::addColumn<int>("opens");
        QTest::addColumn<int>("route");
        const char* names[] = {"load",       "save",      "snap error", "trash question",
                               "video menu", "grid menu", "about",      "properties"};
        for (int o = Load; o <= Properties; ++o) {
            QTest::addRow("%s, SIGTERM", names[o]) << o << int(Sigterm);
            QTest::addRow("%s, close request", names[o]) << o << int(CloseRequest);
        }
    }

    void quitWhileADialogRuns() {
        QFETCH(int, opens);
        QFETCH(int, route);
        ListFixture fx;
        frmList2* list = fx.open();
        const QDir app(fx.appDir.path());
        const QString song = app.filePath("a.wav");
        QVERIFY(testmedia::writeWav(song, 0.5));
        testfiles::writeAll(app.filePath("other.m3u"), (song + "\r\n" + song + "\r\n").toUtf8());
        list->grid().appendPath(song);
        list->grid().setRow(1);
        if (opens == SnapError)
            QVERIFY(app.mkdir("Sonoquill.m3u"));
        if (opens == Properties)
            fx.main->MediaPlayer1()->setFileName(song);
        QSignalSpy unloaded(fx.main.get(), &Form1::unloaded);
        closedBySignal = fx.main.get();

        // Polls from inside the dialog's own loop; once the dialog is up, a
        // file is chosen (a wrong Accept would show) and the quit is asked.
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!dialogUp(fx.main.get(), list))
                return;
            poll.stop();
            if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                files->selectFile(app.filePath(opens == Load ? "other.m3u" : "saved.m3u"));
            if (route == Sigterm)
                std::raise(SIGTERM);
            else // as the session's end and the media interface's Quit do
                QMetaObject::invokeMethod(fx.main.get(), "close", Qt::QueuedConnection);
        });
        poll.start();
        bool returned = false;
        QTimer::singleShot(0, this, [&] {
            switch (opens) {
            case Load:
                list->cmd_Click(7);
                break;
            case Save:
                list->cmd_Click(6);
                break;
            case SnapError:
                list->cmd_Click(9);
                break;
            case TrashQuestion:
                list->mnuDelete_Click();
                break;
            case VideoMenu: {
                QWidget* picture = fx.main->MediaPlayer1()->childAt(10, 10);
                QContextMenuEvent e(QContextMenuEvent::Mouse, {10, 10},
                                    picture->mapToGlobal(QPoint(10, 10)));
                QCoreApplication::sendEvent(picture, &e);
                break;
            }
            case GridMenu:
                list->Grid1_MouseDown(2, 0, 0, 0);
                break;
            case About:
                fx.main->mnuAbout_Click();
                break;
            case Properties:
                fx.main->mnuPro_Click();
                break;
            }
            returned = true;
        });
        QTRY_VERIFY(returned && unloaded.count() > 0);
        QTest::qWait(50);
        closedBySignal = nullptr;
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!fx.main->isVisible());
        QVERIFY(!dialogUp(fx.main.get(), list) || opens == About || opens == Properties);
        // Cancel, not OK: no list read, none written, nothing trashed.
        QCOMPARE(list->grid().Rows(), 2);
        QVERIFY(!QFile::exists(app.filePath("saved.m3u")));
        QVERIFY(QFile::exists(song));
        QVERIFY(testfiles::readAll(app.filePath("Sonoquill.ini")).contains("Vol=0"));
        QCOMPARE(fx.main->playlistWindow(), list); // still there for the code that ran the dialog
    }
};

QTEST_MAIN(TestClosePath)
#include "tst_close_path.moc"
