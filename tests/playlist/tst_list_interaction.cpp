// Selection and play on the grid, through real mouse and key events.
#include "playlist/grid_view.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>

class TestListInteraction : public QObject {
    Q_OBJECT
    QTemporaryDir media;
    QStringList files;

    // The playlist window with the first `count` songs, then entries that
    // name no file up to `rows` entries.
    frmList2* openWith(ListFixture& f, int count, int rows = 0) {
        frmList2* w = f.open();
        for (int i = 0; i < std::max(count, rows); ++i)
            w->grid().appendPath(i < count ? files[i] : QStringLiteral("/none/%1.mp3").arg(i));
        w->show();
        return w;
    }

private slots:
    void initTestCase() {
        for (int i = 1; i <= 8; ++i) {
            files << media.filePath(QStringLiteral("song%1.wav").arg(i));
            QVERIFY(testmedia::writeWav(files.last(), 0.05));
        }
    }

    // A script of events on a list of 40: P left press, R right press, M move
    // with the left button held, U left release, S Shift+click, each on a
    // row's Path cell (0: the header, or above the rows for a move); K a key
    // with its modifiers; H Shift pressed and released; X the grid extending
    // its selection to a row. Then the selection, shown in view, and the
    // pop-up menu: not open, open with Properties off or on. Rows never move.
    void events_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::addColumn<QString>("menu");
        const auto row = [](const char* name, const char* script, int row, int rowSel,
                            const char* menu = "") {
            QTest::newRow(name) << QString(script) << row << rowSel << QString(menu);
        };
        row("press selects the row", "P3", 3, 3);
        row("drag", "P2 M4 M5 U5", 5, 5);
        row("drag over the header", "P3 M0 M0", 1, 1);
        row("move after release", "P3 U3 M4", 3, 3);
        row("Shift+click", "P2 U2 S6", 6, 6);
        row("right press on the header", "R0", 0, 0, "off");
        row("right press, header, entry selected", "P2 U2 R0", 2, 2, "on");
        row("right press on an entry", "R4", 4, 4, "on");
        row("Down", "P2 U2 KDown", 3, 3);
        row("Shift+Down", "P2 U2 KShift+Down", 3, 3);
        row("Ctrl+Down", "P2 U2 KCtrl+Down", 3, 3);
        row("Down from the header", "KDown", 1, 1);
        row("Up at the first", "P1 U1 KUp", 1, 1);
        row("End", "KEnd", 40, 40);
        row("Home", "KEnd KHome", 1, 1);
        row("PageDown", "KEnd KUp KPgDown", 40, 40);
        row("Shift+PageUp", "P2 U2 KShift+PgUp", 1, 1);
        row("Ctrl+Space", "P3 U3 KCtrl+Space", 3, 3);
        row("type-ahead", "P3 U3 K1", 3, 3);
        row("Ctrl with a key: one row", "P2 U2 KCtrl+A X5", 5, 5);
        row("until Shift comes up", "P2 U2 KCtrl+A H X5", 2, 5);
    }
    void events() {
        QFETCH(QString, script);
        QFETCH(int, row);
        QFETCH(int, rowSel);
        QFETCH(QString, menu);
        ListFixture f;
        frmList2* w = openWith(f, 6, 40);
        GridView* v = w->Grid1();
        for (const QString& step : script.split(u' ')) {
            const int r = step.mid(1).toInt();
            const QPoint at =
                r ? v->visualRect(v->model()->index(r - 1, 1)).center() : QPoint(10, -5);
            if (step[0] == u'P')
                QTest::mousePress(v->viewport(), Qt::LeftButton, {}, at);
            if (step[0] == u'R' && r > 0)
                QTest::mousePress(v->viewport(), Qt::RightButton, {}, at);
            if (step[0] == u'R' && r == 0)
                QTest::mousePress(v->horizontalHeader()->viewport(), Qt::RightButton, {}, {10, 5});
            if (step[0] == u'M')
                QTest::mouseMove(v->viewport(), at);
            if (step[0] == u'U')
                QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, at);
            if (step[0] == u'S')
                QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::ShiftModifier, at);
            if (step[0] == u'K')
                QTest::keyClick(v, QKeySequence(step.mid(1))[0].key(),
                                QKeySequence(step.mid(1))[0].keyboardModifiers());
            if (step[0] == u'H') {
                QTest::keyPress(v, Qt::Key_Shift);
                QTest::keyRelease(v, Qt::Key_Shift);
            }
            if (step[0] == u'X')
                w->grid().setRowSel(r);
        }
        QCOMPARE(w->grid().Row(), row);
        QCOMPARE(w->grid().RowSel(), rowSel);
        QModelIndexList shown;
        for (int r = std::max(1, std::min(row, rowSel)); row && r <= std::max(row, rowSel); ++r)
            shown << v->model()->index(r - 1, 0);
        QCOMPARE(v->selectionModel()->selectedRows(), shown);
        QVERIFY(v->RowIsVisible(row));
        // A press on an entry makes the pressed cell current.
        QCOMPARE(w->grid().Col(), script.contains(QRegularExpression("[PRS][1-9]")) ? 1 : 0);
        QTRY_COMPARE(w->mnuFile()->isVisible(), !menu.isEmpty());
        QCOMPARE(w->mnuProperty()->isEnabled(), menu != "off");
        w->mnuFile()->hide();
        for (int r = 1; r <= 6; ++r)
            QCOMPARE(w->grid().fullPath(r), files[r - 1]);
    }

    // How the selected entry is played; 0: nothing plays, the captions stay.
    void play_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("played");
        const auto row = [](const char* name, int entries, int selected, const char* how,
                            int played) {
            QTest::newRow(name) << entries << selected << QString(how) << played;
        };
        row("double-click", 5, 3, "double-click", 3);
        row("on the header", 5, 4, "double-click header", 4);
        row("Enter", 8, 7, "Enter", 7);
        row("Shift+Enter", 8, 2, "Shift+Enter", 2);
        row("empty list", 0, 0, "double-click", 0);
        row("header current", 2, 0, "Enter", 0);
        row("focus comes in", 2, 0, "Tab, Enter", 0);
    }
    void play() {
        QFETCH(int, entries);
        QFETCH(int, selected);
        QFETCH(QString, how);
        QFETCH(int, played);
        ListFixture f;
        frmList2* w = openWith(f, entries);
        GridView* v = w->Grid1();
        w->grid().setRow(selected);
        if (how == "double-click")
            QTest::mouseDClick(v->viewport(), Qt::LeftButton, {},
                               v->visualRect(v->model()->index(selected - 1, 0)).center());
        if (how == "double-click header")
            QTest::mouseDClick(v->horizontalHeader()->viewport(), Qt::LeftButton, {}, {20, 5});
        if (how.startsWith("Tab")) {
            QApplication::setActiveWindow(w);
            v->setFocus(Qt::TabFocusReason);
        }
        if (how.endsWith("Enter"))
            QTest::keyClick(v, Qt::Key_Return,
                            how.startsWith("Shift") ? Qt::ShiftModifier : Qt::NoModifier);
        const QString title = played ? QStringLiteral("song%1.wav").arg(played) : "Sonoquill";
        QCOMPARE(f.main->MediaPlayer1()->FileName(), played ? files[played - 1] : QString());
        QCOMPARE(f.main->windowTitle(), title);
        QCOMPARE(w->windowTitle(),
                 played ? QStringLiteral("%1/%2").arg(played).arg(entries) : "List");
        QCOMPARE(PlayState::PlayRow(), played);
    }

    // The selected row is highlighted, also while the window is inactive,
    // until the highlight is switched off.
    void highlight() {
        ListFixture f;
        frmList2* w = openWith(f, 3);
        GridView* v = w->Grid1();
        QApplication::setActiveWindow(f.main.get());
        w->grid().setRow(2);
        const QColor highlight = v->palette().color(QPalette::Active, QPalette::Highlight);
        const auto shown = [&](int row) {
            const QPoint at = v->visualRect(v->model()->index(row - 1, 0)).topLeft() + QPoint(1, 2);
            return v->viewport()->grab().toImage().pixelColor(at);
        };
        QCOMPARE(shown(2), highlight);
        QVERIFY(shown(1) != highlight);
        w->grid().setHighLight(0);
        QVERIFY(shown(2) != highlight);
    }
};

QTEST_MAIN(TestListInteraction)
#include "tst_list_interaction.moc"
