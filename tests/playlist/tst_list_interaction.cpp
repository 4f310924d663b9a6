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

    // Events on a list of 40: P/R left/right press, M move with the left
    // button held, U release, S Shift+click, D double-click, each on a row's
    // Path cell (0: the header, or above the rows); K a key; H Shift down and
    // up; T Tab focus; X the grid extending its selection. Then the selection
    // in view, the menu (open, Properties off/on) and the entry played.
    void events_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("played");
        const auto row = [](const char* name, const char* script, int row, int rowSel,
                            const char* menu = "", int played = 0) {
            QTest::newRow(name) << QString(script) << row << rowSel << QString(menu) << played;
        };
        row("press selects the row", "P3", 3, 3);
        row("drag", "P2 M4 M5 U5", 5, 5);
        row("drag over the header", "P3 M0 M0", 1, 1);
        row("move after release", "P3 U3 M4", 3, 3);
        row("Shift+click", "P2 U2 S6", 6, 6);
        row("right press on the header", "R0", 0, 0, "off");
        row("right press, header, entry selected", "P2 U2 R0", 2, 2, "on");
        row("right press on an entry", "R4", 4, 4, "on");
        row("Shift+Down", "P2 U2 KShift+Down", 3, 3);
        row("Down from the header", "KDown", 1, 1);
        row("End", "KEnd", 40, 40);
        row("Home", "KEnd KHome", 1, 1);
        row("type-ahead", "P3 U3 K1", 3, 3);
        row("Ctrl with a key: one row", "P2 U2 KCtrl+A X5", 5, 5);
        row("until Shift comes up", "P2 U2 KCtrl+A H X5", 2, 5);
        row("double-click plays", "P3 U3 D3", 3, 3, "", 3);
        row("double-click on the header", "P4 U4 D0", 4, 4, "", 4);
        row("Enter plays", "P5 U5 KReturn", 5, 5, "", 5);
        row("Enter on the header", "KReturn", 0, 0);
        row("focus comes in", "T KReturn", 0, 0);
    }
    void events() {
        QFETCH(QString, script);
        QFETCH(int, row);
        QFETCH(int, rowSel);
        QFETCH(QString, menu);
        QFETCH(int, played);
        ListFixture f;
        frmList2* w = openWith(f, 6, 40);
        GridView* v = w->Grid1();
        QWidget* header = v->horizontalHeader()->viewport();
        for (const QString& step : script.split(u' ')) {
            const int r = step.mid(1).toInt();
            const QPoint at =
                r ? v->visualRect(v->model()->index(r - 1, 1)).center() : QPoint(10, -5);
            const QKeyCombination key = QKeySequence(step.mid(1))[0];
            if (step[0] == u'P')
                QTest::mousePress(v->viewport(), Qt::LeftButton, {}, at);
            QWidget* target = r ? v->viewport() : header; // right and double clicks
            if (step[0] == u'R')
                QTest::mousePress(target, Qt::RightButton, {}, r ? at : QPoint(10, 5));
            if (step[0] == u'D')
                QTest::mouseDClick(target, Qt::LeftButton, {}, r ? at : QPoint(10, 5));
            if (step[0] == u'M')
                QTest::mouseMove(v->viewport(), at);
            if (step[0] == u'U')
                QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, at);
            if (step[0] == u'S')
                QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::ShiftModifier, at);
            if (step[0] == u'K')
                QTest::keyClick(v, key.key(), key.keyboardModifiers());
            if (step[0] == u'H') {
                QTest::keyPress(v, Qt::Key_Shift);
                QTest::keyRelease(v, Qt::Key_Shift);
            }
            if (step[0] == u'T') {
                QApplication::setActiveWindow(w);
                v->setFocus(Qt::TabFocusReason);
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
        QCOMPARE(w->grid().Col(), script.contains(QRegularExpression("[PRSD][1-9]")) ? 1 : 0);
        QTRY_COMPARE(w->mnuFile()->isVisible(), !menu.isEmpty());
        QCOMPARE(w->mnuProperty()->isEnabled(), menu != "off");
        w->mnuFile()->hide();
        for (int r = 1; r <= 6; ++r)
            QCOMPARE(w->grid().fullPath(r), files[r - 1]);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), played ? files[played - 1] : QString());
        QCOMPARE(f.main->windowTitle(),
                 played ? QStringLiteral("song%1.wav").arg(played) : "Sonoquill");
        QCOMPARE(w->windowTitle(), played ? QStringLiteral("%1/40").arg(played) : "List");
        QCOMPARE(f.main->playback()->PlayRow(), played);
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
