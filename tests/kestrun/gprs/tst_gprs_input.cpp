// What the GPRS settings form's boxes send: exactly what they show, or
// nothing with a message, whichever way the text came in.

#include "GprsHarness.h"
#include "tests/support/BoxInput.h"

class TestGprsInput : public QObject {
    Q_OBJECT
private slots:
    void valuesPastTheirFieldsAreRefusedByName_data();
    void valuesPastTheirFieldsAreRefusedByName();
};

namespace {
const char* const kIncomplete = "模块设置时参数不全";
}

void TestGprsInput::valuesPastTheirFieldsAreRefusedByName_data() {
    // A box and the text loaded into it, the button, the modes the terminal
    // works in, then what must come: a message naming the rule (nothing
    // sent), or the frame sent.
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("work");
    QTest::addColumn<int>("trans");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("sent");
    const QString beat = "心跳时间应为 0 到 65535 之间的整数（秒）";
    const QString restart = "模块重起次数应为 0 到 255 之间的整数";
    const QString idle = "醒后空闲时间应为 0 到 26214000 之间的整数（ms）";
    const QString data = "醒后数据时间应为 0 到 26214000 之间的整数（ms）";
    const QString passive = "被动方式下地址是两字节，以ASCII表示";
    const QString module = "模块地址应为两个字节的十六进制数，如 31:32:";
    const QString receiver = "接收方地址应为两个字节的十六进制数，如 00:05:";
    QTest::newRow("heartbeat over") << "Text4" << "65536" << 2 << 1 << 1 << beat << "";
    QTest::newRow("heartbeat not a number") << "Text4" << "3中" << 2 << 1 << 1 << beat << "";
    QTest::newRow("heartbeat empty") << "Text4" << "" << 2 << 1 << 1 << kIncomplete << "";
    QTest::newRow("heartbeat top") << "Text4" << "65535" << 2 << 1 << 1 << "" << "F6 01 FF FF";
    QTest::newRow("restart over") << "Text10" << "256" << 2 << 1 << 1 << restart << "";
    QTest::newRow("restart negative") << "Text10" << "-1" << 2 << 1 << 1 << restart << "";
    QTest::newRow("restart with text") << "Text10" << "5abc" << 2 << 1 << 1 << restart << "";
    QTest::newRow("restart fraction") << "Text10" << "1.5" << 2 << 1 << 1 << restart << "";
    QTest::newRow("restart empty") << "Text10" << "" << 2 << 1 << 1 << kIncomplete << "";
    QTest::newRow("idle over") << "Text11" << "26214001" << 9 << 1 << 1 << idle << "";
    QTest::newRow("idle empty") << "Text11" << "" << 9 << 1 << 1 << kIncomplete << "";
    QTest::newRow("data negative") << "Text12" << "-400" << 9 << 1 << 1 << data << "";
    QTest::newRow("data top") << "Text12" << "26214000" << 9 << 1 << 1 << "" << "D2 01 00 02 FF FF";
    QTest::newRow("passive three digits") << "Text9" << "255" << 11 << 1 << 1 << passive << "";
    QTest::newRow("passive wide character") << "Text9" << "中" << 11 << 1 << 1 << passive << "";
    QTest::newRow("passive empty") << "Text9" << "" << 11 << 1 << 1 << kIncomplete << "";
    QTest::newRow("passive two") << "Text9" << "12" << 11 << 1 << 1 << "" << "E2 01 31 32";
    QTest::newRow("module address short") << "Text1(4)" << "31:3" << 3 << 0 << 0 << module << "";
    QTest::newRow("module address empty") << "Text1(4)" << "" << 7 << 0 << 0 << module << "";
    QTest::newRow("module address not hex") << "Text1(4)" << "3G:32:" << 3 << 0 << 0 << module << "";
    QTest::newRow("module address long") << "Text1(4)" << "31:32:33:" << 3 << 0 << 0 << module << "";
    QTest::newRow("receiver empty") << "Text1(6)" << "" << 1 << 1 << 1 << receiver << "";
    QTest::newRow("receiver no colon") << "Text1(6)" << "1234" << 1 << 1 << 1 << receiver << "";
    QTest::newRow("rate without a code") << "Combo7" << "9600" << 8 << 1 << 1 << "波特率只能是 1200bps 到 115200bps 之一"
                                         << "";
    QTest::newRow("rate") << "Combo7" << "115200bps" << 8 << 1 << 1 << "" << "F2 01 0B";
    const QString bytes65536 = QStringLiteral("41:").repeated(65536);
    const QString tooLong = "发送的数据不能超过 %1 字节";
    QTest::newRow("formatted 65536") << "Text1(1)" << bytes65536 << 1 << 1 << 1 << tooLong.arg(65535) << "";
    QTest::newRow("passive 65536") << "Text1(1)" << bytes65536 << 1 << 0 << 0 << tooLong.arg(65535) << "";
    QTest::newRow("passive formatted 65530") << "Text1(1)" << QStringLiteral("41:").repeated(65530) << 1 << 0
                                             << 1 << tooLong.arg(65529) << "";
    QTest::newRow("send area not hex") << "Text1(1)" << "41:4中:" << 1 << 1 << 0
                                       << "发送区只能是十六进制数（0-9、A-F），每个字节后跟“:”" << "";
    QTest::newRow("formatted 65535") << "Text1(1)" << QStringLiteral("41:").repeated(65535) << 1 << 1 << 1 << ""
                                     << "D7 01 12 34 FF FF 41";
}

void TestGprsInput::valuesPastTheirFieldsAreRefusedByName() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(int, button);
    QFETCH(int, work);
    QFETCH(int, trans);
    QFETCH(QString, message);
    QFETCH(QString, sent);
    GprsHarness h;
    QVERIFY(h.openForm(1));
    g::WorkModeByte[0] = uint8_t(work);
    g::TransModeByte[0] = uint8_t(trans);
    h.setText("Text1(4)", "31:32:");
    h.setText("Text1(6)", "12:34:");
    h.setText("Text1(1)", "41:");
    // As a refresh leaves them: the boxes hold what the module does.
    for (const char* b : {"Text9", "Text10", "Text11", "Text12"}) {
        const QString held = h.text(b);
        h.setText(b, QString());
        h.setText(b, held);
    }
    h.f<QRadioButton>("Option7")->click();
    QWidget* w = h.f<QWidget>(box);
    QVERIFY(w);
    QVERIFY(BoxInput::put(w, text, BoxInput::Way::Loaded));
    QTest::mouseClick(h.button(button), Qt::LeftButton);
    if (message.isEmpty()) {
        const QString wanted = hex(fromHex(qPrintable(sent)));
        QVERIFY2(QTest::qWaitFor([&] { return h.requestsFrom(0).join(" | ").contains(wanted); }, 6000),
                 qPrintable(h.dialogs.describe() + h.requestsFrom(0).join(" | ").left(200)));
        QCOMPARE(h.dialogs.messageCount(), 0);
        return;
    }
    QCOMPARE(h.dialogs.lastText(), message);
    QCOMPARE(h.dialogs.messages().last().title, QStringLiteral("系统提示"));
    QTest::qWait(300);
    QVERIFY(h.sim().requests().isEmpty());
    QCOMPARE(BoxInput::shown(w), text);
    QVERIFY(h.allButtonsEnabled());
}

QTEST_MAIN(TestGprsInput)
#include "tst_gprs_input.moc"
