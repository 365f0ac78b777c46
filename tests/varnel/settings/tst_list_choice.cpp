// Lists whose index or text goes into a frame, or opens the port, take their
// items only: text typed over them (and Enter) adds no item, and is either
// refused with a message before anything is sent, or is an item's text and
// goes out as that item. Varnel's settings form and the connect dialog.

#include <QLineEdit>
#include <QPushButton>

#include "../VarnelHarness.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "varnel/settings/ParamTab.h"

using SimSupport::hex;

namespace {

// The text put over the list as a paste does; then Enter, when asked.
void typeOver(QComboBox* c, const QString& text, bool enter) {
    QLineEdit* e = c->lineEdit();
    e->setFocus();
    e->setText(text);
    if (enter) QTest::keyClick(e, Qt::Key_Return);
}

}  // namespace

class TestListChoice : public QObject {
    Q_OBJECT

private slots:
    void listsTakeOnlyTheirItems_data();
    void listsTakeOnlyTheirItems();
};

void TestListChoice::listsTakeOnlyTheirItems_data() {
    QTest::addColumn<QString>("list");  // objectName; "dialog:" for the connect dialog's
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<QString>("button");   // pressed afterwards
    QTest::addColumn<QString>("refusal");  // the message, or "" when a frame goes out
    QTest::addColumn<QString>("sent");     // the first request after the preamble
    const QString mode = QStringLiteral("你必须选择需要的工作方式");
    const QString rate = QStringLiteral("波特率无效，请从列表中选择");
    const struct {
        const char* name;
        const char* list;
        const char* typed;
        bool enter;
        const char* button;
        QString refusal;
        const char* sent;
    } rows[] = {
        {"work mode typed", "Combo1", "abc", true, "Command5", mode, ""},
        {"work mode, a part of an item", "Combo1", "主动", false, "Command5", mode, ""},
        {"work mode, an item typed", "Combo1", "被动方式", true, "Command5", "", "F8 01 00"},
        {"transmission typed", "Combo2", "透明方式3", true, "Command5", mode, ""},
        {"transmission, a blank", "Combo2", " ", true, "Command5", mode, ""},
        {"address type typed", "Combo4", "hex", true, "Command5", "地址类型无效，请从列表中选择", ""},
        {"rate without bps", "Combo3", "9600", true, "Command6", rate, ""},
        {"rate with a blank", "Combo3", "9600bps ", false, "Command6", rate, ""},
        {"rate in capitals becomes the item", "Combo3", "9600BPS", true, "Command6", "", "F2 01 06"},
        {"rate the module knows, not listed", "Combo3", "14400bps", true, "Command6", "", "F2 01 07"},
        {"rate, an item typed", "Combo3", "115200bps", true, "Command6", "", "F2 01 0B"},
        {"connect: port typed", "dialog:Combo1", "COM9", true, "Command1(0)", "串口号无效，请从列表中选择", ""},
        {"connect: rate typed", "dialog:Combo2", "9600", true, "Command1(0)", rate, ""},
        {"cancel: rate typed", "dialog:Combo2", "19200", false, "Command1(1)", rate, ""},
        {"connect: an item typed", "dialog:Combo2", "9600bps", true, "Command1(0)", "", "FE 03"},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << QString::fromUtf8(r.list) << QString::fromUtf8(r.typed) << r.enter
                              << QString::fromLatin1(r.button) << r.refusal << QString::fromLatin1(r.sent);
}

void TestListChoice::listsTakeOnlyTheirItems() {
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(bool, enter);
    QFETCH(QString, button);
    QFETCH(QString, refusal);
    QFETCH(QString, sent);
    VarnelHarness h;
    QWidget* owner = nullptr;
    if (list.startsWith(QStringLiteral("dialog:"))) {
        owner = h.openConnectDialog();
        list = list.mid(7);
    } else {
        QVERIFY(h.connectToForm());
        ParamTab* p = h.form()->paramTab;
        // The other work-mode lists stand on items, the address type on the
        // mode that lets it be chosen.
        Controls::setListIndexAndClick(p->Combo1, 0);
        Controls::setListIndexAndClick(p->Combo2, list == QStringLiteral("Combo4") ? 2 : 0);
        owner = p;
    }
    QVERIFY(owner);
    auto* combo = owner->findChild<QComboBox*>(list);
    QVERIFY(combo);
    const int items = combo->count();
    const int from = int(h.sim().requests().size());
    const quint64 written = h.port().isOpen() ? h.sim().receivedTotal() : 0;
    typeOver(combo, typed, enter);
    QCOMPARE(combo->count(), items);  // Enter made nothing an item
    h.dialogs.clear();
    QTest::mouseClick(owner->findChild<QPushButton*>(button), Qt::LeftButton);
    if (!refusal.isEmpty()) {
        QCOMPARE(h.dialogs.describe().section(QStringLiteral(": "), 1), refusal);
        QCOMPARE(combo->currentText(), typed);  // kept for the user to put right
        if (owner != h.main().connectDialog()) {
            QVERIFY(!h.form()->Timer1->enabled());
            for (QPushButton* b : h.form()->coveredButtons()) QVERIFY(b->isEnabled());
        }
        // Nothing went out: the next thing the module hears is a marker.
        if (h.port().isOpen()) {
            h.port().output(VarnelHarness::frame("A9 02 3F"));
            QCOMPARE(h.waitFor(VarnelHarness::frame("A9 02 3F"), from), from);
        } else {
            QVERIFY(h.sim().receivedTotal() == written && h.sim().requests().size() == from);
        }
        return;
    }
    QVERIFY2(h.waitFor(VarnelHarness::frame(sent.toLatin1().constData()), from) == from,
             qPrintable(h.dialogs.describe()));
}

QTEST_MAIN(TestListChoice)
#include "tst_list_choice.moc"
