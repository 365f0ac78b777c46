// The settings form keeps gprs.mdb and its phone table open; a missing or
// damaged file must not stop the form from working.

#include <QTabWidget>
#include <QTemporaryDir>

#include "JetDb.h"
#include "KestrunHarness.h"

class TestPhoneDb : public QObject {
    Q_OBJECT

private slots:
    void opensTemplateAtLoad();
    void missingOrDamagedFileLeavesFormUsable();
};

void TestPhoneDb::opensTemplateAtLoad() {
    Vb::setAppPath(qEnvironmentVariable("SMSTOOLS_BINARY_DIR") + "/share/smstools");
    KestrunHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QVERIFY(h.settingsFormShown());
    QVERIFY(g::PhoneDb);
    QVERIFY(g::PhoneRs);
    QVERIFY(g::PhoneRs->fieldCount() > 0);
    Vb::setAppPath(QString());
}

void TestPhoneDb::missingOrDamagedFileLeavesFormUsable() {
    QTemporaryDir dir;
    Vb::setAppPath(dir.path());
    {
        KestrunHarness h;
        QTest::mouseClick(h.openConnectDialog()->Command1[1], Qt::LeftButton);
        QVERIFY(h.settingsFormShown());
        QVERIFY(!g::PhoneDb);
        QVERIFY(h.dialogs.messages().isEmpty());
    }
    QFile f(dir.filePath("gprs.mdb"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\x5A'));
    f.close();
    {
        KestrunHarness h;
        QTest::mouseClick(h.openConnectDialog()->Command1[1], Qt::LeftButton);
        QVERIFY(h.settingsFormShown());
        QVERIFY(!g::PhoneDb);
        QVERIFY(h.dialogs.messages().isEmpty());
        h.settingsForm()->SSTab1->setCurrentIndex(2);
        QCOMPARE(h.settingsForm()->windowTitle(), QStringLiteral("其他参数设置"));
    }
    Vb::setAppPath(QString());
}

QTEST_MAIN(TestPhoneDb)
#include "tst_phone_db.moc"
