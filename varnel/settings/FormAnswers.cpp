// The settings form applies what the answer receiver decoded. A selection
// made here never sends anything: options are set without their click, and
// the lists' clicks only enable fields.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "ParamSenders.h"
#include "ParamTab.h"
#include "PhoneTab.h"
#include "ReadBox.h"
#include "SettingsForm.h"
#include "TestTab.h"
#include "core/protocol/ParamFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"
#include "platform/VbTimer.h"

using Kind = Answers::ParamAnswer::Kind;

void SettingsForm::moduleNotice(uint8_t status) {
    if (status == 1)
        Dialogs::msgBox(this, QStringLiteral("模块初始化已经完成，您可以设置参数了"),
                        QStringLiteral("提示信息"));
}

// The work-mode sequence reads the user's choice from the lists tick by
// tick: an answer coming meanwhile (a late one of an ended refresh, or the
// echo of the sequence's own write) shows in the labels but leaves the lists.
bool SettingsForm::chainTakesLists() const { return Timer1->enabled(); }

void SettingsForm::paramAnswer(const Answers::ParamAnswer& a) {
    ParamTab* p = paramTab;
    switch (a.kind) {
        case Kind::WorkMode: {
            const bool passive = a.flag;
            p->Label3->setText(a.text);
            if (!chainTakesLists()) Controls::setListIndexAndClick(p->Combo1, passive ? 1 : 0);
            testTab->Label31->setVisible(passive);
            testTab->Text22->setVisible(passive);
            testTab->Command21[0]->setVisible(passive);
            testTab->Command21[1]->setVisible(passive);
            testTab->Command21[2]->setVisible(true);
            break;
        }
        case Kind::TransMode: {
            const bool formatted = !a.flag;
            p->Label4->setText(a.text);
            if (!chainTakesLists()) Controls::setListIndexAndClick(p->Combo2, formatted ? 0 : 1);
            for (QWidget* w : QList<QWidget*>{testTab->Label21[4], testTab->Label21[5], testTab->SenderNumber,
                                              testTab->ReceiverNumber})
                w->setVisible(formatted);
            break;
        }
        case Kind::ReceiverNumber:
            p->Label6->setText(a.text.trimmed());
            ReadBox::showRead(p->Text2, p->Label6->text());
            break;
        case Kind::PasswordUse:
            p->Label10->setText(a.text);
            if (a.flag) {
                Controls::setValueQuiet(p->Option1, true);
                if (a.value >= 1 && a.value <= 3) {
                    p->Check3->setChecked(a.value & 1);
                    p->Check4->setChecked(a.value & 2);
                }
            } else {
                Controls::setValueQuiet(p->Option2, true);
                // No use at all: the password-use write sends what the
                // boxes show, so they show it too.
                p->Check3->setChecked(false);
                p->Check4->setChecked(false);
            }
            break;
        case Kind::Password:
            // The box the password write takes it from shows it too, as the
            // receiver number and the address do.
            p->Label5->setText(a.text);
            ReadBox::showRead(p->Text1, p->Label5->text());
            break;
        case Kind::Version:
            if (port()) {
                // The module answers at the line's rate: that is its rate,
                // and what the rate write sends unless the user picks another.
                p->Label7->setText(ParamFrames::portRateText(port()->settings()));
                Controls::setListIndexQuiet(p->Combo3, p->Combo3->findText(p->Label7->text()));
                if (p->Combo3->currentIndex() < 0) p->Combo3->setEditText(p->Label7->text());
            }
            p->Label8->setText(a.text);
            break;
        case Kind::Address:
            p->Label9->setText(a.text);
            ReadBox::showRead(p->Text3, a.text);
            break;
        case Kind::RestartTime:
            p->Text4->setText(a.text);
            p->Label12->setText(a.text);
            break;
        case Kind::SubMode:
            p->Label4->setText(a.text);
            // The page shows the module's sub-mode, so that a later
            // work-mode write keeps it.
            if (!chainTakesLists()) Controls::setListIndexAndClick(p->Combo2, a.flag ? 2 : 1);
            break;
        case Kind::PowerSaving:
            p->Label19->setText(a.text);
            Controls::setValueQuiet(a.flag ? p->Option5 : p->Option6, true);
            break;
        case Kind::WakeDelays:
            p->Label22->setText(a.text);
            ReadBox::showRead(p->Text11, a.idleMs);
            ReadBox::showRead(p->Text13, a.dataMs);
            break;
        case Kind::WakeMode:
            p->Label30->setText(a.text);
            Controls::setValueQuiet(a.flag ? p->Option7 : p->Option8, true);
            senders->wakeModeShown();
            break;
        default:
            break;
    }
}

void SettingsForm::addressLayout(const AddressLayoutAnswer& a) {
    ParamTab* p = paramTab;
    p->Label15->setText(QString::number(a.start));
    p->Label16->setText(QString::number(a.length));
    p->Label17->setText(QString::number(a.group));
    p->Label18->setText(a.typeText);
    // The fields the work-mode sequence writes the layout from take it too,
    // so that a write leaves the module's layout as it was.
    senders->moduleLayout(uint8_t(a.start), uint8_t(a.length), uint8_t(a.group), a.type);
}

void SettingsForm::flashSize(const QString& text) {
    if (!text.isEmpty()) paramTab->LabelFlash->setText(text);
}

void SettingsForm::phoneTableEmpty() {
    Dialogs::msgBox(this, QStringLiteral("号码表空"), QStringLiteral("提示"), Dialogs::Icon::Information);
    phoneTab->Grid->setRows(1);
}

void SettingsForm::phoneTableCorrupt() {
    Dialogs::msgBox(this, QStringLiteral("号码表结构错误"), QStringLiteral("提示"),
                    Dialogs::Icon::Information);
}

void SettingsForm::phoneTableRead(const QStringList& numbers) {
    FlexGrid* grid = phoneTab->Grid;
    grid->setRows(int(numbers.size()) + 1);
    for (int i = 0; i < numbers.size(); ++i) {
        grid->setTextMatrix(i + 1, 1, QString::number(i + 1));
        grid->setTextMatrix(i + 1, 2, numbers[i]);
    }
}

void SettingsForm::phoneTableAck(PhoneTableAck ack) {
    phoneTab->setAckAwaited(false);
    const QString title = QStringLiteral("提示！！");
    switch (ack) {
        case PhoneTableAck::WriteOk:
            Dialogs::msgBox(this, QStringLiteral("电话号码表设置成功"), title, Dialogs::Icon::Information);
            break;
        case PhoneTableAck::WriteFailed:
            Dialogs::msgBox(this, QStringLiteral("电话号码表设置错误 "), title, Dialogs::Icon::Exclamation);
            break;
        case PhoneTableAck::ClearOk:
            phoneTab->Grid->setRows(1);
            Dialogs::msgBox(this, QStringLiteral("清空号码表成功"), title, Dialogs::Icon::Information);
            break;
        case PhoneTableAck::ClearFailed:
            Dialogs::msgBox(this, QStringLiteral("清空号码表失败"), title, Dialogs::Icon::Exclamation);
            break;
    }
}
