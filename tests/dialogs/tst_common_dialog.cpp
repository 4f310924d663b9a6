#include "dialogs/common_dialog.h"
#include "support/fake_dialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
    void filterBuffer() {
        const QString nul(QChar(u'\0'));
        cCommonDlg d;
        QCOMPARE(d.Filter(), QString());
        QCOMPARE(d.filterBuffer(), "All Files (*.*)" + nul + "*.*" + nul);
        const QString list = QString::fromUtf8("M3U(*.m3u)|*.m3u|すべて (*.*)|*.*");
        d.setFilter(list);
        QCOMPARE(d.Filter(), list);
        QCOMPARE(d.filterBuffer(), "M3U(*.m3u)" + nul + "*.m3u" + nul +
                                       QString::fromUtf8("すべて (*.*)") + nul + "*.*" + nul);
        d.setFilter("a|b|");
        QCOMPARE(d.filterBuffer(), "a" + nul + "b" + nul);
    }

    // Cancel changes nothing unless CancelError asks for CancelButton.
    void cancel() {
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
        const QString name = QString(300, u'n') + ".m3u"; // longer than any buffer
        fake.nextFile = dir.filePath(name);
        cCommonDlg d;
        d.setDialogTitle(QString::fromUtf8("開く"));
        d.setFilter("M3U(*.m3u)|*.m3u|All|*.*");
        d.setFilterIndex(1);
        d.setFlags(0x280804);
        d.setCancelError(true);
        d.setAction(1);
        QVERIFY(!d.CancelButton());
        QCOMPARE(d.FileName(), fake.nextFile);
        QCOMPARE(d.FileTitle(), name);
        QCOMPARE(QDir::currentPath(), QDir(dir.path()).canonicalPath()); // its folder is current
        QDir::setCurrent(old);
        const auto& r = fake.asked.first();
        QCOMPARE(r.title, QString::fromUtf8("開く"));
        QCOMPARE(r.filters.size(), 2);
        QCOMPARE(r.filters.first().second, QStringLiteral("*.m3u"));
        QCOMPARE(r.filterIndex, 0);
        QVERIFY(!r.confirmOverwrite && !r.mustExist && !r.save);
        d.setAction(2);
        QVERIFY(fake.asked.last().save);
        d.setAction(7); // no dialog of that kind
        QCOMPARE(d.Action(), 7);
        QCOMPARE(fake.asked.size(), 2);
    }
};

QTEST_MAIN(TestCommonDialog)
#include "tst_common_dialog.moc"
