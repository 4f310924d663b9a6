#include "dialogs/common_dialog.h"
#include "support/fake_dialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kNul(QChar(u'\0'));
}

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
    void filterBuffer() {
        cCommonDlg d;
        QCOMPARE(d.Filter(), QString());
        QCOMPARE(d.filterBuffer(), "All Files (*.*)" + kNul + "*.*" + kNul);
        const QString list = QString::fromUtf8("M3U(*.m3u)|*.m3u|すべてのファイル (*.*)|*.*");
        d.setFilter(list);
        QCOMPARE(d.Filter(), list);
        QCOMPARE(d.filterBuffer(), "M3U(*.m3u)" + kNul + "*.m3u" + kNul +
                                       QString::fromUtf8("すべてのファイル (*.*)") + kNul + "*.*" +
                                       kNul);
        d.setFilter("a|b|");
        QCOMPARE(d.filterBuffer(), "a" + kNul + "b" + kNul);
    }

    void cancelRules() {
        FakeDialogs fake;
        cCommonDlg d;
        d.setFileName("/old.m3u");
        d.ShowOpen();
        QVERIFY(!d.CancelButton());
        QCOMPARE(d.FileName(), QStringLiteral("/old.m3u"));
        d.setCancelError(true);
        d.ShowOpen();
        QVERIFY(d.CancelButton());
        QCOMPARE(d.FileName(), QString());
        QCOMPARE(d.ErrNumber(), 0);
        QCOMPARE(d.ErrDescription(), QStringLiteral("Error"));
    }

    void chosenFile() {
        FakeDialogs fake;
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        const QString chosen = dir.filePath(QString(300, u'n') + ".m3u"); // longer than any buffer
        fake.nextFile = chosen;
        cCommonDlg d;
        d.setDialogTitle(QString::fromUtf8("開く"));
        d.setFilter("M3U(*.m3u)|*.m3u|All|*.*");
        d.setFilterIndex(1);
        d.setFlags(0x280804);
        d.setCancelError(true);
        d.ShowOpen();
        QVERIFY(!d.CancelButton());
        QCOMPARE(d.FileName(), chosen);
        QCOMPARE(d.FileTitle(), QString(300, u'n') + ".m3u");
        QCOMPARE(d.Action(), 1);
        QCOMPARE(QDir::currentPath(), QDir(dir.path()).canonicalPath()); // its folder is current
        QDir::setCurrent(old);
        const auto& r = fake.asked.first();
        QCOMPARE(r.title, QString::fromUtf8("開く"));
        QCOMPARE(r.filters.size(), 2);
        QCOMPARE(r.filters.first().second, QStringLiteral("*.m3u"));
        QCOMPARE(r.filterIndex, 0);
        QVERIFY(!r.confirmOverwrite); // the flags ask for no overwrite prompt
        QVERIFY(!r.mustExist);
        QVERIFY(!r.save);
    }

    void actionRunsTheDialog() {
        FakeDialogs fake;
        cCommonDlg d;
        d.setAction(2);
        QCOMPARE(fake.asked.size(), 1);
        QVERIFY(fake.asked.first().save);
        d.setAction(7);
        QCOMPARE(d.Action(), 7);
        QCOMPARE(fake.asked.size(), 1);
    }

    void colourFontPrinter() {
        FakeDialogs fake;
        cCommonDlg d;
        d.ShowColor();
        QVERIFY(d.CancelButton()); // whatever CancelError says
        fake.color = QColor(1, 2, 3);
        d.ShowColor();
        QCOMPARE(d.Color(), 0x030201);
        QCOMPARE(d.Action(), 3);
        d.setFontName("Sans");
        d.setFontBold(true);
        d.ShowFont();
        QVERIFY(d.CancelButton());
        QCOMPARE(d.FontName(), QString());
        QVERIFY(!d.FontBold());
        QCOMPARE(d.Color(), 0);
        QFont f("Serif");
        f.setPointSizeF(11.5);
        f.setItalic(true);
        fake.font = f;
        d.ShowFont();
        QVERIFY(!d.CancelButton());
        QCOMPARE(d.FontSize(), 12); // 11.5 to the even neighbour
        QVERIFY(d.FontItalic());
        d.setCancelError(true);
        d.ShowPrinter();
        QVERIFY(d.CancelButton());
        fake.printerAccepts = true;
        d.ShowPrinter();
        QCOMPARE(d.Copies(), 3);
    }

    void formFontCopied() {
        QWidget w;
        QFont f("Monospace");
        f.setPointSizeF(10.5);
        f.setUnderline(true);
        w.setFont(f);
        cCommonDlg d;
        d.setForm(&w);
        QCOMPARE(d.Form(), &w);
        QCOMPARE(d.FontSize(), 10);
        QVERIFY(d.FontUnderline());
        QCOMPARE(d.FontName(), QStringLiteral("Monospace"));
    }
};

QTEST_MAIN(TestCommonDialog)
#include "tst_common_dialog.moc"
