// Lists whose index or text goes into a frame, or opens the port, take their
// items only. Whatever text reaches such a list - typed (its completion
// included), pasted, dropped or loaded, with Enter or without - no item is
// added, and the list's button either refuses with a message and sends
// nothing, or sends exactly what the list shows. Varnel's settings form and
// the connect dialog.

#include <QLineEdit>
#include <QPushButton>

#include "../VarnelHarness.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "tests/support/ListWays.h"
#include "varnel/settings/ParamSenders.h"
#include "varnel/settings/ParamTab.h"

namespace {

const QString kMode = QStringLiteral("你必须选择需要的工作方式");
const QString kRate = QStringLiteral("波特率无效，请从列表中选择");

}  // namespace

class TestListChoice : public QObject {
    Q_OBJECT

private slots:
    void formListsTakeOnlyTheirItems_data();
    void formListsTakeOnlyTheirItems();
    void connectDialogListsTakeOnlyTheirItems_data();
    void connectDialogListsTakeOnlyTheirItems();
    void typedOverWhileTheSequenceWaitsEndsIt();
};

void TestListChoice::formListsTakeOnlyTheirItems_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("refusal");
    const struct {
        const char* list;
        const char* text;
        const char* button;
        QString refusal;
    } rows[] = {
        {"Combo1", "abc", "Command5", kMode},
        {"Combo1", "主动", "Command5", kMode},
        {"Combo1", "被动方式", "Command5", kMode},
        {"Combo2", "透明方式3", "Command5", kMode},
        {"Combo2", " ", "Command5", kMode},
        {"Combo2", "格式传输", "Command5", kMode},
        {"Combo4", "hex", "Command5", QStringLiteral("地址类型无效，请从列表中选择")},
        {"Combo4", "R50模式", "Command5", QStringLiteral("地址类型无效，请从列表中选择")},
        {"Combo3", "9600", "Command6", kRate},
        {"Combo3", "9600bps ", "Command6", kRate},
        {"Combo3", "96O0", "Command6", kRate},
        {"Combo3", "9600BPS", "Command6", kRate},
        {"Combo3", "14400bps", "Command6", kRate},
        {"Combo3", "115200bps", "Command6", kRate},
    };
    for (const auto& r : rows)
        QTest::newRow(qPrintable(QStringLiteral("%1 \"%2\"").arg(r.list, QString::fromUtf8(r.text))))
            << QString::fromLatin1(r.list) << QString::fromUtf8(r.text) << QString::fromLatin1(r.button)
            << r.refusal;
}

void TestListChoice::formListsTakeOnlyTheirItems() {
    QFETCH(QString, list);
    QFETCH(QString, text);
    QFETCH(QString, button);
    QFETCH(QString, refusal);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    ParamTab* p = f->paramTab;
    auto* combo = p->findChild<QComboBox*>(list);
    auto* press = p->findChild<QPushButton*>(button);
    QVERIFY(combo && press);
    auto standOnItems = [&] {
        // The other work-mode lists stand on items; the address type on the
        // mode that lets it be chosen.
        Controls::setListIndexAndClick(p->Combo1, 0);
        Controls::setListIndexAndClick(p->Combo2, list == QStringLiteral("Combo4") ? 2 : 0);
    };
    ListWays::everyWay(combo, text, standOnItems, [&](const QString& how, const QString& shown) {
        const QString frame = ListWays::firstRequest(list, shown);
        h.dialogs.clear();
        const int from = int(h.sim().requests().size());
        QTest::mouseClick(press, Qt::LeftButton);
        if (frame.isEmpty()) {
            QVERIFY2(h.dialogs.describe().endsWith(": " + refusal), qPrintable(how + ": " + shown));
            QCOMPARE(combo->currentText(), shown);  // kept for the user to put right
            QVERIFY(!f->Timer1->enabled());
            for (QPushButton* b : f->coveredButtons()) QVERIFY(b->isEnabled());
            // Nothing went out: the next thing the module hears is a marker.
            h.port().output(VarnelHarness::frame("A9 02 3F"));
            QCOMPARE(h.waitFor(VarnelHarness::frame("A9 02 3F"), from), from);
        } else {
            QVERIFY2(h.waitFor(VarnelHarness::frame(frame.toLatin1().constData()), from) == from,
                     qPrintable(how + ": " + shown + " / " + h.dialogs.describe()));
            f->senders->stopChains();
        }
    });
}

void TestListChoice::connectDialogListsTakeOnlyTheirItems_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("port typed, connect") << "Combo1" << "COM9" << 0 << "串口号无效，请从列表中选择";
    QTest::newRow("port in lower case, connect") << "Combo1" << "c0m1" << 0 << "串口号无效，请从列表中选择";
    QTest::newRow("rate typed, connect") << "Combo2" << "96O0" << 0 << QString(kRate);
    QTest::newRow("rate typed, cancel") << "Combo2" << "19200" << 1 << QString(kRate);
}

void TestListChoice::connectDialogListsTakeOnlyTheirItems() {
    QFETCH(QString, list);
    QFETCH(QString, text);
    QFETCH(int, button);
    QFETCH(QString, refusal);
    VarnelHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    QComboBox* combo = list == QStringLiteral("Combo1") ? dlg->Combo1 : dlg->Combo2;
    const int items = combo->count();
    for (BoxInput::Way way : BoxInput::kWays) {
        QVERIFY(BoxInput::put(combo, text, way));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCOMPARE(combo->count(), items);
        QVERIFY2(combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive) < 0,
                 qPrintable(combo->currentText()));
        h.dialogs.clear();
        QTest::mouseClick(dlg->Command1[button], Qt::LeftButton);
        QVERIFY2(h.dialogs.describe().endsWith(": " + refusal), qPrintable(BoxInput::name(way)));
        QCOMPARE(h.main().connectDialog(), dlg);
        QVERIFY(dlg->Command1[0]->isEnabled());
        QVERIFY(!h.port().isOpen());
    }
    QCOMPARE(h.sim().receivedTotal(), quint64(0));
}

void TestListChoice::typedOverWhileTheSequenceWaitsEndsIt() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    ParamTab* p = f->paramTab;
    Controls::setListIndexAndClick(p->Combo1, 0);
    p->Combo2->setEditText(QStringLiteral("无"));
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(p->Command5, Qt::LeftButton);
    QVERIFY(h.waitFor(VarnelHarness::frame("F8 01 01"), from) == from);
    QVERIFY(h.dialogs.waitForMessage(1, 5000));  // the sequence asks for a transmission mode
    QVERIFY(BoxInput::put(p->Combo2, QStringLiteral("透明"), BoxInput::Way::Pasted));
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer1->enabled(); }, 5000));
    QVERIFY(h.dialogs.messageCount() >= 2);
    QCOMPARE(h.dialogs.lastText(), kMode);
    for (QPushButton* b : f->coveredButtons()) QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    h.port().output(VarnelHarness::frame("A9 02 3F"));
    QCOMPARE(h.waitFor(VarnelHarness::frame("A9 02 3F"), from + 1), from + 1);
}

QTEST_MAIN(TestListChoice)
#include "tst_list_choice.moc"
