// The controls of the channel editor, their design texts and layout.

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

#include "ChannelEditor.h"
#include "ChannelEditorParts.h"
#include "core/protocol/ValueLists.h"
#include "platform/Controls.h"
#include "platform/FormBits.h"
#include "platform/VbTimer.h"

using namespace channel_editor;

void ChannelEditor::buildControls() {
    auto* outer = new QVBoxLayout(this);

    // --- request -------------------------------------------------------------
    auto* request = new QGroupBox(QStringLiteral("通道接收设置"), this);
    auto* rq = new QGridLayout(request);
    ComboDataHead = FormBits::combo(request, "ComboDataHead", false, {});
    TxtCmdVal = FormBits::edit(request, QStringLiteral("FD FE 00 03"), "TxtCmdVal");
    ComboCheck = FormBits::combo(request, "ComboCheck", false, checkItems());
    TxtCheckNum = FormBits::edit(request, QStringLiteral("1字节"), "TxtCheckNum");
    TextCheck = FormBits::edit(request, QStringLiteral("单击获取校验码"), "TextCheck");
    TxtDataHead = FormBits::edit(request, QStringLiteral("EC ED 00"), "TxtDataHead");
    TxtHeadStart = FormBits::edit(request, QStringLiteral("1"), "TxtHeadStart");
    rq->addWidget(FormBits::label(request, QStringLiteral("绑定通道：")), 0, 0);
    rq->addWidget(ComboDataHead, 0, 1, 1, 5);
    rq->addWidget(FormBits::label(request, QStringLiteral("采集指令：")), 1, 0);
    rq->addWidget(TxtCmdVal, 1, 1, 1, 5);
    rq->addWidget(FormBits::label(request, QStringLiteral("校验：")), 2, 0);
    rq->addWidget(ComboCheck, 2, 1);
    rq->addWidget(TxtCheckNum, 2, 2);
    rq->addWidget(TextCheck, 2, 3, 1, 3);
    rq->addWidget(FormBits::label(request, QStringLiteral("响应报头：")), 3, 0);
    rq->addWidget(TxtDataHead, 3, 1, 1, 3);
    rq->addWidget(FormBits::label(request, QStringLiteral("报头位置：")), 3, 4);
    rq->addWidget(TxtHeadStart, 3, 5);
    outer->addWidget(request);

    // --- value ---------------------------------------------------------------
    auto* value = new QGroupBox(QStringLiteral("通道变量设置"), this);
    auto* vl = new QGridLayout(value);
    ComboXieYi = FormBits::combo(value, "ComboXieYi", false, protocol::protocolItems());
    ComboDataFormat = FormBits::combo(value, "ComboDataFormat", false, protocol::dataFormatItems());
    ComboValType = FormBits::combo(value, "ComboValType", false, valueTypeItems());
    ComboByteSort = FormBits::combo(value, "ComboByteSort", false, protocol::byteSortItems());
    TxtValStart = FormBits::edit(value, QStringLiteral("5"), "TxtValStart");
    TxtValBytes = FormBits::edit(value, QStringLiteral("4"), "TxtValBytes");
    Label56 = FormBits::label(value, QStringLiteral("小数点  位置："), "Label56");
    TxtPointStart = FormBits::edit(value, QStringLiteral("0"), "TxtPointStart");
    const char* signTexts[3] = {"符号位置：", "正号：", "负号："};
    for (int i = 0; i < 3; ++i) {
        Label57[i] = FormBits::label(value, QString::fromUtf8(signTexts[i]));
        Controls::setArrayName(Label57[i], QStringLiteral("Label57"), i);
    }
    TxtSflgStart = FormBits::edit(value, QStringLiteral("4"), "TxtSflgStart");
    TxtPsflg = FormBits::edit(value, QStringLiteral("31"), "TxtPsflg");
    TxtNsflg = FormBits::edit(value, QStringLiteral("30"), "TxtNsflg");
    for (int i = 0; i < 2; ++i) {
        Label32[i] = FormBits::label(value, kHex);
        Controls::setArrayName(Label32[i], QStringLiteral("Label32"), i);
        Label32[i]->setCursor(Qt::PointingHandCursor);
        Label32[i]->installEventFilter(this);
    }
    const char* limitTexts[3] = {"小数位数：", "上限：", "下限："};
    for (int i = 0; i < 3; ++i) {
        Label58[i] = FormBits::label(value, QString::fromUtf8(limitTexts[i]));
        Controls::setArrayName(Label58[i], QStringLiteral("Label58"), i);
    }
    TxtValPoint = FormBits::edit(value, QStringLiteral("1"), "TxtValPoint");
    TxtValUp = FormBits::edit(value, QStringLiteral("35.5"), "TxtValUp");
    TxtValDown = FormBits::edit(value, QStringLiteral("15.6"), "TxtValDown");
    Label40 = FormBits::label(value, QStringLiteral("开关量状态描述  1＝"), "Label40");
    Label41 = FormBits::label(value, QStringLiteral("0＝"), "Label41");
    Label42 = FormBits::label(value, QStringLiteral("开关量取值位置"), "Label42");
    ComboBit = FormBits::combo(value, "ComboBit", false, protocol::bitItems());
    TextDIValON = FormBits::edit(value, QStringLiteral("31"), "TextDIValON");
    TextDIon = FormBits::edit(value, QStringLiteral("开启"), "TextDIon");
    TextDIoff = FormBits::edit(value, QStringLiteral("关闭"), "TextDIoff");
    CmdPrev = new QPushButton(QStringLiteral("上一通道"), value);
    Controls::setName(CmdPrev, "CmdPrev");
    CmdNext = new QPushButton(QStringLiteral("下一通道"), value);
    Controls::setName(CmdNext, "CmdNext");

    int r = 0;
    vl->addWidget(FormBits::label(value, QStringLiteral("通信协议：")), r, 0);
    vl->addWidget(ComboXieYi, r, 1);
    vl->addWidget(FormBits::label(value, QStringLiteral("数据格式：")), r, 2);
    vl->addWidget(ComboDataFormat, r, 3);
    ++r;
    vl->addWidget(FormBits::label(value, QStringLiteral("数值类型：")), r, 0);
    vl->addWidget(ComboValType, r, 1);
    vl->addWidget(FormBits::label(value, QStringLiteral("字节排序：")), r, 2);
    vl->addWidget(ComboByteSort, r, 3);
    ++r;
    vl->addWidget(FormBits::label(value, QStringLiteral("起始位置：")), r, 0);
    vl->addWidget(TxtValStart, r, 1);
    vl->addWidget(FormBits::label(value, QStringLiteral("长度：")), r, 2);
    vl->addWidget(TxtValBytes, r, 3);
    ++r;
    vl->addWidget(Label56, r, 0);
    vl->addWidget(TxtPointStart, r, 1);
    vl->addWidget(Label57[0], r, 2);
    vl->addWidget(TxtSflgStart, r, 3);
    ++r;
    auto* plus = new QHBoxLayout;
    plus->addWidget(TxtPsflg);
    plus->addWidget(Label32[1]);
    auto* minus = new QHBoxLayout;
    minus->addWidget(TxtNsflg);
    minus->addWidget(Label32[0]);
    vl->addWidget(Label57[1], r, 0);
    vl->addLayout(plus, r, 1);
    vl->addWidget(Label57[2], r, 2);
    vl->addLayout(minus, r, 3);
    ++r;
    vl->addWidget(Label58[0], r, 0);
    vl->addWidget(TxtValPoint, r, 1);
    ++r;
    vl->addWidget(Label58[1], r, 0);
    vl->addWidget(TxtValUp, r, 1);
    vl->addWidget(Label58[2], r, 2);
    vl->addWidget(TxtValDown, r, 3);
    ++r;
    vl->addWidget(Label42, r, 0);
    vl->addWidget(ComboBit, r, 1);
    vl->addWidget(TextDIValON, r, 2);
    ++r;
    vl->addWidget(Label40, r, 0);
    vl->addWidget(TextDIon, r, 1);
    vl->addWidget(Label41, r, 2);
    vl->addWidget(TextDIoff, r, 3);
    ++r;
    vl->addWidget(CmdPrev, r, 0, 1, 2);
    vl->addWidget(CmdNext, r, 2, 1, 2);
    ++r;
    for (int i = 0; i < 3; ++i) {
        Frame16[i] = new QGroupBox(protocol::protocolItems().at(i), value);
        Controls::setArrayName(Frame16[i], QStringLiteral("Frame16"), i);
        vl->addWidget(Frame16[i], r, 0, 1, 4);
    }
    Frame16[1]->hide();
    Frame16[2]->hide();

    // --- alarm ---------------------------------------------------------------
    auto* alarm = new QGroupBox(QStringLiteral("通道短信设置"), this);
    auto* al = new QGridLayout(alarm);
    TxtBJReTime = FormBits::edit(alarm, QStringLiteral("60"), "TxtBJReTime");
    TxtBJCount = FormBits::edit(alarm, QStringLiteral("1"), "TxtBJCount");
    TxtBJReadCount = FormBits::edit(alarm, QStringLiteral("1"), "TxtBJReadCount");
    Option15 = new QRadioButton(QStringLiteral("汉字"), alarm);
    Controls::setName(Option15, "Option15");
    Option14 = new QRadioButton(QStringLiteral("英文"), alarm);
    Controls::setName(Option14, "Option14");
    Controls::exclusiveGroup(alarm, {Option15, Option14});
    Option15->setChecked(true);
    ComboBJPhone = FormBits::combo(alarm, "ComboBJPhone", false, protocol::phoneChoiceItems());
    TextAutoSend = FormBits::edit(alarm, QStringLiteral("0"), "TextAutoSend");
    r = 0;
    al->addWidget(FormBits::label(alarm, QStringLiteral("报警间隔")), r, 0);
    al->addWidget(TxtBJReTime, r, 1);
    al->addWidget(FormBits::label(alarm, QStringLiteral("报警次数")), r, 2);
    al->addWidget(TxtBJCount, r, 3);
    al->addWidget(FormBits::label(alarm, QStringLiteral("超限次数")), r, 4);
    al->addWidget(TxtBJReadCount, r, 5);
    ++r;
    al->addWidget(Option15, r, 0);
    al->addWidget(Option14, r, 1);
    al->addWidget(FormBits::label(alarm, QStringLiteral("短信报警号码")), r, 2);
    al->addWidget(ComboBJPhone, r, 3);
    al->addWidget(FormBits::label(alarm, QStringLiteral("定时上传")), r, 4);
    al->addWidget(TextAutoSend, r, 5);
    ++r;
    al->addWidget(FormBits::label(alarm, QStringLiteral("短信报警内容：（限120英文/60个汉字）")), r, 0, 1, 4);
    al->addWidget(FormBits::label(alarm, QStringLiteral("连接变量：")), r, 4, 1, 2);
    ++r;
    for (int i = 0; i < Segments; ++i) {
        Label60[i] = FormBits::label(alarm, QString::number(i + 1));
        Controls::setArrayName(Label60[i], QStringLiteral("Label60"), i);
        TxtSMS[i] = new QLineEdit(kDesignSegments[i], alarm);
        Controls::setArrayName(TxtSMS[i], QStringLiteral("TxtSMS"), i);
        TxtSMS[i]->installEventFilter(this);
        CheckCrLf[i] = new QCheckBox(QStringLiteral("换行"), alarm);
        Controls::setArrayName(CheckCrLf[i], QStringLiteral("CheckCrLf"), i);
        ComboLinkVal[i] = FormBits::combo(alarm, nullptr, false, protocol::linkValueItems());
        Controls::setArrayName(ComboLinkVal[i], QStringLiteral("ComboLinkVal"), i);
        al->addWidget(Label60[i], r + i, 0);
        al->addWidget(TxtSMS[i], r + i, 1, 1, 2);
        al->addWidget(CheckCrLf[i], r + i, 3);
        al->addWidget(ComboLinkVal[i], r + i, 4, 1, 2);
    }

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(request);
    left->addWidget(value);
    left->addStretch(1);
    columns->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(alarm);
    right->addStretch(1);
    columns->addLayout(right);
    outer->addLayout(columns, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const char* buttonTexts[2] = {"确定", "取消"};
    for (int i = 0; i < 2; ++i) {
        Command1[i] = new QPushButton(QString::fromUtf8(buttonTexts[i]), this);
        Controls::setArrayName(Command1[i], QStringLiteral("Command1"), i);
        buttons->addWidget(Command1[i]);
    }
    outer->addLayout(buttons);

    TextCheck->installEventFilter(this);

    Timer1 = new VbTimer(this, LoadDelayMs, false);
    Controls::setName(Timer1, "Timer1");
}
