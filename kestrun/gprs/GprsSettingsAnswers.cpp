// What the GPRS settings form does with each decoded answer of the module.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "GprsSettingsForm.h"
#include "core/Globals.h"
#include "core/protocol/GprsFrames.h"
#include "core/protocol/ParamFrames.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/VbTimer.h"

void GprsSettingsForm::moduleReady() {
    Dialogs::msgBox(this, QStringLiteral("模块初始化已经完成，您可以接收和发射数据了"),
                    QStringLiteral("提示信息"));
}

void GprsSettingsForm::retryIdentityWrite() { Timer7->setEnabled(true); }

void GprsSettingsForm::version(const QString& text) { Label1[9]->setText(text); }

void GprsSettingsForm::passiveAddress(const QString& t) {
    Label1[30]->setText(t);
    Text1[4]->setText(t);
    m_passiveGiven = true;
    // The entry holds the address as its two characters, the way the write
    // sends it back.
    if (const auto a = GprsFrames::addressBytes(t))
        Text9->setText(QString(QChar(char16_t(uint8_t(a->at(0))))) + QChar(char16_t(uint8_t(a->at(1)))));
}

void GprsSettingsForm::targetAddress(const QString& t) {
    Label1[1]->setText(t);
    Text8->setText(GprsAnswers::projectOf(t));
    Text1[0]->setText(GprsAnswers::stationOf(t));
    m_targetGiven = true;
}

void GprsSettingsForm::identityAddress(const QString& t, const QString& second, bool updateEntry) {
    Label1[0]->setText(t);
    if (updateEntry) {
        Text2->setText(GprsAnswers::projectOf(t));
        Text3->setText(GprsAnswers::stationOf(t));
    }
    Label1[27]->setText(second);
}

void GprsSettingsForm::identityOutcome(GprsAnswers::IdentityOutcome outcome) {
    using O = GprsAnswers::IdentityOutcome;
    auto done = [this](const QString& text, const QString& title) {
        if (m_form10) m_form10->answered();
        Dialogs::msgBox(this, text, title);
        if (m_form10) m_form10->end();
    };
    switch (outcome) {
        case O::Written:
            done(QStringLiteral("模块身份地址设置成功"), QStringLiteral("系统提示"));
            break;
        case O::Failed:
            done(QStringLiteral("对不起，模块身份地址设置失败"), QStringLiteral("错误提示"));
            break;
        case O::Offline:
            done(QStringLiteral("对不起，您的模块没有上网"), QStringLiteral("错误提示"));
            break;
        case O::Taken:
            // A write given up at its time-out is over: a late "taken" must
            // not start another one the user was told had failed, and
            // neither may a time-out that came while the question was open.
            if (!g::GprsSlaveSetPending) break;
            if (Dialogs::msgBox(this, QStringLiteral("您设置的身份地址已经被占用，要替换它吗？"),
                                QStringLiteral("错误提示"), Dialogs::Icon::None,
                                Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes) {
                // Answered and declined: the write is over. A later notice
                // of the module does not write it again, and its wait ends
                // now rather than in a time-out that would blame the network
                // (the question's box has returned by here).
                g::GprsSlaveSetPending = false;
                if (m_form10) m_form10->end();
            } else if (g::GprsSlaveSetPending) {
                Timer3->setInterval(100);
                Timer3->setEnabled(true);
            }
            break;
        default:
            break;
    }
}

void GprsSettingsForm::heartbeat(uint16_t seconds) {
    Label1[3]->setText(QString::number(seconds));
    Text4->setText(Label1[3]->text());
    Label1[3]->setText(Label1[3]->text() + QStringLiteral("秒"));
}

void GprsSettingsForm::workMode(uint8_t mode) {
    const bool active = mode != 0;
    Label1[4]->setText(active ? QStringLiteral("主动方式") : QStringLiteral("被动方式"));
    for (QWidget* w : std::initializer_list<QWidget*>{Command1[3], Command1[7], Label2[4], Text1[4]})
        w->setVisible(!active);
    Controls::setListIndexAndClick(Combo1, active ? 0 : 1);
}

void GprsSettingsForm::transMode(uint8_t mode) {
    const bool formatted = mode != 0;
    Label1[5]->setText(formatted ? QStringLiteral("格式传输") : QStringLiteral("透明传输"));
    for (QWidget* w : std::initializer_list<QWidget*>{Text1[5], Text1[6], Label2[2], Label2[5]})
        w->setVisible(formatted);
    Controls::setListIndexAndClick(Combo2, formatted ? 0 : 1);
}

void GprsSettingsForm::subMode(uint8_t mode) {
    Label1[6]->setText(mode != 0 ? QStringLiteral("方式1") : QStringLiteral("方式2"));
    Controls::setListIndexAndClick(Combo3, mode != 0 ? 0 : 1);
}

void GprsSettingsForm::addressLayout(const GprsAnswers::AddressLayout& l) {
    Label1[7]->setText(QString::number(l.start));
    Label1[8]->setText(QString::number(l.length));
    Label1[33]->setText(QString::number(l.groupMax));
    Text5->setText(Label1[7]->text());
    Text6->setText(Label1[8]->text());
    Text7->setText(Label1[33]->text());
    Label1[34]->setText(l.typeText());
    // The type is chosen without its click: that would put the scroll bars'
    // old values over the layout just read. The bars take the layout
    // quietly as far as their ranges reach; the write sends the boxes, which
    // show the layout whole.
    m_readLayoutType.reset();
    if (l.type <= 2) {
        Controls::setListIndexQuiet(Combo4, l.type);
        const QSignalBlocker quiet(VScroll4);
        VScroll4->setMinimum(l.type == 0 ? -4 : -2);
    } else {
        Controls::setListIndexQuiet(Combo4, -1);
        Combo4->setEditText(QStringLiteral("无"));
        m_readLayoutType = uint8_t(l.type);
    }
    const std::pair<QScrollBar*, int> bars[] = {{VScroll3, l.start}, {VScroll4, l.length}, {VScroll5, l.groupMax}};
    for (const auto& [bar, value] : bars) {
        const QSignalBlocker quiet(bar);
        bar->setValue(-value);
    }
}

void GprsSettingsForm::baud(int listIndex, const QString& labelText) {
    if (listIndex >= 0) Controls::setListIndexAndClick(Combo7, listIndex);
    Label1[2]->setText(labelText);
}

// Each read fills the box its write sends from, so that a write of one
// value sends the others back as the module holds them.
void GprsSettingsForm::restartCount(int count) {
    Label5->setText(QString::number(count));
    Text10->setText(Label5->text());
    m_restartGiven = true;
}

void GprsSettingsForm::powerSaving(uint8_t value) {
    Label7->setText(value == 0 ? QStringLiteral("无省电") : QStringLiteral("有省电"));
    Controls::setValueQuiet(value == 0 ? Option4 : Option3, true);
}

void GprsSettingsForm::wakeDelays(uint16_t idleUnits, uint16_t dataUnits) {
    Label8->setText(GprsAnswers::wakeDelayText(idleUnits, dataUnits));
    const ParamFrames::WakeDelayTexts ms = ParamFrames::wakeDelayTexts(idleUnits, dataUnits);
    Text11->setText(ms.idleMs);
    Text12->setText(ms.dataMs);
    m_idleGiven = m_dataGiven = true;
}

void GprsSettingsForm::wakeMode(uint8_t mode) {
    Label10->setText(mode == 0 ? QStringLiteral("模式1") : QStringLiteral("模式2"));
    Controls::setValueQuiet(mode == 0 ? Option7 : Option8, true);
    m_wakeModeGiven = true;
}
