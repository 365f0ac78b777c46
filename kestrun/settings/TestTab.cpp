#include "TestTab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>
#include <utility>

#include "SettingsForm.h"
#include "core/ColonHexEntry.h"
#include "core/Globals.h"
#include "core/HexContentBox.h"
#include "core/MainWindow.h"
#include "core/ProgramForms.h"
#include "core/Routines.h"
#include "core/TestSendWait.h"
#include "core/TrafficLog.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

using namespace TestFrames;

// --- the tab ----------------------------------------------------------------------

namespace {

QLabel* label(QWidget* parent, const char* text, const QString& name) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(name);
    return l;
}

// The log and the received text are written by the program only.
void makeOutputBox(TestTextBox* box) {
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

}  // namespace

TestTab::TestTab(SettingsForm* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabTest"));
    auto* outer = new QHBoxLayout(this);
    auto* boxes = new QVBoxLayout;
    auto* side = new QVBoxLayout;
    outer->addLayout(boxes, 3);
    outer->addLayout(side, 1);

    for (int i = 0; i < 3; ++i) {
        TextBox[i] = new TestTextBox(this);
        Controls::setArrayName(TextBox[i], QStringLiteral("Text21"), i);
        TextBox[i]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        TextBox[i]->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    }
    makeOutputBox(TextBox[0]);
    makeOutputBox(TextBox[2]);
    Label21[1] = label(this, "接收区", Controls::arrayName(QStringLiteral("Label21"), 1));
    Label21[2] = label(this, "源码区", Controls::arrayName(QStringLiteral("Label21"), 2));
    Label21[3] = label(this, "发送区", Controls::arrayName(QStringLiteral("Label21"), 3));
    Label21[4] = label(this, "发送方电话号码", Controls::arrayName(QStringLiteral("Label21"), 4));
    Label21[5] = label(this, "接收方电话号码", Controls::arrayName(QStringLiteral("Label21"), 5));
    Label31 = label(this, "模块地址", QStringLiteral("Label31"));
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
    Text22 = new QLineEdit(this);
    Text22->setObjectName(QStringLiteral("Text22"));

    auto* fields = new QGridLayout;
    fields->addWidget(Label31, 0, 0);
    fields->addWidget(Text22, 0, 1);
    fields->addWidget(Label21[5], 1, 0);
    fields->addWidget(ReceiverNumber, 1, 1);
    fields->addWidget(Label21[4], 2, 0);
    fields->addWidget(SenderNumber, 2, 1);
    side->addLayout(fields);
    const char* captions[4] = {"读取短信", "发送状态", "发送短信", "复位"};
    for (int i = 0; i < 4; ++i) {
        Command21[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        Controls::setArrayName(Command21[i], QStringLiteral("Command21"), i);
        side->addWidget(Command21[i]);
        Controls::onClick(Command21[i], this, [this, i] { press(i); });
    }
    side->addStretch(1);

    HexContentBox::attach(
        TextBox[1], [this] { return sendMode(); },
        [this](const QString& count) {
            if (MainWindow* main = m_form ? m_form->mainWindow() : nullptr) main->setPanel(3, count);
        });
    Controls::installKeyFilter(Text22, [this](int& k) { addressRule(k); });

    TestSendWait::Hooks hooks;
    hooks.port = [this] { return m_form->port(); };
    hooks.written = [this](const TestSendWait::Request& r) {
        if (r.index != 2) g::DollarPendingOp = r.pendingOp;
        appendLog(QStringLiteral("发射  "), hexText(r.bytes), m_form->port());
        emit requestWritten(r.bytes);
    };
    hooks.lineGone = [this](const TestSendWait::Request&) {
        // Nothing went out: nothing is awaited either.
        g::DollarPendingOp = m_pendingOpBefore;
        m_form->portReady();
    };
    hooks.after = [this] { afterSend(); };
    hooks.press = [this](int index) { press(index); };
    hooks.shown = [this] { return m_form->SSTab1->currentWidget() == this; };
    hooks.notSent = [this](const TestSendWait::Request& r) {
        if (r.pendingOp) g::DollarPendingOp = m_pendingOpBefore;
        Dialogs::msgBox(m_form, TestFrames::notSentText(), TestFrames::messageTitle());
    };
    m_wait = new TestSendWait(this, &m_form->buttonLock(), std::move(hooks));

    // The form builds its timers after its pages.
    QMetaObject::invokeMethod(
        this, [this] { wireDisplay(); }, Qt::QueuedConnection);
}

void TestTab::wireDisplay() {
    if (m_displayWired || !m_form || !m_form->rTimer) return;
    connect(m_form->rTimer, &VbTimer::tick, this, &TestTab::displayTick);
    m_displayWired = true;
}

SendMode TestTab::sendMode() const {
    MainWindow* main = m_form ? m_form->mainWindow() : nullptr;
    return sendModeFromIndex(main ? main->sendMode() : 0);
}

// --- typing rules ---------------------------------------------------------------

void TestTab::addressRule(int& k) { ColonHexKey(Text22, k, true); }

// --- requests ---------------------------------------------------------------------

TestInput TestTab::currentInput() const {
    TestInput in;
    // A line break in the box is CR LF, as the module is meant to get it.
    in.content = TextBox[1]->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    in.receiver = ReceiverNumber->text();
    in.address = Text22->text();
    in.mode = sendMode();
    in.passive = g::WorkModeByte[0] == 0;
    in.formatted = g::TransModeByte[0] != 0;
    return in;
}

void TestTab::press(int index) {
    if (m_wait->queueIfPending(index)) return;
    g::ParamMode = false;
    g::RxState = 0;
    QPushButton* button = Command21[index];
    if (index == 3) {
        button->setEnabled(false);  // "复位" only resets the receive state
        return;
    }
    m_wait->busy(button);

    const Request r = buildRequest(index, currentInput());
    if (r.refusal != Refusal::None) {
        Dialogs::msgBox(m_form, refusalText(r.refusal), messageTitle());
        m_wait->done(button);
        return;
    }
    if (!m_form->portReady()) {
        m_wait->done(button);
        return;
    }
    m_pendingOpBefore = g::DollarPendingOp;
    if (index == 2) g::DollarPendingOp = 3;
    m_wait->start(button, {index, r.bytes, r.pendingOp});
}

bool TestTab::sendPending() const { return m_wait->pending(); }

void TestTab::stopWaiting() {
    if (m_wait->pending()) g::DollarPendingOp = m_pendingOpBefore;
    m_wait->giveUp();
    if (std::exchange(m_displayDeferred, false) && !m_form->rTimer->enabled()) displayTick();
}

void TestTab::afterSend() {
    // What arrived during the wait is taken now, then the display that fell
    // due meanwhile (unless new data restarted it), then the next press.
    MainWindow* main = m_form->mainWindow();
    if (main && main->forms() && g::RecvMode == 101 && m_form->port() && m_form->port()->inBufferCount() > 0)
        main->forms()->receiveModuleAnswer();
    if (m_wait->pending()) return;
    if (m_displayDeferred) {
        m_displayDeferred = false;
        if (!m_form->rTimer->enabled()) displayTick();
    }
}

// --- log and display ----------------------------------------------------------------

void TestTab::appendLog(const QString& prefix, const QString& hex, CommPort* sentOn) {
    QString entry;
    for (const QString& line : logLines(prefix, hex)) entry += line + QLatin1Char('\n');
    // The installer's selection stays; otherwise the caret follows the log.
    TrafficLog::append(TextBox[0], entry, sentOn, true);
}

void TestTab::restartDisplay() {
    wireDisplay();
    m_form->rTimer->rearm(DisplayDelayMs);
}

bool TestTab::displayIdle() const { return !m_form->rTimer->enabled() && !m_displayDeferred; }

void TestTab::sendModeChanged() { TextBox[1]->clear(); }

void TestTab::showSample() {
    wireDisplay();
    g::RxText = sampleReceived();
    m_form->rTimer->setEnabled(true);
}

void TestTab::displayTick() {
    m_form->rTimer->setEnabled(false);
    if (m_wait->pending()) {
        m_displayDeferred = true;
        return;
    }
    // The test machine's message ends here; when another tab took over
    // meanwhile, the parameter machine's state is its own.
    if (!g::ParamMode) {
        g::RxState = 0;
        if (CommPort* port = m_form->port()) {
            port->setRThreshold(1);
            port->setInputLen(1);
        }
    }
    const QString text = g::RxText;
    g::RxText.clear();
    appendLog(QStringLiteral("接收  "), text);
    const qsizetype n = text.size() / 3;
    // Too long to decode: logged once and dropped, so the next message
    // starts afresh instead of being appended to this one for ever.
    if (n > MaxDecodedBytes || n == 0) return;
    const bool passive = g::WorkModeByte[0] == 0;
    const bool formatted = g::TransModeByte[0] != 0;
    const Decoded d = decode(fromHexText(text), passive, formatted, sendMode());
    if (formatted && d.sender) SenderNumber->setText(*d.sender);
    TextBox[2]->setPlainText(d.text + QLatin1Char('\n'));
}
