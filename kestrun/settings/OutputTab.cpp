#include "OutputTab.h"

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
#include <QVBoxLayout>

#include "SettingsForm.h"
#include "core/Globals.h"
#include "kestrun/sms_parser/Outstanding.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/text/VbNum.h"

using namespace SettingsRecords;

namespace {

using Controls::named;

}  // namespace

OutputTab::OutputTab(SettingsForm* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabOutput"));
    build();
    wire();
}

void OutputTab::build() {
    auto* outer = new QVBoxLayout(this);
    frame = new QGroupBox(QStringLiteral("输出控制"), this);
    frame->setObjectName(QStringLiteral("FrameOutput"));
    outer->addWidget(frame, 1);
    auto* grid = new QGridLayout(frame);

    Combo6 = named(new QComboBox(frame), "Combo6");
    Combo6->addItems({QStringLiteral("Do0 参数"), QStringLiteral("Do1 参数")});
    Combo6->setCurrentIndex(0);
    Command13 = named(new QPushButton(QStringLiteral("更新设置"), frame), "Command13");
    Command23 = named(new QPushButton(QStringLiteral("读取设置"), frame), "Command23");
    Command26 = named(new QPushButton(QStringLiteral("闭合"), frame), "Command26");
    for (int i = 0; i < 2; ++i) {
        Command27[i] = new QPushButton(QStringLiteral("DO%1 闭合").arg(i), frame);
        Controls::setArrayName(Command27[i], QStringLiteral("Command27"), i);
    }
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("通道:"), frame));
    top->addWidget(Combo6);
    top->addWidget(Command13);
    top->addWidget(Command23);
    top->addStretch(1);
    top->addWidget(new QLabel(QStringLiteral("输出测试:"), frame));
    top->addWidget(Command26);
    top->addWidget(Command27[0]);
    top->addWidget(Command27[1]);
    grid->addLayout(top, 0, 0, 1, 4);

    Option16 = named(new QRadioButton(QStringLiteral("电平输出（高电平表示继电器吸合）"), frame), "Option16");
    Option17 =
        named(new QRadioButton(QStringLiteral("脉冲宽度输出（脉宽时间由延时恢复时间决定，最小1秒）"), frame),
              "Option17");
    Controls::exclusiveGroup(this, {Option16, Option17});
    Option16->setChecked(true);
    grid->addWidget(Option16, 1, 0, 1, 4);
    grid->addWidget(Option17, 2, 0, 1, 4);

    Text10 = named(new QLineEdit(QStringLiteral("0"), frame), "Text10");
    Text14 = named(new QLineEdit(QStringLiteral("0"), frame), "Text14");
    Text18 = named(new QLineEdit(QStringLiteral("0"), frame), "Text18");
    const struct {
        const char* caption;
        QLineEdit* box;
        const char* range;
    } delays[] = {{"延时恢复高电平", Text10, "1-250秒（0表示关闭）"},
                  {"延时恢复低电平", Text14, "1-250秒（0表示关闭）"},
                  {"短信回复延时", Text18, "1-250秒"}};
    int row = 3;
    for (const auto& d : delays) {
        grid->addWidget(new QLabel(QString::fromUtf8(d.caption), frame), row, 0);
        grid->addWidget(d.box, row, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(d.range), frame), row, 2, 1, 2);
        ++row;
    }

    Check5 = named(new QCheckBox(QStringLiteral("短信回复"), frame), "Check5");
    Option18 = named(new QRadioButton(QStringLiteral("检测DI0状态"), frame), "Option18");
    Option19 = named(new QRadioButton(QStringLiteral("回复操作结果"), frame), "Option19");
    Option20 = named(new QRadioButton(QStringLiteral("检测DI1状态"), frame), "Option20");
    Controls::exclusiveGroup(this, {Option18, Option19, Option20});
    Option19->setChecked(true);
    auto* reply = new QHBoxLayout;
    reply->addWidget(Check5);
    reply->addWidget(Option18);
    reply->addWidget(Option19);
    reply->addWidget(Option20);
    reply->addStretch(1);
    grid->addLayout(reply, row++, 0, 1, 4);

    Text8 = named(new QLineEdit(QStringLiteral("设备开"), frame), "Text8");
    Option24 = named(new QRadioButton(QStringLiteral("英文"), frame), "Option24");
    Option23 = named(new QRadioButton(QStringLiteral("汉字"), frame), "Option23");
    Controls::exclusiveGroup(this, {Option24, Option23});
    Option23->setChecked(true);
    grid->addWidget(new QLabel(QStringLiteral("高电平控制短信：（限60英文/30个汉字）"), frame), row, 0, 1, 2);
    grid->addWidget(Option24, row, 2);
    grid->addWidget(Option23, row, 3);
    grid->addWidget(Text8, ++row, 0, 1, 4);
    ++row;

    Text12 = named(new QLineEdit(QStringLiteral("设备关"), frame), "Text12");
    Option21 = named(new QRadioButton(QStringLiteral("英文"), frame), "Option21");
    Option22 = named(new QRadioButton(QStringLiteral("汉字"), frame), "Option22");
    Controls::exclusiveGroup(this, {Option21, Option22});
    Option22->setChecked(true);
    grid->addWidget(new QLabel(QStringLiteral("低电平控制指令：（限60英文/30个汉字）"), frame), row, 0, 1, 2);
    grid->addWidget(Option21, row, 2);
    grid->addWidget(Option22, row, 3);
    grid->addWidget(Text12, ++row, 0, 1, 4);
    ++row;

    Check6 = named(new QCheckBox(QStringLiteral("输出保持"), frame), "Check6");
    grid->addWidget(Check6, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
}

void OutputTab::wire() {
    Controls::onClick(Command13, this, [this] { write(); });
    Controls::onClick(Command23, this, [this] { read(); });
    Controls::onClick(Command26, this, [this] { testOutput(Command26, Combo6->currentIndex(), QString()); });
    for (int i = 0; i < 2; ++i)
        Controls::onClick(Command27[i], this,
                          [this, i] { testOutput(Command27[i], i, QStringLiteral("DO%1 ").arg(i)); });
    Controls::onClick(Option16, this, [this] {
        // A level output has nothing to restore.
        if (!Option16->isChecked()) return;
        Text10->setText(QStringLiteral("0"));
        Text14->setText(QStringLiteral("0"));
    });
    Controls::onClick(Option17, this, [this] {
        // A pulse lasts at least a second.
        if (!Option17->isChecked()) return;
        for (QLineEdit* box : {Text10, Text14})
            if (VbNum::val(box->text()) == 0) box->setText(QStringLiteral("1"));
    });
    for (QLineEdit* box : {Text10, Text14, Text18})
        connect(box, &QLineEdit::textChanged, this, [this, box] { clampDelay(box); });
    connect(Text12, &QLineEdit::textChanged, this, [this] {
        m_lowTextHeld.reset();
        chooseEncoding(Text12, Option22, Option21);
    });
    connect(Text8, &QLineEdit::textChanged, this, [this] { chooseEncoding(Text8, Option23, Option24); });
}

// --- side rules -------------------------------------------------------------

void OutputTab::clampDelay(QLineEdit* box) {
    const double v = VbNum::val(box->text());
    if (v > 250)
        box->setText(QStringLiteral("250"));
    else if (v < 0)
        box->setText(QStringLiteral("0"));
}

void OutputTab::chooseEncoding(QLineEdit* text, QRadioButton* chinese, QRadioButton* english) {
    Controls::setValueAndClick(looksEnglish(text->text()) ? english : chinese, true);
}

// --- requests ---------------------------------------------------------------

OutputSettings OutputTab::currentSettings() const {
    OutputSettings s;
    s.channel = uint8_t(qMax(0, Combo6->currentIndex()));
    s.replyDelay = replyDelay(VbNum::val(Text18->text()));
    if (Option16->isChecked()) {
        s.mode = 1;
    } else if (Option17->isChecked()) {
        s.mode = 2;
        s.highDelay = delayByte(VbNum::val(Text10->text()));
        s.lowDelay = delayByte(VbNum::val(Text14->text()));
    }
    if (Check5->isChecked()) s.reply = Option18->isChecked() ? 2 : Option20->isChecked() ? 3 : 1;
    s.lowText = Text12->text();
    s.lowEnglish = Option21->isChecked();
    if (m_lowTextHeld) {
        s.lowText = *m_lowTextHeld;
        // Blanks alone show as an empty box, which sets no option.
        if (Text12->text().isEmpty()) s.lowEnglish = m_lowEnglishHeld;
    }
    s.highText = Text8->text();
    s.highEnglish = Option24->isChecked();
    s.hold = Check6->isChecked();
    return s;
}

void OutputTab::write() {
    if (!m_form->portReady()) return;
    g::OutputSetOp = 1;
    // A delay box that shows no number sends none: letters are no 0 (an
    // empty box, as a read leaves it, stands for 0). The restore delays go
    // out in pulse mode only.
    QList<QLineEdit*> delays = {Text18};
    if (!Option16->isChecked() && Option17->isChecked()) delays << Text10 << Text14;
    for (QLineEdit* box : delays)
        if (!box->text().trimmed().isEmpty() && !VbNum::parseNumber(box->text().trimmed())) {
            Dialogs::msgBox(m_form,
                            box == Text18 ? QStringLiteral("短信回复延时超出范围（0-250秒）")
                                          : QStringLiteral("延时恢复时间超出范围（0-250秒）"),
                            QStringLiteral("提示"), Dialogs::Icon::Information);
            return;
        }
    const OutputSettings s = currentSettings();
    const Built built = buildOutputWrite(s);
    if (built.error != TextError::None) {
        Dialogs::msgBox(m_form,
                        built.error == TextError::TooLong
                            ? QStringLiteral("短信内容超出范围")
                            : QStringLiteral("短信内容含有无法发送的字符，请选择“汉字”"),
                        QStringLiteral("提示"), Dialogs::Icon::Information);
        return;
    }
    // As on the alarm tab: a held read answer is shown first, and the
    // boxes then show again what this write sends.
    m_form->settingsRequestGoing(false);
    if (buildOutputWrite(currentSettings()).frame != built.frame) {
        OutputBlock sent = decodeOutputBlock(built.frame.mid(12));
        sent.channel = s.channel;
        applyRecord(sent);
    }
    g::CommBytes = built.frame;
    if (CommPort* p = m_form->port()) p->output(built.frame);
    Outstanding::sent(g::OutputSetOutstanding, 1);
}

void OutputTab::read() {
    if (!m_form->portReady()) return;
    m_form->settingsRequestGoing(false, Combo6);
    g::OutputSetOp = 0;
    for (QLineEdit* box : {Text12, Text8, Text10, Text14, Text18}) box->setText(QString());
    Controls::setValueQuiet(Check5, false);
    Controls::setValueQuiet(Check6, false);
    for (QRadioButton* o : {Option16, Option19, Option22, Option23}) Controls::setValueAndClick(o, true);
    g::CommBytes = outputReadRequest(qMax(0, Combo6->currentIndex()));
    if (CommPort* p = m_form->port()) p->output(g::CommBytes);
    Outstanding::readSent(g::OutputSetOutstanding, g::OutputSetReads, qMax(0, Combo6->currentIndex()));
}

void OutputTab::testOutput(QPushButton* button, int channel, const QString& prefix) {
    if (!m_form->portReady()) return;
    // The module does not answer a test: the caption is all that tells the
    // user which command the button sends next.
    const bool close = button->text() == prefix + QStringLiteral("闭合");
    button->setText(prefix + (close ? QStringLiteral("断开") : QStringLiteral("闭合")));
    if (CommPort* p = m_form->port()) p->output(outputTestRequest(qMax(0, channel), close));
}

// --- a record read back -----------------------------------------------------

void OutputTab::applyRecord(const OutputBlock& b) {
    using Controls::ClickWhen;
    // As on the alarm tab: the record goes under the channel it was read from.
    if (b.channel && *b.channel >= 0 && *b.channel < Combo6->count()) Controls::setListIndexQuiet(Combo6, *b.channel);
    if (b.mode) Controls::setValueAndClick(*b.mode == 2 ? Option17 : Option16, true, ClickWhen::Always);
    if (b.reply) {
        if (*b.reply == 0) {
            Controls::setValueAndClick(Check5, false);
        } else {
            Controls::setValueAndClick(Check5, true);
            QRadioButton* o = *b.reply == 2 ? Option18 : *b.reply == 3 ? Option20 : Option19;
            Controls::setValueAndClick(o, true, ClickWhen::Always);
        }
    }
    if (b.replyDelay) Text18->setText(QString::number(*b.replyDelay));
    if (b.highDelay) Text10->setText(QString::number(*b.highDelay));
    if (b.lowDelay) Text14->setText(QString::number(*b.lowDelay));
    // The texts pick their encoding from what they hold; a text's encoding
    // in the module is its length byte's, so the options come after them.
    // An empty text goes out without one either way.
    if (b.lowText) {
        const QString shown = trimBlanks(*b.lowText);
        Text12->setText(shown);
        m_lowTextHeld.reset();
        if (shown != *b.lowText) {
            m_lowTextHeld = *b.lowText;
            m_lowEnglishHeld = b.lowEnglish.value_or(Option21->isChecked());
        }
    }
    if (b.highText) Text8->setText(*b.highText);
    if (b.lowEnglish && !Text12->text().isEmpty())
        Controls::setValueAndClick(*b.lowEnglish ? Option21 : Option22, true, ClickWhen::Always);
    if (b.highEnglish && !Text8->text().isEmpty())
        Controls::setValueAndClick(*b.highEnglish ? Option24 : Option23, true, ClickWhen::Always);
    if (b.hold) Controls::setValueAndClick(Check6, *b.hold == 1);
}
