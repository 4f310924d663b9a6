#include "app/form1.h"
#include "app/form2.h"
#include "app/main_layout.h"
#include "media/media_player.h"
#include "platform/settings.h"
#include "platform/termination.h"
#include "platform/window_stacking.h"
#include "playback/playback.h"
#include "playlist/frm_list2.h"
#include "support/files.h"
#include "support/test_media.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>

namespace {

QByteArray settingsBytes(const QTemporaryDir& dir) {
    return testfiles::readAll(dir.filePath("Sonoquill.ini"));
}

// A main window loaded with `names` and shown.
struct Shown : Form1 {
    explicit Shown(const QStringList& names = {}) {
        Form_Load(names);
        show();
    }
};

struct Start {
    const char *name, *settings;
    int left, top;
    const char* boxes;
    int slider, volume;
    bool minimize;
    const char* after;
};
constexpr Start kStarts[] = {
    {"none", "", 0, 0, "000", 0, -2700, false,
     "[Set]\nTop=0\nRepeat=0\nVol=40\nMute=0\nfTop=2250\nLeft=4500\n"},
    {"stored", "[Set]\nfTop=750\nLeft=1500\nTop=1\nRepeat=1\nVol=50\nMute=1\n", 1500, 750, "111",
     50, -1350, false, "[Set]\nfTop=2250\nLeft=4500\nTop=1\nRepeat=1\nVol=40\nMute=1\n"},
    {"bad values skipped", "[set]\nFTOP=abc\nVOL=250\ntop=5\nMute=1\n", 0, 0, "001", 0, -2700,
     false, "[set]\nFTOP=2250\nVOL=40\ntop=0\nMute=1\nRepeat=0\nLeft=4500\n"},
    {"minimized", "[Set]\nfTop=750\nLeft=1500\n", 1500, 750, "000", 0, -2700, true,
     "[Set]\nfTop=750\nLeft=1500\nTop=0\nRepeat=0\nVol=40\nMute=0\n"},
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
    QTemporaryDir media;
    std::unique_ptr<QTemporaryDir> dir;

private slots:
    void initTestCase() {
        MediaPlayer::setEngineOptions({true, true, {}});
        QVERIFY(testmedia::writeWav(media.filePath("a.wav"), 0.2));
        QVERIFY(testmedia::writeWav(media.filePath("b b.wav"), 0.2));
        QVERIFY(testmedia::writeWav(media.filePath("q\"q.wav"), 0.2));
    }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        mIni::overrideAppPathForTesting(dir->path());
    }

    // The settings file at a start -> the place, the boxes "Top, Repeat, Mute",
    // the slider and what reaches the player; moved, the slider at 40 and closed
    // -> the file. Nothing is written before the close; a minimized window keeps
    // the stored place.
    void startAndClose_data() {
        QTest::addColumn<int>("i");
        for (const Start& s : kStarts)
            QTest::newRow(s.name) << int(&s - kStarts);
    }
    void startAndClose() {
        QFETCH(int, i);
        const Start& s = kStarts[i];
        if (*s.settings)
            testfiles::writeAll(dir->filePath("Sonoquill.ini"), s.settings);
        Form1 f;
        f.Form_Load({});
        const bool top = s.boxes[0] == '1';
        QCOMPARE(f.isVisible(), top); // put on top shows the window
        f.show();
        QCOMPARE(QPoint(f.Left(), f.Top()), QPoint(s.left, s.top));
        QCOMPARE(QString::number(f.chkValue(0)) + QString::number(f.chkValue(1)) +
                     QString::number(f.chkValue(2)),
                 QString(s.boxes));
        QCOMPARE(f.Sl1()->value(), s.slider);
        QCOMPARE(f.MediaPlayer1()->Volume(), s.volume);
        QCOMPARE(f.MediaPlayer1()->PlayCount(), s.boxes[1] == '1' ? 0 : 1);
        QCOMPARE(f.MediaPlayer1()->Mute(), s.boxes[2] == '1');
        QCOMPARE(mTop::isTopmost(&f), top);
        QCOMPARE(QSize(f.Width(), f.Height()), QSize(4300, 4765));
        QCOMPARE(settingsBytes(*dir), QByteArray(s.settings));
        f.move(300, 150);
        f.Sl1()->setValue(40);
        if (s.minimize) {
            f.setWindowState(Qt::WindowMinimized);
            QCOMPARE(f.WindowState(), int(Form1::vbMinimized));
        }
        f.close();
        QCOMPARE(settingsBytes(*dir), QByteArray(s.after));
    }

    // The client-area layout in pixels at 15 twips a pixel; windows centred
    // over another.
    void layout() {
        Shown f;
        QCOMPARE(f.twipsPerPixelX(), 15.0);
        QCOMPARE(f.Sl1()->geometry().topLeft(), QPoint(226, 254)); // 3388, 3805
        for (int i = 0; i < 3; ++i)                                // 0, 630, 2838; 3820
            QCOMPARE(f.chkCou(i)->geometry().topLeft(), QPoint(std::array{0, 42, 189}[i], 255));
        QCOMPARE(layout::centreOver(QRect(1500, 750, 4300, 4765), 3465, 3390), QPoint(1917, 1437));
    }

    // The loudest slider end; setting the current value again runs nothing
    // (the other ends and the boxes: startAndClose).
    void controlActions() {
        Shown f;
        f.Sl1()->setValue(100);
        QCOMPARE(f.MediaPlayer1()->Volume(), 0);
        f.MediaPlayer1()->setVolume(-5);
        f.Sl1()->setValue(100);
        QCOMPARE(f.MediaPlayer1()->Volume(), -5);
        f.MediaPlayer1()->setMute(true);
        f.setChkValue(2, 0);
        QVERIFY(f.MediaPlayer1()->Mute());
    }

    // The menus as a person reads them, with their keys.
    void menuTexts() {
        Form1 f;
        QList<QAction*> shown = f.menuBar()->actions();
        shown << f.mnuPro() << f.mnuSort2() << shown.at(2)->menu()->actions();
        QStringList texts;
        for (QAction* a : shown)
            texts << (a->isSeparator() ? QStringLiteral("-")
                                       : a->text() + u'|' + a->shortcut().toString());
        QCOMPARE(texts, (QStringList{"ファイル(&F)|", "編集(&E)|", "ヘルプ(&H)|",
                                     "ファイルのプロパティを表示(&P)|", "リストを表示(&L)|F12",
                                     "ヘルプ(&H)|F1", "-", "バージョン情報(&A)|"}));
        QCOMPARE(f.chkCou(0)->text(), QStringLiteral("&Top"));
    }

    // Named on the command line, each argument one name, or dropped on the
    // window: the last plays at once and names the caption; a drop names the
    // played title too; the File menu offers the properties once a file is
    // named. Once the close has begun, drops are no longer handled.
    void namedFiles_data() {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("plays");
        QTest::newRow("two, a quote") << false << QStringList{"a.wav", "q\"q.wav"} << "q\"q.wav";
        QTest::newRow("missing") << false << QStringList{"missing.wav"} << "missing.wav";
        QTest::newRow("none") << false << QStringList{} << QString();
        QTest::newRow("dropped") << true << QStringList{"a.wav", "b b.wav"} << "b b.wav";
    }
    void namedFiles() {
        QFETCH(bool, dropped);
        QFETCH(QStringList, names);
        QFETCH(QString, plays);
        for (QString& n : names)
            n = media.filePath(n);
        Form1 f;
        f.playback()->setPlayRow(3);
        f.Form_Load(dropped ? QStringList() : names);
        if (dropped)
            testfiles::drop(&f, names);
        const QString file = plays.isEmpty() ? plays : media.filePath(plays);
        QCOMPARE(f.MediaPlayer1()->FileName(), file);
        QCOMPARE(f.windowTitle(), plays.isEmpty() ? QStringLiteral("Sonoquill") : plays);
        QCOMPARE(f.playback()->PlayTitle(), dropped ? plays : QString());
        QCOMPARE(f.playback()->PlayRow(), 3);
        emit f.mnuFile()->aboutToShow();
        QCOMPARE(f.mnuPro()->isEnabled(), !plays.isEmpty());
        f.Form_QueryUnload();
        testfiles::drop(&f, {media.filePath("a.wav")});
        QCOMPARE(f.MediaPlayer1()->FileName(), file);
    }

    // A file without a picture shrinks the player; the window follows it.
    void windowFollowsThePlayer() {
        Shown f;
        f.MediaPlayer1()->setFileName(media.filePath("a.wav"));
        QTRY_VERIFY(f.MediaPlayer1()->Height() < layout::kPictureMinHeight);
        QTRY_VERIFY(std::abs(f.Height() - (f.MediaPlayer1()->Height() + 1000)) <= 15);
        QCOMPARE(f.MediaPlayer1()->Width(), 4200);
    }

    // Toggling "&Top" keeps the native window and the focus in it; where the
    // window system cannot keep a window above, the box keeps its value and
    // its tip says so. (Also run under X11 and Wayland.)
    void topBox() {
        Shown f;
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        // A Wayland client cannot give itself the focus.
        QWidget* focus = nullptr;
        if (mTop::canKeepOnTop()) {
            f.activateWindow();
            f.Sl1()->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), f.Sl1());
            focus = f.Sl1();
        }
        const WId id = f.winId();
        for (int value : {1, 0, 1}) {
            f.setChkValue(0, value);
            QTest::qWait(100); // let a re-created window show, were there one
            QCOMPARE(f.winId(), id);
            QCOMPARE(QApplication::focusWidget(), focus);
            QCOMPARE(f.chkValue(0), value);
            QCOMPARE(mTop::isTopmost(&f), value == 1 && mTop::canKeepOnTop());
        }
        QCOMPARE(f.chkCou(0)->toolTip().contains(QStringLiteral("効果がありません")),
                 !mTop::canKeepOnTop());
    }

    // Every control of both windows has a Japanese name, its tip's where it
    // has one, as screen readers read it.
    void accessibleNames() {
        Shown f;
        f.mnuSort2()->trigger();
        for (QWidget* window : {static_cast<QWidget*>(&f), f.playlistWindow()->window()}) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(window) || qobject_cast<QScrollBar*>(w) ||
                    qobject_cast<QHeaderView*>(w) ||
                    (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QAbstractSlider*>(w) &&
                     !qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractItemView*>(w) &&
                     w->focusPolicy() == Qt::NoFocus))
                    continue; // hidden, part of another control, or no control
                const QString name =
                    QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
                const QString what = w->metaObject()->className() + (u' ' + w->toolTip());
                QVERIFY2(name.contains(QRegularExpression("[\\x{3040}-\\x{9FFF}]")),
                         qPrintable(what));
                QVERIFY2(name == w->toolTip().left(name.size()) || w->toolTip().isEmpty(),
                         qPrintable(what));
            }
        }
    }

    // A SIGTERM (as the session's end or the media interface's Quit) while a
    // dialog or menu runs: Cancel first, one close, status 0; nothing freed
    // under it. A list dialog keeps only the list waiting: the main window's
    // "&Rpt", F12 (hiding the list cancels its dialog) and quit all work.
    void quitWhileADialogRuns_data() {
        QTest::addColumn<int>("opens");
        QTest::addColumn<int>("quit"); // 0 SIGTERM, 1 "&Rpt" and the menu, 2 F12 first
        for (int i = 0; i < 8; ++i)
            QTest::addRow("%s", std::array{"load", "save", "snap error", "trash question",
                                           "video menu", "grid menu", "about", "properties"}[i])
                << i << 0;
        QTest::addRow("load, quit from the main window") << 0 << 1;
        QTest::addRow("load, F12, quit from the main window") << 0 << 2;
    }
    void quitWhileADialogRuns() {
        QFETCH(int, opens);
        QFETCH(int, quit);
        QVERIFY(QFile::copy(media.filePath("a.wav"), dir->filePath("a.wav")));
        QVERIFY(QDir(dir->path()).mkdir("Sonoquill.m3u")); // Snap fails
        Shown f({dir->filePath("a.wav")});
        f.mnuSort2()->trigger();
        frmList2* list = f.playlistWindow();
        list->grid().appendPath(dir->filePath("a.wav"));
        list->grid().setRow(1);
        static Form1* target = nullptr;
        target = &f;
        [[maybe_unused]] static bool once =
            (platform::onTerminationRequest([] { target->close(); }), true);
        QSignalSpy unloaded(&f, &Form1::unloaded);
        connect(&f, &Form1::unloaded, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        const auto click = [](QWidget* w, QPoint at) {
            QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {},
                              w->mapTo(w->window(), at));
        };
        QMenu* file = f.menuBar()->findChild<QMenu*>();
        bool returned = false;
        int step = 0;
        QTimer poll; // fires inside the dialog's own loop, and on after it
        connect(&poll, &QTimer::timeout, this, [&] {
            const auto all = QApplication::topLevelWidgets(); // beyond the two windows
            if (step == 0 &&
                std::count_if(all.begin(), all.end(), std::mem_fn(&QWidget::isVisible)) > 2) {
                quit == 0 ? void(std::raise(SIGTERM)) : click(f.chkCou(1), {5, 5});
                f.activateWindow();
                step = quit == 0 ? 4 : quit == 2 ? 1 : 2;
            } else if (step == 1 && QApplication::activeWindow() == &f) {
                QTest::keyClick(f.windowHandle(), Qt::Key_F12);
                step = 2;
            } else if (step == 2 && returned == (quit == 2)) {
                click(f.menuBar(), f.menuBar()->actionGeometry(file->menuAction()).center());
                step = 3;
            } else if (step == 3 && file->isVisible()) {
                click(file, file->actionGeometry(file->actions().last()).center());
                step = 4;
            }
        });
        poll.start(10);
        QWidget* picture = f.MediaPlayer1()->childAt(10, 10);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, {10, 10}, picture->mapToGlobal(QPoint()));
        const std::function<void()> open[] = {
            [&] { list->cmd_Click(7); },
            [&] { list->cmd_Click(6); },
            [&] { list->cmd_Click(9); },
            [&] { list->mnuDelete_Click(); },
            [&] { QCoreApplication::sendEvent(picture, &menu); },
            [&] { list->Grid1_MouseDown(2, 0, 0, 0); },
            [&] { f.mnuAbout_Click(); },
            [&] { f.mnuPro_Click(); },
        };
        QTimer::singleShot(0, this, [&] {
            open[opens]();
            returned = true;
        });
        QTimer::singleShot(30000, &poll, [] { QCoreApplication::exit(1); }); // a hang fails
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(returned && unloaded.count() == 1 && !f.isVisible());
        QCOMPARE(list->grid().fullPath(1), dir->filePath("a.wav")); // Load, trash: Cancel, No
        QVERIFY(QFile::exists(dir->filePath("a.wav")));
        QVERIFY(settingsBytes(*dir).contains(quit ? "Repeat=1" : "Repeat=0"));
    }

    // One about window, centred over the main one and on top (also run at
    // scale 1.5 and 2); moved onto the screen where centring would cut it.
    void aboutWindow_data() {
        QTest::addColumn<QPoint>("main");
        QTest::newRow("centred") << QPoint(100, 50); // 1500, 750 twips
        QTest::newRow("at the corner") << QPoint(-100, -50);
    }
    void aboutWindow() {
        QFETCH(QPoint, main);
        Shown f;
        f.move(main);
        f.mnuAbout_Click();
        auto abouts = f.findChildren<Form2*>();
        QCOMPARE(abouts.size(), 1);
        f.mnuAbout_Click();
        QCOMPARE(f.findChildren<Form2*>().size(), 1);
        Form2* about = abouts.first();
        const QPoint at = layout::centreOver(QRect(f.Left(), f.Top(), f.Width(), f.Height()),
                                             about->Width(), about->Height());
        const double tpp = f.twipsPerPixelX();
        const QPoint centred(qRound(at.x() / tpp), qRound(at.y() / tpp));
        const QRect room = about->screen()->availableGeometry(), frame = about->frameGeometry();
        // On the screen as far as it fits there, its top-left corner always.
        QVERIFY(frame.intersected(room).size() == frame.size().boundedTo(room.size()));
        QVERIFY(room.contains(frame.topLeft()));
        if (room.contains(QRect(centred, frame.size())))
            QCOMPARE(frame.topLeft(), centred);
        QVERIFY(mTop::isTopmost(about));
        QVERIFY(about->Text1(0)->isReadOnly());
        // Every text is whole inside its control and the control inside the
        // window, a line of 60 characters added.
        about->addLine(QStringLiteral("設定の場所: /home/someone/.config/sonoquill/Sonoquill.ini"));
        QVERIFY(QTest::qWaitForWindowExposed(about));
        for (QWidget* w : about->findChildren<QWidget*>()) {
            const QString what = w->metaObject()->className() + (u' ' + w->objectName());
            QVERIFY2(about->rect().contains(w->geometry()), qPrintable(what));
            if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                edit->setCursorPosition(0);
                auto* text = QAccessible::queryAccessibleInterface(edit)->textInterface();
                const QRect last = text->characterRect(text->characterCount() - 1);
                QVERIFY2(QRect(edit->mapToGlobal(QPoint(0, 0)), edit->size()).contains(last),
                         qPrintable(edit->text()));
            } else if (qobject_cast<QLabel*>(w) || qobject_cast<QPushButton*>(w)) {
                QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(what));
                QVERIFY2(w->height() >= w->sizeHint().height(), qPrintable(what));
            }
        }
        about->Text1(1)->setFocus();
        QTRY_COMPARE(about->Text1(1)->selectedText(), about->Text1(1)->text());
        about->Command1()->click();
        QTRY_COMPARE(f.findChildren<Form2*>().size(), 0);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
