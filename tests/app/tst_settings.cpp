#include "app/settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void appPathIsTheExecutablesFolder() {
        mIni::overrideAppPathForTesting({});
        const QString path = mIni::AppPath();
        QVERIFY(path.endsWith(u'/'));
        QVERIFY(QFile::exists(path + "tst_settings"));
    }

    void readAndWriteBesideTheExecutable() {
        QTemporaryDir dir;
        mIni::overrideAppPathForTesting(dir.path());
        QCOMPARE(mIni::AppPath(), dir.path() + "/");
        QCOMPARE(mIni::ReadSetting(mIni::kSection, mIni::key::Volume), QString());
        QVERIFY(mIni::WriteSetting(mIni::kSection, mIni::key::Volume, "40") != 0);
        QVERIFY(mIni::WriteSetting(mIni::kSection, mIni::key::WindowTop, "1234.5") != 0);
        QCOMPARE(mIni::ReadSetting("SET", "VOL"), QStringLiteral("40"));
        QFile f(dir.filePath("Sonoquill.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("[Set]\nVol=40\nfTop=1234.5\n"));
        mIni::overrideAppPathForTesting({});
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
