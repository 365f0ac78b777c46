#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>

#include "Vb.h"

class TestVbRuntime : public QObject {
    Q_OBJECT
private slots:
    void stringTable() {
        QCOMPARE(Vb::stringTable(101), QStringLiteral("串口："));
        QCOMPARE(Vb::stringTable(102), QStringLiteral("网络："));
        QCOMPARE(Vb::stringTable(103), QStringLiteral("模块状态："));
        QCOMPARE(Vb::stringTable(104), QStringLiteral("发射区字节数："));
        QCOMPARE(Vb::stringTable(100), QString());
        QCOMPARE(Vb::stringTable(105), QString());
    }

    void twips() {
        QCOMPARE(Vb::twips(480), 32);
        QCOMPARE(Vb::twips(600), 40);
        QCOMPARE(Vb::pixelsToTwips(64), 960);
        QCOMPARE(Vb::twips(Vb::pixelsToTwips(17)), 17);
    }

    void timeOfDayCanBeFixed() {
        Vb::setTimeOfDay(86395.0f);
        QCOMPARE(Vb::timeOfDay(), 86395.0f);
        Vb::setTimeOfDay(std::nullopt);
        const float now = Vb::timeOfDay();
        QVERIFY(now >= 0.0f && now < 86400.0f);
        const float expected = QTime::currentTime().msecsSinceStartOfDay() / 1000.0f;
        // Midnight may pass between the two readings.
        QVERIFY(qAbs(expected - now) < 2.0f || qAbs(expected - now) > 86398.0f);
    }

    void version() {
        Vb::setAppVersion(4, 2);
        QCOMPARE(Vb::appMajor(), 4);
        QCOMPARE(Vb::appMinor(), 2);
    }

    void appPath() {
        const QString exeDir = QCoreApplication::applicationDirPath();
        const bool here = QFile::exists(QDir(exeDir).filePath(QStringLiteral("gprs.mdb")));
        const QString expected =
            here ? exeDir : QDir::cleanPath(exeDir + QStringLiteral("/../share/smstools"));
        QCOMPARE(Vb::appPath(), expected);
        QTemporaryDir dir;
        Vb::setAppPath(dir.path() + QStringLiteral("/"));
        QCOMPARE(Vb::appPath(), QDir::cleanPath(dir.path()));
        Vb::setAppPath(QString());
        QCOMPARE(Vb::appPath(), expected);
    }
};

QTEST_GUILESS_MAIN(TestVbRuntime)
#include "tst_vbruntime.moc"
