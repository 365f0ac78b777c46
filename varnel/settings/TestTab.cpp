#include "TestTab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include "platform/FormBits.h"
#include "SettingsForm.h"
#include "core/ColonHexEntry.h"
#include "core/Globals.h"
#include "core/HexContentBox.h"
#include "core/MainWindow.h"
#include "core/Routines.h"
#include "core/TestSendWait.h"
#include "core/TrafficLog.h"
#include "core/protocol/TestFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FilterTextEdit.h"
#include "platform/VbTimer.h"

TestTab::TestTab(SettingsForm* form) : m_form(form) {
    setObjectName(QStringLiteral("TabTest"));
    auto* outer = new QHBoxLayout(this);
    auto* boxes = new QVBoxLayout;
    auto* side = new QVBoxLayout;
    outer->addLayout(boxes, 3);
    outer->addLayout(side, 1);

    for (int i = 0; i < 3; ++i) {
        TextBox[i] = new FilterTextEdit(this);
        Controls::setArrayName(TextBox[i], QStringLiteral("Text21"), i);
        TextBox[i]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        TextBox[i]->setTabChangesFocus(true);
    }
    TextBox[0]->setReadOnly(true);
    TextBox[2]->setReadOnly(true);
    const char* captions[6] = {"", "接收区", "源码区", "发送区", "发送方电话号码", "接收方电话号码"};
    for (int i = 1; i <= 5; ++i) {
        Label21[i] = new QLabel(QString::fromUtf8(captions[i]), this);
        Controls::setArrayName(Label21[i], QStringLiteral("Label21"), i);
    }
    Label31 = FormBits::label(this, QStringLiteral("模块地址"), "Label31");
    boxes->addWidget(Label21[2]);
    boxes->addWidget(TextBox[0], 2);
    boxes->addWidget(Label21[3]);
    boxes->addWidget(TextBox[1], 1);
    boxes->addWidget(Label21[1]);
    boxes->addWidget(TextBox[2], 1);

    SenderNumber = new QLineEdit(this);
    Controls::setArrayName(SenderNumber, QStringLiteral("Text21"), 3);
    ReceiverNumber = new QLineEdit(this);
    Controls::setArrayName(ReceiverNumber, QStringLiteral("Text21"), 4);
    ReceiverNumber->setMaxLength(11);
    Text22 = FormBits::edit(this, QString(), "Text22");

    auto* fields = new QGridLayout;
    fields->addWidget(Label31, 0, 0);
    fields->addWidget(Text22, 0, 1);
    fields->addWidget(Label21[5], 1, 0);
    fields->addWidget(ReceiverNumber, 1, 1);
    fields->addWidget(Label21[4], 2, 0);
    fields->addWidget(SenderNumber, 2, 1);
    side->addLayout(fields);
    const char* buttons[4] = {"读取短信", "发送状态", "发送短信", "复位"};
    for (int i = 0; i < 4; ++i) {
        Command21[i] = FormBits::arrayButton(this, QString::fromUtf8(buttons[i]), "Command21", i);
        side->addWidget(Command21[i]);
        Controls::onClick(Command21[i], this, [this, i] { press(i); });
    }
    side->addStretch(1);

    HexContentBox::attach(
        TextBox[1], [this] { return TestFrames::sendModeFromIndex(sendModeIndex()); },
        [this](const QString& count) {
            if (MainWindow* main = m_form ? m_form->mainWindow() : nullptr) main->setPanel(3, count);
        });
    Controls::installKeyFilter(Text22, [this](int& k) { addressRule(k); });
    TestSendWait::Hooks hooks;
    hooks.port = [this] { return m_form->port(); };
    hooks.written = [this](const TestSendWait::Request& r) {
        g::DollarPendingOp = r.pendingOp;
        appendLog(QStringLiteral("发射  "), TestFrames::hexText(r.bytes), m_form->port());
        emit requestWritten(r.bytes);
    };
    // Nothing went out: the connect dialog says why.
    hooks.lineGone = [this](const TestSendWait::Request&) { m_form->portReady(); };
    hooks.press = [this](int index) { press(index); };
    hooks.shown = [this] { return m_form->SSTab1->currentWidget() == this; };
    hooks.notSent = [this](const TestSendWait::Request&) {
        Dialogs::msgBox(m_form, TestFrames::notSentText(), TestFrames::messageTitle());
    };
    m_wait = new TestSendWait(this, &m_form->buttonLock(), std::move(hooks));
}

QString TestTab::sampleReceived() {
    return QStringLiteral("D7:01:01:38:00:13:80:00:00:0A:6D:4B:8B:D5:24:12:08:10:30:00:");
}

int TestTab::sendModeIndex() const {
    MainWindow* main = m_form ? m_form->mainWindow() : nullptr;
    return main ? main->sendMode() : 0;
}

void TestTab::addressRule(int& k) { ColonHexKey(Text22, k, true); }

void TestTab::press(int index) {
    if (m_wait->queueIfPending(index)) return;
    g::ParamMode = false;
    g::RxState = 0;
    if (index == 3) return;  // "复位" only resets the receive state

    TestFrames::TestInput in;
    // A line break in the box is CR LF, as the module is meant to get it.
    in.content = TextBox[1]->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    in.receiver = ReceiverNumber->text();
    in.address = Text22->text();
    in.mode = TestFrames::sendModeFromIndex(sendModeIndex());
    in.passive = g::WorkModeByte[0] == 0;
    in.formatted = g::TransModeByte[0] != 0;
    const TestFrames::Request r = TestFrames::buildRequest(index, in);
    if (r.refusal != TestFrames::Refusal::None) {
        Dialogs::msgBox(m_form, TestFrames::refusalText(r.refusal), TestFrames::messageTitle());
        return;
    }
    if (!m_form->portReady()) return;
    m_wait->start(Command21[index], {index, r.bytes, r.pendingOp});
}

bool TestTab::sendPending() const { return m_wait->pending(); }

void TestTab::stopWaiting() { m_wait->giveUp(); }

void TestTab::appendLog(const QString& prefix, const QString& hex, CommPort* sentOn) {
    QString entry;
    for (const QString& line : TestFrames::logLines(prefix, hex)) entry += line + QLatin1Char('\n');
    TrafficLog::append(TextBox[0], entry, sentOn);
}

void TestTab::sendModeChanged() { TextBox[1]->clear(); }

void TestTab::showSample() {
    g::RxText = sampleReceived();
    m_form->rTimer->setEnabled(true);
}

void TestTab::displayTick() {
    m_form->rTimer->setEnabled(false);
    g::RxState = 0;
    const QString text = g::RxText;
    appendLog(QStringLiteral("接收  "), text);
    const qsizetype n = text.size() / 3;
    // Too long to decode: logged only, the text kept.
    if (n > TestFrames::MaxDecodedBytes) return;
    g::RxText.clear();
    if (n == 0) return;
    const bool passive = g::WorkModeByte[0] == 0;
    const bool formatted = g::TransModeByte[0] != 0;
    const TestFrames::Decoded d = TestFrames::decode(TestFrames::fromHexText(text), passive, formatted,
                                                     TestFrames::sendModeFromIndex(sendModeIndex()));
    if (formatted && !d.senderBytes.isEmpty()) SenderNumber->setText(TestFrames::senderHexText(d.senderBytes));
    TextBox[2]->setPlainText(d.text + QLatin1Char('\n'));
}

void TestTab::showForModes() {
    const bool passive = g::WorkModeByte[0] == 0;
    for (QWidget* w : QList<QWidget*>{Label31, Text22, Command21[0], Command21[1]}) w->setVisible(passive);
    const bool formatted = g::TransModeByte[0] != 0;
    for (QWidget* w : QList<QWidget*>{SenderNumber, ReceiverNumber, Label21[4], Label21[5]})
        w->setVisible(formatted);
}
