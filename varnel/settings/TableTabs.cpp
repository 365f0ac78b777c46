#include "TableTabs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/FormBits.h"
#include "SettingsForm.h"
#include "TableTransfers.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/Vb.h"
#include "varnel/editors/ChannelEditor.h"
#include "varnel/editors/CommandGridEditor.h"
#include "varnel/editors/OutputFrameEditor.h"

using namespace FormBits;

namespace {

const char kInputFormat[] =
    " |指令号 |报警间隔 |报警次数 |汉字/英文 |号码表 |自动上传 |符号位置 |正数符号 |负数符号 |小数点位置 "
    "|小数位数 "
    "|数值类型 |数值位置 |数值长度 |校验方式 |校验字节数 |超限次数 |通信协议 |数据格式 |字节排序 "
    "|位变量取值方式 "
    "|数据头位置 |上限值 |下限值 |数据头 |采集指令 |开关量1描述(最多8字) |开关量0描述(最多8字) "
    "|<短信内容(最多120英文/60汉字) |关联变量 ";

const char kCommandFormat[] =
    " |指令号   |汉字/英文 |<短信指令内容(最多50英文/25汉字) |短信回复    |操作对象   |关联变量  "
    "|指令类型(读/写)"
    "|<输出数据             |操作通道  ";

QLabel* arrayLabel(QWidget* parent, const char* text, int index) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    Controls::setArrayName(l, QStringLiteral("Label49"), index);
    return l;
}

}  // namespace

// --- tab 3 --------------------------------------------------------------------

InputTableTab::InputTableTab(SettingsForm* form) : m_form(form) {
    setObjectName(QStringLiteral("TabInput"));
    auto* outer = new QVBoxLayout(this);
    MSGrid2 = new FlexGrid(this);
    Controls::setName(MSGrid2, "MSGrid2");
    MSGrid2->setFormatString(QString::fromUtf8(kInputFormat));
    outer->addWidget(MSGrid2, 1);

    Frame17 = new QGroupBox(QStringLiteral("采集设置（全局）"), this);
    Controls::setName(Frame17, "Frame17");
    Option9 = option(Frame17, QStringLiteral("自动采集"), "Option9");
    Option9->setToolTip(QStringLiteral("按设定参数自动采集数据"));
    Option10 = option(Frame17, QStringLiteral("被动接收"), "Option10");
    Option10->setToolTip(QStringLiteral("只接收串口的数据，不主动发送读指令"));
    pair(this, Option9, Option10);
    Option9->setChecked(true);
    TxtPeriod = edit(Frame17, QStringLiteral("1"), "TxtPeriod");
    TxtPeriod->setToolTip(QStringLiteral("采集周期0.1秒-86400秒，100ms整数倍"));
    TxtTimeOut = edit(Frame17, QStringLiteral("500"), "TxtTimeOut");
    TxtTimeOut->setToolTip(QStringLiteral("通信无响应的等待时间100-25500毫秒，100毫秒的整数倍"));
    TxtReSend = edit(Frame17, QStringLiteral("3"), "TxtReSend");
    TxtReSend->setToolTip(QStringLiteral("通讯无应答时重复发送的次数，0不重发，最大10次"));
    CheckHis = new QCheckBox(QStringLiteral("保存历史记录"), Frame17);
    Controls::setName(CheckHis, "CheckHis");
    Command29 = button(Frame17, QStringLiteral("保存设置"), "Command29");
    Command28 = button(Frame17, QStringLiteral("读取设置"), "Command28");
    auto* cl = new QHBoxLayout(Frame17);
    cl->addWidget(Option9);
    cl->addWidget(Option10);
    cl->addWidget(arrayLabel(Frame17, "采集间隔：", 0));
    cl->addWidget(TxtPeriod);
    cl->addWidget(arrayLabel(Frame17, "秒", 3));
    cl->addWidget(arrayLabel(Frame17, "超时：", 1));
    cl->addWidget(TxtTimeOut);
    cl->addWidget(arrayLabel(Frame17, "ms", 4));
    cl->addWidget(arrayLabel(Frame17, "重发：", 7));
    cl->addWidget(TxtReSend);
    cl->addWidget(CheckHis);
    cl->addWidget(Command29);
    cl->addWidget(Command28);

    Frame11 = new QGroupBox(this);
    Controls::setName(Frame11, "Frame11");
    Command23 = arrayButton(Frame11, QStringLiteral("读取设置"), "Command23", 1);
    Command13 = arrayButton(Frame11, QStringLiteral("更新设置"), "Command13", 1);
    Command25 = arrayButton(Frame11, QStringLiteral("新建指令"), "Command25", 1);
    Command26 = arrayButton(Frame11, QStringLiteral("删除指令"), "Command26", 1);
    Command27 = arrayButton(Frame11, QStringLiteral("清空全部设置"), "Command27", 0);
    auto* bl = new QHBoxLayout(Frame11);
    for (QPushButton* b : {Command23, Command13, Command25, Command26, Command27}) bl->addWidget(b);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Frame17, 1);
    bottom->addWidget(Frame11);
    outer->addLayout(bottom);

    Controls::onClick(Command23, this, [this] { readTable(); });
    Controls::onClick(Command13, this, [this] { writeTable(); });
    Controls::onClick(Command25, this, [this] { newRow(); });
    Controls::onClick(Command26, this, [this] { deleteRow(); });
    Controls::onClick(Command27, this, [this] { clearTable(); });
    Controls::onClick(Command29, this, [this] { saveCollection(); });
    Controls::onClick(Command28, this, [this] { readCollection(); });
    wireCollection();
    connect(MSGrid2, &FlexGrid::gridDoubleClicked, this, &InputTableTab::openChannelEditor);
}

void InputTableTab::loadGrid() {
    MSGrid2->setRows(1);
    MSGrid2->setRowHeightTwips(0, 480);
    const std::pair<int, int> widths[] = {{1, 480},  {2, 480},   {3, 480},  {4, 600},  {6, 480},  {7, 480},
                                          {8, 480},  {9, 480},   {10, 720}, {11, 480}, {12, 480}, {13, 480},
                                          {14, 480}, {16, 720},  {17, 480}, {18, 720}, {19, 480}, {20, 480},
                                          {22, 720}, {27, 1200}, {28, 1200}};
    for (const auto& [col, twips] : widths) MSGrid2->setColWidth(col, twips);
}

void InputTableTab::openChannelEditor() { ChannelEditor::open(m_form); }

// --- tab 4 --------------------------------------------------------------------

CommandTableTab::CommandTableTab(SettingsForm* form) : m_form(form) {
    setObjectName(QStringLiteral("TabCommand"));
    auto* outer = new QVBoxLayout(this);
    MSGrid1 = new FlexGrid(this);
    Controls::setName(MSGrid1, "MSGrid1");
    MSGrid1->setFormatString(QString::fromUtf8(kCommandFormat));
    outer->addWidget(MSGrid1, 1);

    Frame12 = new QGroupBox(this);
    Controls::setName(Frame12, "Frame12");
    TxtCmdText = edit(Frame12, QString(), "TxtCmdText");
    TxtCmdText->setReadOnly(true);
    Command23 = arrayButton(Frame12, QStringLiteral("读取设置"), "Command23", 0);
    Command13 = arrayButton(Frame12, QStringLiteral("更新设置"), "Command13", 0);
    Command25 = arrayButton(Frame12, QStringLiteral("新建指令"), "Command25", 0);
    Command26 = arrayButton(Frame12, QStringLiteral("删除指令"), "Command26", 0);
    Command27 = arrayButton(Frame12, QStringLiteral("清空全部设置"), "Command27", 1);
    auto* bl = new QHBoxLayout(Frame12);
    bl->addWidget(TxtCmdText, 1);
    for (QPushButton* b : {Command23, Command13, Command25, Command26, Command27}) bl->addWidget(b);
    outer->addWidget(Frame12);

    Controls::onClick(Command23, this, [this] { readTable(); });
    Controls::onClick(Command13, this, [this] { writeTable(); });
    Controls::onClick(Command25, this, [this] { newRow(); });
    Controls::onClick(Command26, this, [this] { deleteRow(); });
    Controls::onClick(Command27, this, [this] { clearTable(); });
}

CommandTableTab::~CommandTableTab() = default;

void CommandTableTab::attachCellEditor() {
    if (m_cellEditor) return;
    // The write button follows the grid's rows through the transfers, which
    // hold it while a transfer runs.
    m_cellEditor = new CommandGridEditor(*m_form, TxtCmdText, nullptr, this);
    connect(MSGrid1, &FlexGrid::gridClicked, this, [this] {
        m_form->transfers->setEnabledWhenFree(QStringLiteral("Command13(0)"), MSGrid1->Rows() > 1);
    });
}

void CommandTableTab::loadGrid() {
    MSGrid1->setRows(1);
    MSGrid1->setRowHeightTwips(0, 480);
    MSGrid1->setColWidth(1, 600);
    MSGrid1->setColWidth(2, 600);
    MSGrid1->setColWidth(7, 960);
}
