#include "ParamTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "platform/FormBits.h"
#include "SettingsForm.h"
#include "platform/Controls.h"

using namespace FormBits;

ParamTab::ParamTab(SettingsForm* form) : m_form(form) {
    setObjectName(QStringLiteral("TabParam"));
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);

    buildWorkFrame();
    buildPowerFrame();
    buildPasswordFrame();
    left->addWidget(Frame3);
    left->addWidget(Frame10);
    left->addWidget(Frame1);
    left->addStretch(1);

    buildSmallFrames();
    buildInfoFrame();
    right->addWidget(Frame4);
    right->addWidget(Frame8);
    right->addWidget(Frame7);
    right->addWidget(Frame5);
    right->addWidget(Frame2);
    right->addStretch(1);
}

QList<QWidget*> ParamTab::addressFields() const { return m_addressFields; }

void ParamTab::buildWorkFrame() {
    Frame3 = new QGroupBox(QStringLiteral("工作方式选择"), this);
    Controls::setName(Frame3, "Frame3");
    auto* wl = new QGridLayout(Frame3);
    Combo1 = combo(Frame3, "Combo1", true, {QStringLiteral("主动方式"), QStringLiteral("被动方式")},
                   QStringLiteral("无"));
    Combo2 = combo(Frame3, "Combo2", true,
                   {QStringLiteral("格式传输"), QStringLiteral("透明方式1"), QStringLiteral("透明方式2")},
                   QStringLiteral("无"));
    Combo4 = combo(Frame3, "Combo4", true,
                   {QStringLiteral("ASCII"), QStringLiteral("16进制"), QStringLiteral("BCD码")},
                   QStringLiteral("无"));
    Text5 = edit(Frame3, QStringLiteral("1"), "Text5");
    Text6 = edit(Frame3, QStringLiteral("1"), "Text6");
    Text7 = edit(Frame3, QStringLiteral("1"), "Text7");
    // The boxes show the spinners, whose values the layout frame carries.
    for (QLineEdit* box : {Text5, Text6, Text7}) box->setReadOnly(true);
    VS1 = spinner(Frame3, "VS1");
    VS2 = spinner(Frame3, "VS2");
    VS3 = spinner(Frame3, "VS3");
    Command5 = button(Frame3, QStringLiteral("确定"), "Command5");
    QLabel* lType = label(Frame3, QStringLiteral("地址类型"), "LabelAddrType");
    QLabel* lStart = label(Frame3, QStringLiteral("地址开始位置"), "LabelAddrStart");
    QLabel* lLen = label(Frame3, QStringLiteral("地址长度"), "LabelAddrLen");
    QLabel* lGroup = label(Frame3, QStringLiteral("组内最大数"), "LabelGroupMax");
    wl->addWidget(label(Frame3, QStringLiteral("工作形式")), 0, 0);
    wl->addWidget(Combo1, 0, 1, 1, 2);
    wl->addWidget(label(Frame3, QStringLiteral("传输方式")), 1, 0);
    wl->addWidget(Combo2, 1, 1, 1, 2);
    wl->addWidget(lType, 2, 0);
    wl->addWidget(Combo4, 2, 1, 1, 2);
    wl->addWidget(lStart, 3, 0);
    wl->addWidget(Text5, 3, 1);
    wl->addWidget(VS1, 3, 2);
    wl->addWidget(lLen, 4, 0);
    wl->addWidget(Text6, 4, 1);
    wl->addWidget(VS2, 4, 2);
    wl->addWidget(lGroup, 5, 0);
    wl->addWidget(Text7, 5, 1);
    wl->addWidget(VS3, 5, 2);
    wl->addWidget(Command5, 6, 2);
    m_addressFields = {Combo4, Text5, Text6, Text7};
    for (QWidget* w : m_addressFields) w->setEnabled(false);
}

void ParamTab::buildPowerFrame() {
    Frame10 = new QGroupBox(QStringLiteral("省电"), this);
    Controls::setName(Frame10, "Frame10");
    auto* pl = new QGridLayout(Frame10);
    Option5 = option(Frame10, QStringLiteral("省电"), "Option5");
    Option6 = option(Frame10, QStringLiteral("不省电"), "Option6");
    Option7 = option(Frame10, QStringLiteral("模式1"), "Option7");
    Option8 = option(Frame10, QStringLiteral("模式2"), "Option8");
    pair(this, Option5, Option6);
    pair(this, Option7, Option8);
    Option6->setChecked(true);
    Option7->setChecked(true);
    Text11 = edit(Frame10, QStringLiteral("1000"), "Text11");
    Text13 = edit(Frame10, QStringLiteral("10000"), "Text13");
    Command14 = button(Frame10, QStringLiteral("确定"), "Command14");
    pl->addWidget(Option5, 0, 0);
    pl->addWidget(Option6, 0, 1);
    pl->addWidget(Option7, 1, 0);
    pl->addWidget(Option8, 1, 1);
    pl->addWidget(label(Frame10, QStringLiteral("醒后空闲延时(ms)")), 0, 2);
    pl->addWidget(Text11, 0, 3);
    pl->addWidget(label(Frame10, QStringLiteral("醒后数据延时(ms)")), 1, 2);
    pl->addWidget(Text13, 1, 3);
    pl->addWidget(Command14, 0, 4, 2, 1);
}

void ParamTab::buildPasswordFrame() {
    Frame1 = new QGroupBox(QStringLiteral("密码设置"), this);
    Controls::setName(Frame1, "Frame1");
    auto* ql = new QGridLayout(Frame1);
    Option1 = option(Frame1, QStringLiteral("需要"), "Option1");
    Option2 = option(Frame1, QStringLiteral("不需要"), "Option2");
    pair(this, Option1, Option2);
    Option2->setChecked(true);
    Check3 = new QCheckBox(QStringLiteral("接收"), Frame1);
    Controls::setName(Check3, "Check3");
    Check4 = new QCheckBox(QStringLiteral("发送"), Frame1);
    Controls::setName(Check4, "Check4");
    Text1 = edit(Frame1, QStringLiteral("5A:21:7C:40:"), "Text1");
    Command1 = button(Frame1, QStringLiteral("确定"), "Command1");
    Command2 = button(Frame1, QStringLiteral("确定"), "Command2");
    ql->addWidget(Option1, 0, 0);
    ql->addWidget(Option2, 0, 1);
    ql->addWidget(Check3, 0, 2);
    ql->addWidget(Check4, 0, 3);
    ql->addWidget(Command1, 0, 4);
    ql->addWidget(label(Frame1, QStringLiteral("密码：")), 1, 0);
    ql->addWidget(Text1, 1, 1, 1, 3);
    ql->addWidget(Command2, 1, 4);
}

void ParamTab::buildSmallFrames() {
    auto frame = [this](QGroupBox*& f, const QString& title, const char* name, const QString& caption,
                        QWidget* box, QPushButton* ok) {
        f = new QGroupBox(title, this);
        Controls::setName(f, name);
        box->setParent(f);
        ok->setParent(f);
        auto* l = new QHBoxLayout(f);
        l->addWidget(label(f, caption));
        l->addWidget(box, 1);
        l->addWidget(ok);
    };
    Text2 = edit(nullptr, QStringLiteral("***********"), "Text2");
    Text2->setMaxLength(11);
    Command3 = button(nullptr, QStringLiteral("确定"), "Command3");
    frame(Frame4, QStringLiteral("接收方号码设置"), "Frame4", QStringLiteral("接收号码："), Text2, Command3);

    Text4 = edit(nullptr, QStringLiteral("0"), "Text4");
    Command7 = button(nullptr, QStringLiteral("确定"), "Command7");
    frame(Frame8, QStringLiteral("设置没有收到短信重起时间"), "Frame8", QStringLiteral("时间(s)"), Text4,
          Command7);

    Combo3 = combo(nullptr, "Combo3", true,
                   {QStringLiteral("1200bps"), QStringLiteral("2400bps"), QStringLiteral("4800bps"),
                    QStringLiteral("9600bps"), QStringLiteral("19200bps"), QStringLiteral("38400bps"),
                    QStringLiteral("57600bps"), QStringLiteral("115200bps")},
                   QStringLiteral("9600bps"));
    Command6 = button(nullptr, QStringLiteral("确定"), "Command6");
    frame(Frame7, QStringLiteral("串口波特率设置"), "Frame7", QStringLiteral("波特率："), Combo3, Command6);

    Text3 = edit(nullptr, QStringLiteral("**:**"), "Text3");
    Command4 = button(nullptr, QStringLiteral("确定"), "Command4");
    frame(Frame5, QStringLiteral("被动模式下模块地址"), "Frame5", QStringLiteral("模块地址："), Text3,
          Command4);
}

void ParamTab::buildInfoFrame() {
    Frame2 = new QGroupBox(QStringLiteral("参数信息"), this);
    Controls::setName(Frame2, "Frame2");
    auto* grid = new QGridLayout(Frame2);
    struct Row {
        QLabel** label;
        const char* name;
        const char* caption;
        const char* placeholder;
    };
    const Row rows[] = {
        {&Label3, "Label3", "工作形式：", "* * * *"},
        {&Label4, "Label4", "传输方式：", "* * * *"},
        {&Label5, "Label5", "短信密码：", "**:**:**:**:"},
        {&Label6, "Label6", "接收方号码：", "***********"},
        {&Label7, "Label7", "串口波特率：", "********"},
        {&Label8, "Label8", "软件版本：", "***********"},
        {&Label9, "Label9", "被动方式地址：", "**:**:"},
        {&Label10, "Label10", "有无密码：", "****"},
        {&Label12, "Label12", "重起时间：", "*******"},
        {&Label18, "Label18", "地址类型：", "**"},
        {&Label15, "Label15", "地址开始位置：", "**"},
        {&Label16, "Label16", "地址长度：", "**"},
        {&Label17, "Label17", "组内最大数：", "**"},
        {&Label19, "Label19", "模块省电：", "**"},
        {&Label22, "Label22", "醒后延时：", "**"},
        {&Label30, "Label30", "醒后模式：", "**"},
        {&LabelFlash, "LabelFlash", "存储容量：", "**"},
        // Reset with the others; no answer fills it.
        {&Label13, "Label13", "", "********"},
    };
    int row = 0;
    for (const Row& r : rows) {
        *r.label = label(Frame2, QString::fromUtf8(r.placeholder), r.name);
        if (r.caption[0] == '\0') {
            (*r.label)->setVisible(false);
            continue;
        }
        grid->addWidget(label(Frame2, QString::fromUtf8(r.caption)), row, 0);
        grid->addWidget(*r.label, row, 1);
        ++row;
    }
    auto* buttons = new QHBoxLayout;
    Command8 = button(Frame2, QStringLiteral("刷新"), "Command8");
    Command18 = button(Frame2, QStringLiteral("清空"), "Command18");
    Command10 = button(Frame2, QStringLiteral("退出"), "Command10");
    buttons->addWidget(Command8);
    buttons->addWidget(Command18);
    buttons->addWidget(Command10);
    grid->addLayout(buttons, row, 0, 1, 2);
}
