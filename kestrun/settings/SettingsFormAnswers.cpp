// The settings form shows what the SMS module's answers say: the answer
// receiver decodes, the form applies.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "AlarmTab.h"
#include "OutputTab.h"
#include "SettingsForm.h"
#include "TestTab.h"
#include "core/protocol/ParamFrames.h"
#include "core/protocol/TestFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"

namespace {

using Controls::ClickWhen;
using Kind = Answers::ParamAnswer::Kind;

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

}  // namespace

void SettingsForm::applyParamAnswer(const Answers::ParamAnswer& a) {
    switch (a.kind) {
        case Kind::WorkMode:
            Label3->setText(a.text);
            // The list's own click only enables or disables the address box.
            Controls::setListIndexAndClick(Combo1, a.flag ? 1 : 0, ClickWhen::Always);
            showPassiveControls(this, a.flag);
            break;
        case Kind::TransMode:
            Label4->setText(a.text);
            // Selected while RxState is still the answer's state: the list's
            // click (which would open the number picker) stays out of it.
            Controls::setListIndexAndClick(Combo2, a.flag ? 1 : 0, ClickWhen::Always);
            showNumberFields(this, !a.flag);
            break;
        case Kind::ReceiverNumber:
            Label6->setText(a.text);
            Text2->setText(Label6->text());
            break;
        case Kind::PasswordUse:
            // Showing what the module holds never writes back to it: the
            // options' click (the password-use write) is left out.
            Label10->setText(a.text);
            if (a.value == 0) {
                Controls::setValueQuiet(Option2, true);
                Controls::setValueAndClick(Check3, false);
                Controls::setValueAndClick(Check4, false);
            } else {
                Controls::setValueQuiet(Option1, true);
                if (a.value >= 1 && a.value <= 3) {
                    Controls::setValueAndClick(Check3, (a.value & 1) != 0);
                    Controls::setValueAndClick(Check4, (a.value & 2) != 0);
                }
            }
            break;
        case Kind::Password:
            // The box the password write takes it from shows it too, as the
            // receiver number and the address do.
            Label5->setText(a.text);
            Text1->setText(Label5->text());
            break;
        case Kind::Version:
            if (port()) {
                // The module answers at the line's rate: that is its rate,
                // and what the rate write sends unless the user picks another.
                Label7->setText(ParamFrames::portRateText(port()->settings()));
                Controls::setListIndexQuiet(Combo3, Combo3->findText(Label7->text()));
                if (Combo3->currentIndex() < 0) Combo3->setEditText(Label7->text());
            }
            Label8->setText(a.text);
            break;
        case Kind::Address:
            Label9->setText(a.text);
            Text3->setText(Label9->text());
            break;
        case Kind::RestartTime:
            Text4->setText(a.text);
            Label12->setText(Text4->text());
            break;
        case Kind::SubMode:
            Label4->setText(a.text);
            Controls::setListIndexAndClick(Combo2, a.flag ? 2 : 1, ClickWhen::Always);
            for (QWidget* w : std::initializer_list<QWidget*>{Combo4, Text5, Text6, Text7})
                w->setEnabled(a.flag);
            break;
        case Kind::NumberMask:
            TextDXPhone->setText(a.text);
            break;
        case Kind::PowerSaving:
            Label19->setText(a.text);
            Controls::setValueAndClick(a.flag ? Option5 : Option6, true);
            break;
        case Kind::WakeDelays:
            Label22->setText(a.text);
            Text11->setText(a.idleMs);
            Text13->setText(a.dataMs);
            break;
        case Kind::WakeMode:
            Label30->setText(a.text);
            Controls::setValueAndClick(a.flag ? Option7 : Option8, true);
            break;
        case Kind::ModuleStatus:
        case Kind::BaudWritten:
        case Kind::Unknown:
            break;
    }
}

void SettingsForm::applyPhoneTable(const QStringList& numbers) {
    FlexGrid* grid = phoneGrid();
    if (!grid) return;
    grid->setRows(int(numbers.size()) + 1);
    for (int r = 1; r <= numbers.size(); ++r) {
        grid->setTextMatrix(r, 1, QString::number(r));
        grid->setTextMatrix(r, 2, numbers.at(r - 1));
    }
}

void SettingsForm::clearPhoneTable() {
    if (FlexGrid* grid = phoneGrid()) grid->setRows(1);
}

void SettingsForm::applyAlarmBlock(const SettingsRecords::AlarmBlock& block) { alarmTab->applyRecord(block); }

void SettingsForm::applyOutputBlock(const SettingsRecords::OutputBlock& block) {
    outputTab->applyRecord(block);
}

int SettingsForm::inputStateChannel() const { return alarmTab->Combo5->currentIndex(); }

void SettingsForm::showInputState(const QString& text) { alarmTab->Text19->setText(text); }

void SettingsForm::logReceived(const QByteArray& bytes) {
    testTab->appendLog(QStringLiteral("接收  "), TestFrames::hexText(bytes));
}

void SettingsForm::restartTestDisplay() { testTab->restartDisplay(); }

bool SettingsForm::testDisplayIdle() const { return testTab->displayIdle(); }

bool SettingsForm::testSendPending() const { return testTab->sendPending(); }
