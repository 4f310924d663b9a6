#include "dialogs/common_dialog.h"
#include "support/fake_dialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using Filters = QList<QPair<QString, QString>>;

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
    // Cancel changes nothing unless CancelError asks for CancelButton; a
    // chosen file comes back whole and its folder becomes current.
    void askedAndAnswered() {
        FakeDialogs fake;
        QTemporaryDir dir;
        const QString old = QDir::currentPath(), name = QString(300, u'n') + ".m3u";
        cCommonDlg d;
        QCOMPARE(d.Filter(), QString());
        d.setFileName("/old.m3u");
        d.ShowOpen();
        QVERIFY(!d.CancelButton());
        QCOMPARE(d.FileName(), QStringLiteral("/old.m3u"));
        QCOMPARE(fake.asked[0].filters, (Filters{{"All Files (*.*)", "*.*"}}));
        d.setFilter("a|b|");
        d.setCancelError(true);
        d.setAction(1);
        QCOMPARE(fake.asked[1].filters, (Filters{{"a", "b"}}));
        QVERIFY(d.CancelButton());
        QCOMPARE(d.FileName(), QString());
        QCOMPARE(d.ErrNumber(), 0);
        QCOMPARE(d.ErrDescription(), QStringLiteral("Error"));
        d.setFilter(QString::fromUtf8("M3U(*.m3u)|*.m3u|すべて (*.*)|*.*"));
        QCOMPARE(d.Filter(), QString::fromUtf8("M3U(*.m3u)|*.m3u|すべて (*.*)|*.*"));
        d.setFilterIndex(1);
        d.setFlags(0x280804);
        fake.nextFile = dir.filePath(name);
        d.ShowSave();
        QCOMPARE(d.FileName(), fake.nextFile);
        QCOMPARE(d.FileTitle(), name);
        QCOMPARE(QDir::currentPath(), QDir(dir.path()).canonicalPath());
        QDir::setCurrent(old);
        const auto& r = fake.asked.last();
        QCOMPARE(r.filters,
                 (Filters{{"M3U(*.m3u)", "*.m3u"}, {QString::fromUtf8("すべて (*.*)"), "*.*"}}));
        QCOMPARE(r.filterIndex, 0);
        QVERIFY(!r.confirmOverwrite && !r.mustExist && r.save && !fake.asked[1].save);
        d.setAction(7); // no dialog of that kind
        QCOMPARE(d.Action(), 7);
        QCOMPARE(fake.asked.size(), 3);
    }
};

QTEST_MAIN(TestCommonDialog)
#include "tst_common_dialog.moc"
