#include "app/main_layout.h"

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
        QCOMPARE(layout::centreOver(QRect(0, 0, 100, 100), 201, 201), QPoint(-50, -50));
    }
};

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_main_layout.moc"
