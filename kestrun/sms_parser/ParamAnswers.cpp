// Short parameter answers: states 2 to 15 and 20. Each shows its value on
// the settings form and proposes the refresh's next query in RefreshStep.
// The same handler serves the answer to a query and the echo of a write.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "kestrun/settings/SettingsForm.h"
#include "core/protocol/ParamFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/text/TextCodec.h"

namespace {

using Rx = SmsAnswerReceiver;
using Controls::ClickWhen;

// Element k of an answer is frame byte 9 + k; a handler only runs once its
// count has arrived, so every element it uses is there.
uint8_t at(const QByteArray& b, int k) { return k < b.size() ? uint8_t(b[k]) : 0; }

void setVisible(SettingsForm* f, const char* name, bool visible) {
    if (auto* w = f->control<QWidget>(QString::fromLatin1(name))) w->setVisible(visible);
}

// The communication-test controls that only passive mode uses.
void showPassiveControls(SettingsForm* f, bool passive) {
    for (const char* n : {"Label31", "Text22", "Command21(0)", "Command21(1)"}) setVisible(f, n, passive);
    setVisible(f, "Command21(2)", true);
}

void showNumberFields(SettingsForm* f, bool formatted) {
    for (const char* n : {"Label21(4)", "Label21(5)", "Text21(3)", "Text21(4)"}) setVisible(f, n, formatted);
}

void onModuleStatus(Rx& rx) {
    const uint8_t status = at(rx.read(), 0);
    if (status == 1) {
        Dialogs::msgBox(rx.form(), QStringLiteral("模块初始化已经完成，您可以设置参数了"), QStringLiteral("提示信息"));
        rx.toHunt();
    } else if (status == 2 || status == 3) {
        rx.toHunt();
    }
    // Any other status: the next byte is taken as a status in the same way.
}

void onWorkMode(Rx& rx) {
    const QByteArray b = rx.read();
    const uint8_t mode = at(b, 1);
    g::WorkModeByte[0] = mode;
    const bool passive = mode == 0;
    g::RefreshStep = passive ? 5 : 6;
    if (SettingsForm* f = rx.form()) {
        f->Label3->setText(passive ? QStringLiteral("被动方式") : QStringLiteral("主动方式"));
        // The list's own click only enables or disables the address box.
        Controls::setListIndexAndClick(f->Combo1, passive ? 1 : 0, ClickWhen::Always);
        showPassiveControls(f, passive);
    }
    rx.toHunt();
}

void onTransMode(Rx& rx) {
    const QByteArray b = rx.read();
    const uint8_t mode = at(b, 1);
    g::TransModeByte[0] = mode;
    const bool transparent = mode == 0;
    if (SettingsForm* f = rx.form()) {
        f->Label4->setText(transparent ? QStringLiteral("透明传输") : QStringLiteral("格式传输"));
        // Selected while RxState is still this state: the list's click
        // (which would open the number picker) stays out of it.
        Controls::setListIndexAndClick(f->Combo2, transparent ? 1 : 0, ClickWhen::Always);
        showNumberFields(f, !transparent);
    }
    g::RefreshStep = transparent ? 7 : 10;
    rx.toHunt();
}

void onReceiverNumber(Rx& rx) {
    const QByteArray b = rx.read();
    if (SettingsForm* f = rx.form()) {
        f->Label6->setText(ParamFrames::receiverNumberText(b, 2));
        f->Text2->setText(f->Label6->text());
    }
    g::RefreshStep = 10;
    rx.toHunt();
}

void onPasswordUse(Rx& rx) {
    const QByteArray b = rx.read();
    const uint8_t use = at(b, 1);
    if (SettingsForm* f = rx.form()) {
        // Showing what the module holds never writes back to it: the
        // options' click (the password-use write) is left out.
        if (use == 0) {
            f->Label10->setText(QStringLiteral("无密码"));
            Controls::setValueQuiet(f->Option2, true);
            Controls::setValueAndClick(f->Check3, false);
            Controls::setValueAndClick(f->Check4, false);
        } else {
            f->Label10->setText(QStringLiteral("有密码"));
            Controls::setValueQuiet(f->Option1, true);
            if (use >= 1 && use <= 3) {
                Controls::setValueAndClick(f->Check3, (use & 1) != 0);
                Controls::setValueAndClick(f->Check4, (use & 2) != 0);
            }
        }
    }
    g::RefreshStep = use == 0 ? 4 : 3;
    rx.toHunt();
}

void onPassword(Rx& rx) {
    const QByteArray b = rx.read();
    if (SettingsForm* f = rx.form()) f->Label5->setText(ParamFrames::hexPairsWithColons(b, 1, 4));
    g::RefreshStep = 4;
    rx.toHunt();
}

// Twelve bytes are the version; a shorter text, judged once the line has
// gone quiet, acknowledges the identity write.
void onVersion(Rx& rx) {
    const int waiting = rx.waiting();
    if (waiting >= 12) {
        SettingsForm* f = rx.form();
        if (f && rx.port()) f->Label7->setText(ParamFrames::portRateText(rx.port()->settings()));
        const QByteArray b = rx.read();
        if (f) f->Label8->setText(TextCodec::bytesToChars(b.mid(1, 11)).trimmed());
        g::RefreshStep = 1;
        rx.toHunt();
        return;
    }
    if (!rx.quiet() || waiting < 6) return;  // more may come
    // Read and shown here only: the communication test's text stays as it was.
    const QString text = TextCodec::fromGbk(rx.readAll());
    QWidget* parent = rx.form();
    if (text.contains(QStringLiteral("SETOK:")))
        Dialogs::msgBox(parent, QStringLiteral("设置成功"), QStringLiteral("提示！！"), Dialogs::Icon::Information);
    if (text.contains(QStringLiteral("SETFAIL:")))
        Dialogs::msgBox(parent, QStringLiteral("设置错误 "), QStringLiteral("提示！！"), Dialogs::Icon::Exclamation);
    rx.toHunt();
}

void onAddress(Rx& rx) {
    const QByteArray b = rx.read();
    if (SettingsForm* f = rx.form()) {
        f->Label9->setText(ParamFrames::hexPairsWithColons(b, 1, 2));
        f->Text3->setText(f->Label9->text());
    }
    g::RefreshStep = 6;
    rx.toHunt();
}

void onBaudWritten(Rx& rx) {
    rx.read();
    rx.toHunt();
}

void onRestartTime(Rx& rx) {
    const QByteArray b = rx.read();
    if (SettingsForm* f = rx.form()) {
        f->Text4->setText(ParamFrames::restartSecondsText(int32_t(ParamFrames::bigEndian(b, 1, 4))));
        f->Label12->setText(f->Text4->text());
    }
    g::RefreshStep = 2;
    rx.toHunt();
}

void onSubMode(Rx& rx) {
    const QByteArray b = rx.read();
    const bool second = at(b, 1) == 0;
    g::RefreshStep = second ? 9 : 8;
    if (SettingsForm* f = rx.form()) {
        f->Label4->setText(second ? QStringLiteral("透明方式2") : QStringLiteral("透明方式1"));
        Controls::setListIndexAndClick(f->Combo2, second ? 2 : 1, ClickWhen::Always);
        for (QWidget* w : std::initializer_list<QWidget*>{f->Combo4, f->Text5, f->Text6, f->Text7}) w->setEnabled(second);
    }
    rx.toHunt();
}

void onNumberMask(Rx& rx) {
    const QByteArray b = rx.read();
    // Unsigned: every mask the work-mode chain can send shows as itself.
    if (SettingsForm* f = rx.form()) f->TextDXPhone->setText(QString::number(ParamFrames::bigEndian(b, 1, 4)));
    g::RefreshStep = 10;
    rx.toHunt();
}

void onPowerSaving(Rx& rx) {
    const QByteArray b = rx.read();
    const bool on = at(b, 1) != 0;
    g::RefreshStep = on ? 11 : 100;
    if (SettingsForm* f = rx.form()) {
        f->Label19->setText(on ? QStringLiteral("有省电") : QStringLiteral("无省电"));
        Controls::setValueAndClick(on ? f->Option5 : f->Option6, true);
    }
    rx.toHunt();
}

void onWakeDelays(Rx& rx) {
    const QByteArray b = rx.read();
    if (SettingsForm* f = rx.form()) {
        const auto t = ParamFrames::wakeDelayTexts(uint16_t(ParamFrames::bigEndian(b, 1, 2)),
                                                   uint16_t(ParamFrames::bigEndian(b, 3, 2)));
        f->Label22->setText(t.label);
        f->Text11->setText(t.idleMs);
        f->Text13->setText(t.dataMs);
    }
    g::RefreshStep = 12;
    rx.toHunt();
}

void onWakeMode(Rx& rx) {
    const QByteArray b = rx.read();
    const bool mode1 = at(b, 1) == 0;
    if (SettingsForm* f = rx.form()) {
        f->Label30->setText(mode1 ? QStringLiteral("模式1") : QStringLiteral("模式2"));
        Controls::setValueAndClick(mode1 ? f->Option7 : f->Option8, true);
    }
    g::RefreshStep = 13;
    rx.toHunt();
}

}  // namespace

void installParamAnswers(SmsAnswerReceiver& receiver) {
    receiver.registerAnswerHandler(0xFD, onModuleStatus);
    receiver.registerAnswerHandler(0xF8, onWorkMode);
    receiver.registerAnswerHandler(0xF9, onTransMode);
    receiver.registerAnswerHandler(0xA2, onReceiverNumber);
    receiver.registerAnswerHandler(0xA1, onPasswordUse);
    receiver.registerAnswerHandler(0xF1, onPassword);
    receiver.registerAnswerHandler(0xEC, onVersion, SmsAnswerReceiver::Wait::Quiet);
    receiver.registerAnswerHandler(0xE2, onAddress);
    receiver.registerAnswerHandler(0xF2, onBaudWritten);
    receiver.registerAnswerHandler(0xA3, onRestartTime);
    receiver.registerAnswerHandler(0xFB, onSubMode);
    receiver.registerAnswerHandler(0xE1, onNumberMask);
    receiver.registerAnswerHandler(0xD3, onPowerSaving);
    receiver.registerAnswerHandler(0xD2, onWakeDelays);
    receiver.registerAnswerHandler(0xDB, onWakeMode);
}
