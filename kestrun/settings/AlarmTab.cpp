#include "AlarmTab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "SettingsForm.h"
#include "PhoneBatch.h"
#include "PhoneTab.h"
#include "core/Globals.h"
#include "kestrun/sms_parser/Outstanding.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/ListChoice.h"
#include "platform/Dialogs.h"
#include "platform/text/VbNum.h"

using namespace SettingsRecords;

namespace {

const QString kTitle = QStringLiteral("提示");

using Controls::named;

}  // namespace

AlarmTab::AlarmTab(SettingsForm* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabAlarm"));
    build();
    wire();
}

void AlarmTab::build() {
    auto* outer = new QVBoxLayout(this);
    frame = new QGroupBox(QStringLiteral("报警设置"), this);
    frame->setObjectName(QStringLiteral("FrameAlarm"));
    outer->addWidget(frame, 1);
    auto* grid = new QGridLayout(frame);

    Combo5 = named(new QComboBox(frame), "Combo5");
    for (int i = 0; i <= 9; ++i) Combo5->addItem(QStringLiteral("DI%1 参数").arg(i));
    Combo5->setCurrentIndex(0);
    Command16 = named(new QPushButton(QStringLiteral("更新设置"), frame), "Command16");
    Command17 = named(new QPushButton(QStringLiteral("读取设置"), frame), "Command17");
    Command25 = named(new QPushButton(QStringLiteral("读取DI状态"), frame), "Command25");
    Text19 = named(new QLineEdit(frame), "Text19");
    Text19->setReadOnly(true);
    auto* top = new QHBoxLayout;
    top->addWidget(Combo5);
    top->addWidget(Command16);
    top->addWidget(Command17);
    top->addStretch(1);
    top->addWidget(Command25);
    top->addWidget(Text19);
    grid->addLayout(top, 0, 0, 1, 4);

    Label43 = named(new QLabel(QStringLiteral("响应报警方式："), frame), "Label43");
    Option9 = named(new QRadioButton(QStringLiteral("仅高电平"), frame), "Option9");
    Option10 = named(new QRadioButton(QStringLiteral("仅低电平"), frame), "Option10");
    Option13 = named(new QRadioButton(QStringLiteral("电平变化"), frame), "Option13");
    Controls::exclusiveGroup(this, {Option9, Option10, Option13});
    Option9->setChecked(true);
    auto* modes = new QHBoxLayout;
    modes->addWidget(Label43);
    modes->addWidget(Option9);
    modes->addWidget(Option10);
    modes->addWidget(Option13);
    modes->addStretch(1);
    grid->addLayout(modes, 1, 0, 1, 4);

    Label34 = named(new QLabel(QStringLiteral("重复报警"), frame), "Label34");
    Text16 = named(new QLineEdit(QStringLiteral("0"), frame), "Text16");
    Label35 = named(new QLabel(QStringLiteral("报警时间间隔10-2550秒  10秒递增,0关闭"), frame), "Label35");
    Label48 = named(new QLabel(QStringLiteral("报警次数"), frame), "Label48");
    Text20 = named(new QLineEdit(QStringLiteral("0"), frame), "Text20");
    auto* repeat = new QHBoxLayout;
    repeat->addWidget(Label34);
    repeat->addWidget(Text16);
    repeat->addWidget(Label35);
    repeat->addWidget(Label48);
    repeat->addWidget(Text20);
    grid->addLayout(repeat, 2, 0, 1, 4);

    Label33 = named(new QLabel(QStringLiteral("低电平报警内容：（限80英文/40个汉字）"), frame), "Label33");
    Text15 = named(new QLineEdit(QStringLiteral("岚岫公司设备一人工复位\r\n"), frame), "Text15");
    Option11 = named(new QRadioButton(QStringLiteral("汉字"), frame), "Option11");
    Option12 = named(new QRadioButton(QStringLiteral("英文"), frame), "Option12");
    Controls::exclusiveGroup(this, {Option11, Option12});
    Option11->setChecked(true);
    grid->addWidget(Label33, 3, 0, 1, 2);
    grid->addWidget(Option11, 3, 2);
    grid->addWidget(Option12, 3, 3);
    grid->addWidget(Text15, 4, 0, 1, 4);

    Label36 = named(new QLabel(QStringLiteral("高电平报警内容：（限80英文/40个汉字）"), frame), "Label36");
    Text17 = named(new QLineEdit(QStringLiteral("岚岫公司设备一异常报警\r\n"), frame), "Text17");
    Option15 = named(new QRadioButton(QStringLiteral("汉字"), frame), "Option15");
    Option14 = named(new QRadioButton(QStringLiteral("英文"), frame), "Option14");
    Controls::exclusiveGroup(this, {Option15, Option14});
    Option15->setChecked(true);
    grid->addWidget(Label36, 5, 0, 1, 2);
    grid->addWidget(Option15, 5, 2);
    grid->addWidget(Option14, 5, 3);
    grid->addWidget(Text17, 6, 0, 1, 4);

    Label50 = named(new QLabel(QStringLiteral("短信报警号码"), frame), "Label50");
    ComboBJPhone = named(new QComboBox(frame), "ComboBJPhone");
    ComboBJPhone->addItems(
        {QStringLiteral("透明方式1 号码"), QStringLiteral("全部号码表"), QStringLiteral("号码表自选")});
    ComboBJPhone->setCurrentIndex(0);
    TextBJPhone = named(new QLineEdit(frame), "TextBJPhone");
    Combo7 = named(new QComboBox(frame), "Combo7");
    // Editable, so that an empty text can show, but typed into by no key.
    Combo7->setEditable(true);
    ListChoice::itemsOnly(Combo7);
    Combo7->addItems({QStringLiteral("继电器0"), QStringLiteral("继电器1")});
    Combo7->setCurrentIndex(-1);
    Combo7->setEditText(QString());
    Check7 = named(new QCheckBox(QStringLiteral("关联输出"), frame), "Check7");
    auto* phones = new QHBoxLayout;
    phones->addWidget(Label50);
    phones->addWidget(ComboBJPhone);
    phones->addWidget(TextBJPhone);
    phones->addWidget(Check7);
    phones->addWidget(Combo7);
    grid->addLayout(phones, 7, 0, 1, 4);

    Check1 = named(new QCheckBox(QStringLiteral("启用号码表群发"), frame), "Check1");
    Check2 =
        named(new QCheckBox(QStringLiteral("不发送管理员号码（仅发送号码表 第3-10号码）"), frame), "Check2");
    grid->addWidget(Check1, 8, 0, 1, 2);
    grid->addWidget(Check2, 8, 2, 1, 2);
    grid->setRowStretch(9, 1);
}

void AlarmTab::wire() {
    Controls::onClick(Command16, this, [this] { write(); });
    Controls::onClick(Command17, this, [this] { read(); });
    Controls::onClick(Command25, this, [this] { queryInput(); });
    Controls::onClick(ComboBJPhone, this, [this] { onReceiversClick(); });
    for (QRadioButton* o : {Option11, Option12, Option13})
        Controls::onClick(o, this, [this] { onEncodingClick(); });
    // Change actions run for typing and for text set by code alike.
    connect(Text15, &QLineEdit::textChanged, this, [this] { chooseEncoding(Text15, Option11, Option12); });
    connect(Text17, &QLineEdit::textChanged, this, [this] { chooseEncoding(Text17, Option15, Option14); });
    connect(Text16, &QLineEdit::textChanged, this, [this] { onIntervalChanged(); });
    Controls::installKeyFilter(Combo7->lineEdit(), [](int& key) { key = 0; });
}

void AlarmTab::attachFormControls() { batch = new PhoneBatch(m_form, this); }

// --- side rules -------------------------------------------------------------

void AlarmTab::chooseEncoding(QLineEdit* text, QRadioButton* chinese, QRadioButton* english) {
    Controls::setValueAndClick(looksEnglish(text->text()) ? english : chinese, true);
}

void AlarmTab::onEncodingClick() {
    // Only the level modes use the repeat interval.
    if (!Option9->isChecked() && !Option10->isChecked()) Text16->setText(QStringLiteral("0"));
}

void AlarmTab::onIntervalChanged() {
    const double v = VbNum::val(Text16->text());
    if (v > 2550)
        Text16->setText(QStringLiteral("2550"));
    else if (v < 0)
        Text16->setText(QStringLiteral("0"));
}

void AlarmTab::onReceiversClick() {
    // The answer parser sets the list while it reads a record back, and a
    // record held back for a while is shown from a timer.
    if (g::RxState != 0 || m_showingRecord) return;
    switch (ComboBJPhone->currentIndex()) {
        case 1:
            g::PhoneMask = 0xFFFFFF;
            TextBJPhone->setText(QString::number(g::PhoneMask));
            break;
        case 2: {
            const qint64 mask = receiverMask(TextBJPhone->text()).value_or(0);
            if (m_form && m_form->phoneTab)
                m_form->phoneTab->openPicker(QStringLiteral("选择号码 - 短信报警"), mask);
            break;
        }
        default:
            g::PhoneMask = 0;
            TextBJPhone->setText(QStringLiteral("0"));
            break;
    }
}

// --- requests ---------------------------------------------------------------

void AlarmTab::info(const QString& text) {
    Dialogs::msgBox(m_form, text, kTitle, Dialogs::Icon::Information);
}

void AlarmTab::send(const QByteArray& frame) {
    g::CommBytes = frame;
    if (CommPort* p = m_form->port()) p->output(frame);
}

AlarmSettings AlarmTab::currentSettings() const {
    AlarmSettings s;
    s.channel = uint8_t(qMax(0, Combo5->currentIndex()));
    s.mode = Option9->isChecked() ? 2 : Option10->isChecked() ? 1 : Option13->isChecked() ? 3 : 0;
    s.receivers = ComboBJPhone->currentIndex() == 2 ? 2 : ComboBJPhone->currentIndex() == 1 ? 1 : 0;
    s.interval10 = intervalUnits(VbNum::val(Text16->text()));
    s.lowText = Text15->text();
    s.lowEnglish = Option12->isChecked();
    s.highText = Text17->text();
    s.highEnglish = Option14->isChecked();
    s.mask = receiverMask(TextBJPhone->text()).value_or(0);
    s.count = alarmCount(Text20->text()).value_or(0);
    const QString relay = Combo7->currentText();
    s.relay = relay == QStringLiteral("继电器0") ? 1 : relay == QStringLiteral("继电器1") ? 2 : 0;
    return s;
}

void AlarmTab::write() {
    if (!m_form->portReady()) return;
    g::AlarmSetOp = 1;
    if (VbNum::val(Text16->text()) > 2550) Text16->setText(QStringLiteral("2550"));
    const AlarmSettings s = currentSettings();
    const Built built = buildAlarmWrite(s);
    if (built.error == TextError::TooLong) {
        info(QStringLiteral("短信内容超出范围"));
        return;
    }
    if (built.error == TextError::Unencodable) {
        info(QStringLiteral("短信内容含有无法发送的字符，请选择“汉字”"));
        return;
    }
    // Text that reached the relay list past its key rule (an input method,
    // a drop, the context menu's paste) is no relay.
    if (!ListChoice::showsTaken(Combo7, {QString()})) {
        info(QStringLiteral("请从列表中选择关联继电器"));
        return;
    }
    // A box that shows no number sends none: letters are no 0. An empty
    // box (a read not answered yet) stands for 0, as the read leaves it.
    if (!Text16->text().trimmed().isEmpty() && !VbNum::parseNumber(Text16->text().trimmed())) {
        info(QStringLiteral("重复报警时间间隔超出范围（0-2550秒）"));
        return;
    }
    if (!receiverMask(TextBJPhone->text())) {
        info(QStringLiteral("短信报警号码超出范围（0-4294967295）"));
        return;
    }
    if (!alarmCount(Text20->text())) {
        info(QStringLiteral("报警次数超出范围（0-255）"));
        return;
    }
    // A read answer held back to see what follows it is shown first; the
    // boxes then show again what this write sends, as the user left them.
    m_form->settingsRequestGoing(true);
    if (buildAlarmWrite(currentSettings()).frame != built.frame) {
        AlarmBlock sent = decodeAlarmBlock(built.frame.mid(12));
        sent.channel = s.channel;
        applyRecord(sent);
    }
    send(built.frame);
    Outstanding::sent(g::AlarmSetOutstanding, 1);
}

void AlarmTab::read() {
    if (!m_form->portReady()) return;
    m_form->settingsRequestGoing(true, Combo5);
    g::AlarmSetOp = 0;
    Text15->setText(QString());
    Text16->setText(QString());
    Text17->setText(QString());
    Controls::setValueQuiet(Check1, false);
    Controls::setValueQuiet(Check7, false);
    Controls::setValueQuiet(Check2, false);
    Controls::setValueAndClick(Option9, true);
    Controls::setValueAndClick(Option11, true);
    Controls::setValueAndClick(Option15, true);
    send(alarmReadRequest(Combo5->currentIndex()));
    Outstanding::readSent(g::AlarmSetOutstanding, g::AlarmSetReads, Combo5->currentIndex());
}

void AlarmTab::queryInput() {
    if (!m_form->portReady()) return;
    const int ch = Combo5->currentIndex();
    if (ch < 0 || ch >= Combo5->count()) {
        info(QStringLiteral("请指定要读取的DI通道0-5"));
        return;
    }
    g::DIChannel = 0x98;
    if (CommPort* p = m_form->port()) p->output(inputStateRequest(ch));
    Text19->setText(QString());
}

// --- a record read back -----------------------------------------------------

void AlarmTab::applyRecord(const AlarmBlock& b) {
    using Controls::ClickWhen;
    const QScopedValueRollback showing(m_showingRecord, true);
    // The record is the channel the read asked for, whichever the list
    // shows now: the list goes back to it, so that the record is shown
    // under its own channel and a write sends it back there.
    if (b.channel && *b.channel >= 0 && *b.channel < Combo5->count()) Controls::setListIndexQuiet(Combo5, *b.channel);
    if (b.mode) {
        QRadioButton* o = *b.mode == 1 ? Option10 : *b.mode == 3 ? Option13 : Option9;
        Controls::setValueAndClick(o, true, ClickWhen::Always);
    }
    if (b.receivers) {
        const int index = *b.receivers == 1 ? 1 : *b.receivers == 2 ? 2 : 0;
        Controls::setListIndexAndClick(ComboBJPhone, index, ClickWhen::Always);
    }
    // The texts pick their encoding from what they hold; a text's encoding
    // in the module is its length byte's, so the options come after them
    // (an empty text goes out without one either way). Both reset the
    // repeat interval outside the level modes, so it comes last: a record
    // written back must be the record read.
    if (b.lowText) Text15->setText(*b.lowText);
    if (b.highText) Text17->setText(*b.highText);
    if (b.lowEnglish && !Text15->text().isEmpty())
        Controls::setValueAndClick(*b.lowEnglish ? Option12 : Option11, true, ClickWhen::Always);
    if (b.highEnglish && !Text17->text().isEmpty())
        Controls::setValueAndClick(*b.highEnglish ? Option14 : Option15, true, ClickWhen::Always);
    if (b.interval10) Text16->setText(QString::number(int(*b.interval10) * 10));
    if (b.mask) TextBJPhone->setText(QString::number(*b.mask));
    if (b.count) Text20->setText(QString::number(*b.count));
    if (b.relay) {
        const int index = *b.relay == 1 ? 0 : *b.relay == 2 ? 1 : -1;
        Controls::setListIndexQuiet(Combo7, index);
        if (index < 0) Combo7->setEditText(QString());
    }
}
