// A box of the GPRS forms held open while the module goes on speaking: the
// window that owns the box stays until the box returns, then closes.

#include "GprsHarness.h"
#include "tools/ModuleSim.h"

class TestGprsMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void dataCentreWaitOutlivesItsOwnBox_data();
    void dataCentreWaitOutlivesItsOwnBox();
};

namespace {
const QString kTimeOut = QStringLiteral("连接超时，可能是网络忙。请少后再试");
const QString kWritten = QStringLiteral("模块身份地址设置成功");
}  // namespace

void TestGprsMessageBoxes::dataCentreWaitOutlivesItsOwnBox_data() {
    QTest::addColumn<QString>("event");
    QTest::newRow("identity result") << "F4 FA";
    QTest::newRow("restart notice") << "FD 03";
    QTest::newRow("form closed") << "close";
}

void TestGprsMessageBoxes::dataCentreWaitOutlivesItsOwnBox() {
    QFETCH(QString, event);
    GprsHarness h;
    QVERIFY(h.openForm(0));
    h.module->muted.insert(0xF4);
    QTest::mouseClick(h.button(0), Qt::LeftButton);
    QPointer<DataCentreWaitDialog> wait = h.form()->dataCentreWait();
    QPointer<GprsSettingsForm> form = h.form();
    QVERIFY(wait);

    // The time-out box stays open until what the row sends has been shown
    // (or the form was asked to close); the wait and the form must still be
    // there when it returns.
    QStringList shown;
    bool waitAliveAtReturn = false, formAliveAtReturn = false;
    Dialogs::Handler* recorder = Dialogs::handler();
    Dialogs::Handler held;
    held.message = [&](const Dialogs::Message& m) {
        shown << m.text;
        if (m.text != kTimeOut) return Dialogs::Answer::Ok;
        if (event == "close") {
            form->close();
        } else {
            h.module->muted.clear();
            h.sim().answer(GprsHarness::frame(qPrintable(event)));
            (void)QTest::qWaitFor([&] { return shown.contains(kWritten); }, 5000);
        }
        QTest::qWait(300);
        waitAliveAtReturn = !wait.isNull();
        formAliveAtReturn = !form.isNull();
        return Dialogs::Answer::Ok;
    };
    Dialogs::setHandler(&held);
    wait->Timer1->rearm(2);
    QVERIFY(QTest::qWaitFor([&] { return shown.contains(kTimeOut) && wait.isNull(); }, 10000));
    Dialogs::setHandler(recorder);
    QVERIFY(waitAliveAtReturn);
    QVERIFY(formAliveAtReturn);
    if (event == "close") {
        QVERIFY(QTest::qWaitFor([&] { return form.isNull(); }, 2000));
        return;
    }
    QVERIFY(shown.contains(kWritten));
    QVERIFY(form && !form->dataCentreWait());
    QCOMPARE(g::GprsSlaveSetPending, false);
}

QTEST_MAIN(TestGprsMessageBoxes)
#include "tst_gprs_message_boxes.moc"
