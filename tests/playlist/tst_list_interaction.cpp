// Selection and play on the grid, through real mouse and key events.
#include "playlist/grid_view.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

#include <QHeaderView>
#include <QMenu>

namespace {

QPoint cell(GridView* v, int row, int col) {
    return v->visualRect(v->model()->index(row - 1, col)).center();
}

} // namespace

class TestListInteraction : public QObject {
    Q_OBJECT
    QTemporaryDir media;
    QStringList files;

    frmList2* openWith(ListFixture& f, int count) {
        frmList2* w = f.open();
        for (int i = 0; i < count; ++i)
            w->grid().appendPath(files[i]);
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

    void clickSelectsTheWholeRow() {
        ListFixture f;
        frmList2* w = openWith(f, 5);
        GridView* v = w->Grid1();
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, cell(v, 3, 1));
        QCOMPARE(w->grid().Row(), 3);
        QCOMPARE(w->grid().RowSel(), 3);
        QCOMPARE(w->grid().ColSel(), 1);
        QCOMPARE(w->grid().Text(), media.path()); // the Path cell was clicked
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, cell(v, 3, 1));
        QCOMPARE(f.main->MediaPlayer1()->FileName(), files[2]);
        QCOMPARE(f.main->windowTitle(), QStringLiteral("song3.wav"));
        QCOMPARE(f.main->playback()->PlayRow(), 3);
        QCOMPARE(w->windowTitle(), QStringLiteral("3/5"));
    }

    void dragMovesTheOneSelectedRow() {
        ListFixture f;
        frmList2* w = openWith(f, 6);
        GridView* v = w->Grid1();
        QTest::mousePress(v->viewport(), Qt::LeftButton, {}, cell(v, 2, 0));
        QTest::mouseMove(v->viewport(), cell(v, 4, 0));
        QTest::mouseMove(v->viewport(), cell(v, 5, 0));
        QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, cell(v, 5, 0));
        QCOMPARE(w->grid().Row(), 5);
        QCOMPARE(w->grid().RowSel(), 5);
        QCOMPARE(w->grid().fullPath(2), files[1]); // nothing moved
        // Dragging up over the header selects the first entry, and no more.
        QTest::mousePress(v->viewport(), Qt::LeftButton, {}, cell(v, 3, 0));
        QTest::mouseMove(v->viewport(), QPoint(10, -5));
        QCOMPARE(w->grid().Row(), 1);
        QTest::mouseMove(v->viewport(), QPoint(10, -8));
        QCOMPARE(w->grid().Row(), 1);
        QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, QPoint(10, -8));
        // Without the button held, moving selects nothing.
        QTest::mouseMove(v->viewport(), cell(v, 4, 0));
        QCOMPARE(w->grid().Row(), 1);
    }

    void rightPressOpensTheMenu() {
        ListFixture f;
        frmList2* w = openWith(f, 5);
        GridView* v = w->Grid1();
        w->grid().setRow(2);
        QTest::mousePress(v->horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(10, 5));
        QTRY_VERIFY(w->mnuFile()->isVisible());
        QCOMPARE(w->grid().Row(), 2); // a press on the header selects nothing
        w->mnuFile()->hide();
        QTest::mousePress(v->viewport(), Qt::RightButton, {}, cell(v, 4, 0));
        QCOMPARE(w->grid().Row(), 4);
        QTRY_VERIFY(w->mnuFile()->isVisible());
        QVERIFY(w->mnuProperty()->isEnabled());
        w->mnuFile()->hide();
    }

    void selectionStaysOneRow() {
        ListFixture f;
        frmList2* w = openWith(f, 8);
        GridView* v = w->Grid1();
        v->setFocus();
        w->grid().setRow(2);
        QTest::keyClick(v, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(w->grid().Row(), 3);
        QCOMPARE(w->grid().RowSel(), 3);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::ShiftModifier, cell(v, 6, 0));
        QCOMPARE(w->grid().Row(), 6);
        QCOMPARE(w->grid().RowSel(), 6);
        // Ctrl with a key, then Ctrl released: still collapsing until Shift is
        // pressed and released on the grid.
        QTest::keyClick(v, Qt::Key_A, Qt::ControlModifier);
        w->grid().setRowSel(8);
        QCOMPARE(w->grid().Row(), 8);
        QTest::keyPress(v, Qt::Key_Shift);
        QTest::keyRelease(v, Qt::Key_Shift);
        w->grid().setRowSel(2);
        QCOMPARE(w->grid().Row(), 8); // now the grid may extend again
    }

    void enterPlays() {
        ListFixture f;
        frmList2* w = openWith(f, 8);
        GridView* v = w->Grid1();
        v->setFocus();
        w->grid().setRow(7);
        QTest::keyClick(v, Qt::Key_Return);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), files[6]);
        QCOMPARE(f.main->windowTitle(), QStringLiteral("song7.wav"));
        QCOMPARE(w->windowTitle(), QStringLiteral("7/8"));
        w->grid().setRow(2);
        QTest::keyClick(v, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), files[1]);
        QCOMPARE(f.main->playback()->PlayRow(), 2);
    }

    void nothingPlaysWithoutAnEntry() {
        ListFixture f;
        frmList2* w = openWith(f, 0);
        GridView* v = w->Grid1();
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::keyClick(v, Qt::Key_Return);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), QString());
        QCOMPARE(w->windowTitle(), QStringLiteral("List"));
        QCOMPARE(f.main->windowTitle(), QStringLiteral("Sonoquill"));
        w->grid().appendPath(files[0]);
        w->grid().setRow(0); // the header current
        QTest::keyClick(v, Qt::Key_Return);
        QCOMPARE(f.main->MediaPlayer1()->FileName(), QString());
    }

    void menuEnabling() {
        ListFixture f;
        frmList2* w = openWith(f, 0);
        w->mnuFile_Click();
        QVERIFY(!w->mnuProperty()->isEnabled() && !w->mnuDelete()->isEnabled());
        w->grid().appendPath("bare"); // no separator: both cells empty
        w->grid().appendPath(files[0]);
        w->grid().setRow(1);
        w->mnuFile_Click();
        QVERIFY(!w->mnuDelete()->isEnabled());
        w->grid().setRow(2);
        w->mnuFile_Click();
        QVERIFY(w->mnuProperty()->isEnabled() && w->mnuDelete()->isEnabled());
        w->grid().setRow(0);
        w->mnuFile_Click();
        QVERIFY(!w->mnuProperty()->isEnabled());
    }
};

QTEST_MAIN(TestListInteraction)
#include "tst_list_interaction.moc"
