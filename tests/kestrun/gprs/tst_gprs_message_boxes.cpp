// A box of the GPRS forms held open while the module goes on speaking: the
// window that owns the box stays until the box returns, then closes.

#include "GprsHarness.h"
#include <QElapsedTimer>
#include <QTimer>
#include <optional>

#include "tools/ModuleSim.h"

class TestGprsMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void dataCentreWaitOutlivesItsOwnBox_data();
    void dataCentreWaitOutlivesItsOwnBox();
    void writeGivenUpStaysGivenUp_data();
    void writeGivenUpStaysGivenUp();
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

    // The time-out box stays open while the row's event comes (and a while
    // after what it brings has been shown); the wait and the form must still
    // be there when it returns.
    bool waitAliveAtReturn = false, formAliveAtReturn = false;
    QElapsedTimer sinceWritten;
    h.dialogs.setObserver([&](const Dialogs::Message& m) {
        if (m.text == kWritten) sinceWritten.start();
        if (m.text != kTimeOut) return;
        QTimer::singleShot(0, [&] {
            if (event == "close") {
                form->close();
                return;
            }
            h.module->muted.clear();
            h.sim().answer(GprsHarness::frame(qPrintable(event)));
        });
    });
    h.dialogs.setHoldPolicy([&](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
        if (m.text != kTimeOut) return std::nullopt;
        DialogRecorder::Hold hold;
        hold.forMs = event == "F4 FA" ? 10000 : 500;
        if (event == "F4 FA") hold.until = [&] { return sinceWritten.isValid() && sinceWritten.elapsed() > 300; };
        return hold;
    });
    QObject::connect(wait, &QObject::destroyed, [&] { waitAliveAtReturn = h.dialogs.openBoxes() == 0; });
    QObject::connect(form, &QObject::destroyed, [&] { formAliveAtReturn = h.dialogs.openBoxes() == 0; });
    wait->Timer1->rearm(2);
    QVERIFY(QTest::qWaitFor([&] { return h.dialogs.messageCount() > 0 && wait.isNull(); }, 15000));
    QVERIFY2(h.dialogs.orphanedBoxes().isEmpty(), qPrintable(h.dialogs.orphanedBoxes().join(" | ")));
    QVERIFY(waitAliveAtReturn);  // gone only once no box was open
    if (event == "close") {
        QVERIFY(QTest::qWaitFor([&] { return form.isNull(); }, 2000));
        QVERIFY(formAliveAtReturn);
        return;
    }
    // The write was given up at the time-out: the notice does not send it again.
    QCOMPARE(sinceWritten.isValid(), event == "F4 FA");
    QCOMPARE(h.sim().requests().size(), 1);
    QVERIFY(QTest::qWaitFor([&] { return form && !form->dataCentreWait(); }, 3000));
    QCOMPARE(g::GprsSlaveSetPending, false);
}

void TestGprsMessageBoxes::writeGivenUpStaysGivenUp_data() {
    QTest::addColumn<bool>("duringQuestion");
    QTest::newRow("taken after the time-out") << false;
    QTest::newRow("time-out while the question is open") << true;
}

// The data centre's "taken" and the wait's time-out meet: once the user has
// been told the write failed, no forced write goes out (Yes or not).
void TestGprsMessageBoxes::writeGivenUpStaysGivenUp() {
    QFETCH(bool, duringQuestion);
    const QString question = QStringLiteral("您设置的身份地址已经被占用，要替换它吗？");
    GprsHarness h;
    QVERIFY(h.openForm(0));
    h.module->muted.insert(0xF4);
    QTest::mouseClick(h.button(0), Qt::LeftButton);
    QPointer<DataCentreWaitDialog> wait = h.form()->dataCentreWait();
    QVERIFY(wait);
    const quint64 before = h.port().receivedTotal();
    bool gaveUp = false;
    QObject::connect(wait, &DataCentreWaitDialog::gaveUp, [&] { gaveUp = true; });
    h.dialogs.setObserver([&](const Dialogs::Message& m) {
        if (m.text == kTimeOut && !duringQuestion)
            QTimer::singleShot(0, [&] { h.sim().send(GprsHarness::frame("F4 08")); });
        if (m.text == question && wait) wait->Timer1->rearm(2);
    });
    h.dialogs.setHoldPolicy([&](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
        if (m.text != question) return std::nullopt;
        DialogRecorder::Hold hold;
        hold.forMs = 10000;
        hold.until = [&] { return gaveUp; };
        hold.answer = Dialogs::Answer::Yes;
        return hold;
    });
    if (duringQuestion)
        h.sim().send(GprsHarness::frame("F4 08"));
    else
        wait->Timer1->rearm(2);
    QVERIFY(QTest::qWaitFor([&] { return wait.isNull() && h.port().receivedTotal() >= before + 10; }, 15000));
    // The late answer has been read and acted on.
    QVERIFY(QTest::qWaitFor(
        [&] { return h.dialogs.openBoxes() == 0 && h.port().inBufferCount() == 0 && g::RxState == 0; }, 5000));
    QVERIFY(h.dialogs.describe().contains(kTimeOut));
    QCOMPARE(h.dialogs.describe().count(question), duringQuestion ? 1 : 0);
    QVERIFY(!h.timer("Timer3")->enabled());
    QVERIFY(!h.form()->dataCentreWait());
    QCOMPARE(h.sim().requests().size(), 1);
}

QTEST_MAIN(TestGprsMessageBoxes)
#include "tst_gprs_message_boxes.moc"
