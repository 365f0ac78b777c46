#include "ChannelEditor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "core/NumberPicker.h"
#include "core/Globals.h"
#include "core/Routines.h"
#include "core/protocol/ChannelRecord.h"
#include "core/protocol/CheckCode.h"
#include "core/protocol/ValueLists.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"
#include "platform/VbTimer.h"
#include "varnel/core/VarnelRoutines.h"

const QString ChannelEditor::SegmentSeparator = protocol::kSmsSegmentSeparator;

namespace {

const QString kCaption = QStringLiteral("编辑－参数设置－输入数据解析－通道 ");
const QString kHex = QStringLiteral("Hex");
const QString kAsc = QStringLiteral("Asc");
const QString kNoBinding = QStringLiteral("独立通道 不绑定");

const QColor kPaleGreen(240, 255, 240);
const QColor kPaleRed(255, 240, 240);
const QColor kPaleCyan(192, 255, 255);

// Table columns of one channel.
enum Col {
    ColMarker = protocol::ChannelCol::Marker,
    ColLabel = protocol::ChannelCol::Label,
    ColInterval = protocol::ChannelCol::AlarmInterval,
    ColAlarmCount = protocol::ChannelCol::AlarmCount,
    ColLanguage = protocol::ChannelCol::Language,
    ColPhones = protocol::ChannelCol::Phones,
    ColUpload = protocol::ChannelCol::AutoUpload,
    ColSignPos = protocol::ChannelCol::SignPos,
    ColPlusSign = protocol::ChannelCol::PositiveSign,
    ColMinusSign = protocol::ChannelCol::NegativeSign,
    ColPointPos = protocol::ChannelCol::PointPos,
    ColDecimals = protocol::ChannelCol::Decimals,
    ColValueType = protocol::ChannelCol::ValueType,
    ColValuePos = protocol::ChannelCol::ValueStart,
    ColValueLen = protocol::ChannelCol::ValueLength,
    ColCheck = protocol::ChannelCol::CheckMethod,
    ColCheckBytes = protocol::ChannelCol::CheckBytes,
    ColOverCount = protocol::ChannelCol::OverLimitCount,
    ColProtocol = protocol::ChannelCol::Protocol,
    ColFormat = protocol::ChannelCol::DataFormat,
    ColByteOrder = protocol::ChannelCol::ByteSort,
    ColBit = protocol::ChannelCol::BitMode,
    ColHeadPos = protocol::ChannelCol::HeadPos,
    ColUpper = protocol::ChannelCol::UpperLimit,
    ColLower = protocol::ChannelCol::LowerLimit,
    ColHead = protocol::ChannelCol::Head,
    ColCommand = protocol::ChannelCol::Command,
    ColOn = protocol::ChannelCol::SwitchOnText,
    ColOff = protocol::ChannelCol::SwitchOffText,
    ColSms = protocol::ChannelCol::Sms,
    ColLinks = protocol::ChannelCol::LinkedValues,
};

const QStringList kDesignSegments = {QStringLiteral("安装地点"),  QStringLiteral("设备号"),
                                     QStringLiteral("报警内容1"), QStringLiteral("报警内容2"),
                                     QStringLiteral("报警内容3"), QStringLiteral("报警内容4"),
                                     QStringLiteral("报警内容5"), QStringLiteral("报警内容6")};

// A cell's number: blanks anywhere ignored, no number gives 0.
double number(const QString& text) { return VbNum::val(text); }
QString plain(double v) { return VbNum::str(v); }

// The hex digits at the start of the text, unsigned; reading stops at the
// first other character. Saturates instead of wrapping on absurd lengths.
quint64 hexNumber(const QString& text) {
    quint64 v = 0;
    for (QChar c : text) {
        int d;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            d = c.unicode() - 'a' + 10;
        else
            break;
        if (v > (~quint64(0) >> 4)) return ~quint64(0);
        v = v * 16 + static_cast<quint64>(d);
    }
    return v;
}

// The single-byte code of c in the system code page, or -1 when c has none
// (a double-byte character, or none at all).
int singleByteCode(QChar c) {
    bool ok = false;
    const QByteArray b = TextCodec::toGbk(QString(c), &ok);
    if (!ok || b.size() != 1) return -1;
    return static_cast<unsigned char>(b[0]);
}

QLabel* label(QWidget* parent, const QString& text, const char* name = nullptr) {
    auto* l = new QLabel(text, parent);
    if (name) Controls::setName(l, name);
    return l;
}

QLineEdit* box(QWidget* parent, const QString& text, const char* name) {
    auto* e = new QLineEdit(text, parent);
    Controls::setName(e, name);
    return e;
}

QComboBox* list(QWidget* parent, const QStringList& items, const char* name) {
    auto* c = new QComboBox(parent);
    c->addItems(items);
    c->setCurrentIndex(-1);
    if (name) Controls::setName(c, name);
    return c;
}

void choose(QComboBox* c, int index) {
    Controls::setListIndexAndClick(c, index, Controls::ClickWhen::Always);
}
void chooseText(QComboBox* c, const QString& text) { choose(c, varnel::ComboFindIndex(c, text)); }

}  // namespace

QStringList ChannelEditor::checkItems() { return protocol::checkMethodItems(); }

QStringList ChannelEditor::valueTypeItems() { return protocol::valueTypeItems(); }

ChannelEditor* ChannelEditor::open(ChannelEditorHost* host) {
    FlexGrid* grid = host ? host->inGrid() : nullptr;
    if (!grid || grid->Rows() <= 1) return nullptr;
    host->setInGridLocked(true);
    const int row = grid->Row();
    auto* editor = new ChannelEditor(host, row, host->ownerWindow());
    editor->show();
    editor->setWindowTitle(kCaption + grid->TextMatrix(row, ColLabel));
    return editor;
}

ChannelEditor::ChannelEditor(ChannelEditorHost* host, int row, QWidget* owner)
    : QWidget(owner, Qt::Window), m_host(host), m_grid(host->inGrid()), m_row(row) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("参数设置－输入数据解析"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    wireRules();
    // The settings form was closed under the editor: nothing left to edit.
    connect(m_grid, &QObject::destroyed, this, [this] {
        m_host = nullptr;
        unload();
    });
    formLoad();
}

void ChannelEditor::buildControls() {
    auto* outer = new QVBoxLayout(this);

    // --- request -------------------------------------------------------------
    auto* request = new QGroupBox(QStringLiteral("通道接收设置"), this);
    auto* rq = new QGridLayout(request);
    ComboDataHead = list(request, {}, "ComboDataHead");
    TxtCmdVal = box(request, QStringLiteral("FD FE 00 03"), "TxtCmdVal");
    ComboCheck = list(request, checkItems(), "ComboCheck");
    TxtCheckNum = box(request, QStringLiteral("1字节"), "TxtCheckNum");
    TextCheck = box(request, QStringLiteral("单击获取校验码"), "TextCheck");
    TxtDataHead = box(request, QStringLiteral("EC ED 00"), "TxtDataHead");
    TxtHeadStart = box(request, QStringLiteral("1"), "TxtHeadStart");
    rq->addWidget(label(request, QStringLiteral("绑定通道：")), 0, 0);
    rq->addWidget(ComboDataHead, 0, 1, 1, 5);
    rq->addWidget(label(request, QStringLiteral("采集指令：")), 1, 0);
    rq->addWidget(TxtCmdVal, 1, 1, 1, 5);
    rq->addWidget(label(request, QStringLiteral("校验：")), 2, 0);
    rq->addWidget(ComboCheck, 2, 1);
    rq->addWidget(TxtCheckNum, 2, 2);
    rq->addWidget(TextCheck, 2, 3, 1, 3);
    rq->addWidget(label(request, QStringLiteral("响应报头：")), 3, 0);
    rq->addWidget(TxtDataHead, 3, 1, 1, 3);
    rq->addWidget(label(request, QStringLiteral("报头位置：")), 3, 4);
    rq->addWidget(TxtHeadStart, 3, 5);
    outer->addWidget(request);

    // --- value ---------------------------------------------------------------
    auto* value = new QGroupBox(QStringLiteral("通道变量设置"), this);
    auto* vl = new QGridLayout(value);
    ComboXieYi = list(value, protocol::protocolItems(), "ComboXieYi");
    ComboDataFormat = list(value, protocol::dataFormatItems(), "ComboDataFormat");
    ComboValType = list(value, valueTypeItems(), "ComboValType");
    ComboByteSort = list(value, protocol::byteSortItems(), "ComboByteSort");
    TxtValStart = box(value, QStringLiteral("5"), "TxtValStart");
    TxtValBytes = box(value, QStringLiteral("4"), "TxtValBytes");
    Label56 = label(value, QStringLiteral("小数点  位置："), "Label56");
    TxtPointStart = box(value, QStringLiteral("0"), "TxtPointStart");
    const char* signTexts[3] = {"符号位置：", "正号：", "负号："};
    for (int i = 0; i < 3; ++i) {
        Label57[i] = label(value, QString::fromUtf8(signTexts[i]));
        Controls::setArrayName(Label57[i], QStringLiteral("Label57"), i);
    }
    TxtSflgStart = box(value, QStringLiteral("4"), "TxtSflgStart");
    TxtPsflg = box(value, QStringLiteral("31"), "TxtPsflg");
    TxtNsflg = box(value, QStringLiteral("30"), "TxtNsflg");
    for (int i = 0; i < 2; ++i) {
        Label32[i] = label(value, kHex);
        Controls::setArrayName(Label32[i], QStringLiteral("Label32"), i);
        Label32[i]->setCursor(Qt::PointingHandCursor);
        Label32[i]->installEventFilter(this);
    }
    const char* limitTexts[3] = {"小数位数：", "上限：", "下限："};
    for (int i = 0; i < 3; ++i) {
        Label58[i] = label(value, QString::fromUtf8(limitTexts[i]));
        Controls::setArrayName(Label58[i], QStringLiteral("Label58"), i);
    }
    TxtValPoint = box(value, QStringLiteral("1"), "TxtValPoint");
    TxtValUp = box(value, QStringLiteral("35.5"), "TxtValUp");
    TxtValDown = box(value, QStringLiteral("15.6"), "TxtValDown");
    Label40 = label(value, QStringLiteral("开关量状态描述  1＝"), "Label40");
    Label41 = label(value, QStringLiteral("0＝"), "Label41");
    Label42 = label(value, QStringLiteral("开关量取值位置"), "Label42");
    ComboBit = list(value, protocol::bitItems(), "ComboBit");
    TextDIValON = box(value, QStringLiteral("31"), "TextDIValON");
    TextDIon = box(value, QStringLiteral("开启"), "TextDIon");
    TextDIoff = box(value, QStringLiteral("关闭"), "TextDIoff");
    CmdPrev = new QPushButton(QStringLiteral("上一通道"), value);
    Controls::setName(CmdPrev, "CmdPrev");
    CmdNext = new QPushButton(QStringLiteral("下一通道"), value);
    Controls::setName(CmdNext, "CmdNext");

    int r = 0;
    vl->addWidget(label(value, QStringLiteral("通信协议：")), r, 0);
    vl->addWidget(ComboXieYi, r, 1);
    vl->addWidget(label(value, QStringLiteral("数据格式：")), r, 2);
    vl->addWidget(ComboDataFormat, r, 3);
    ++r;
    vl->addWidget(label(value, QStringLiteral("数值类型：")), r, 0);
    vl->addWidget(ComboValType, r, 1);
    vl->addWidget(label(value, QStringLiteral("字节排序：")), r, 2);
    vl->addWidget(ComboByteSort, r, 3);
    ++r;
    vl->addWidget(label(value, QStringLiteral("起始位置：")), r, 0);
    vl->addWidget(TxtValStart, r, 1);
    vl->addWidget(label(value, QStringLiteral("长度：")), r, 2);
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
    TxtBJReTime = box(alarm, QStringLiteral("60"), "TxtBJReTime");
    TxtBJCount = box(alarm, QStringLiteral("1"), "TxtBJCount");
    TxtBJReadCount = box(alarm, QStringLiteral("1"), "TxtBJReadCount");
    Option15 = new QRadioButton(QStringLiteral("汉字"), alarm);
    Controls::setName(Option15, "Option15");
    Option14 = new QRadioButton(QStringLiteral("英文"), alarm);
    Controls::setName(Option14, "Option14");
    Controls::exclusiveGroup(alarm, {Option15, Option14});
    Option15->setChecked(true);
    ComboBJPhone = list(alarm, protocol::phoneChoiceItems(), "ComboBJPhone");
    TextAutoSend = box(alarm, QStringLiteral("0"), "TextAutoSend");
    r = 0;
    al->addWidget(label(alarm, QStringLiteral("报警间隔")), r, 0);
    al->addWidget(TxtBJReTime, r, 1);
    al->addWidget(label(alarm, QStringLiteral("报警次数")), r, 2);
    al->addWidget(TxtBJCount, r, 3);
    al->addWidget(label(alarm, QStringLiteral("超限次数")), r, 4);
    al->addWidget(TxtBJReadCount, r, 5);
    ++r;
    al->addWidget(Option15, r, 0);
    al->addWidget(Option14, r, 1);
    al->addWidget(label(alarm, QStringLiteral("短信报警号码")), r, 2);
    al->addWidget(ComboBJPhone, r, 3);
    al->addWidget(label(alarm, QStringLiteral("定时上传")), r, 4);
    al->addWidget(TextAutoSend, r, 5);
    ++r;
    al->addWidget(label(alarm, QStringLiteral("短信报警内容：（限120英文/60个汉字）")), r, 0, 1, 4);
    al->addWidget(label(alarm, QStringLiteral("连接变量：")), r, 4, 1, 2);
    ++r;
    for (int i = 0; i < Segments; ++i) {
        Label60[i] = label(alarm, QString::number(i + 1));
        Controls::setArrayName(Label60[i], QStringLiteral("Label60"), i);
        TxtSMS[i] = new QLineEdit(kDesignSegments[i], alarm);
        Controls::setArrayName(TxtSMS[i], QStringLiteral("TxtSMS"), i);
        TxtSMS[i]->installEventFilter(this);
        CheckCrLf[i] = new QCheckBox(QStringLiteral("换行"), alarm);
        Controls::setArrayName(CheckCrLf[i], QStringLiteral("CheckCrLf"), i);
        ComboLinkVal[i] = list(alarm, protocol::linkValueItems(), nullptr);
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

void ChannelEditor::wireRules() {
    Controls::onClick(ComboXieYi, this, [this] { onProtocol(); });
    Controls::onClick(ComboDataFormat, this, [this] { onDataFormat(); });
    Controls::onClick(ComboValType, this, [this] { onValueType(); });
    Controls::onClick(ComboDataHead, this, [this] { onBinding(); });
    Controls::onClick(ComboBJPhone, this, [this] { onPhoneChoice(); });
    for (int i = 0; i < Segments; ++i) Controls::onClick(ComboLinkVal[i], this, [this, i] { onLinkVal(i); });
    Controls::onClick(CmdNext, this, [this] { onStep(+1); });
    Controls::onClick(CmdPrev, this, [this] { onStep(-1); });
    for (int i = 0; i < 2; ++i) Controls::onCodeClick(Label32[i], this, [this, i] { onSignView(i); });
    Controls::onCodeClick(TextCheck, this, [this] { onCheckCode(); });
    Controls::onClick(Command1[0], this, [this] { save(); });
    Controls::onClick(Command1[1], this, [this] { unload(); });
    connect(Timer1, &VbTimer::tick, this, &ChannelEditor::loadRow);

    for (QLineEdit* b :
         {TxtBJReTime, TxtBJCount, TxtBJReadCount, TxtValBytes, TxtValPoint, TxtCheckNum, TxtHeadStart,
          TxtPointStart, TxtSflgStart, TxtValStart, TxtCmdVal, TxtPsflg, TxtNsflg})
        connect(b, &QLineEdit::textChanged, this, [this, b] { applyRange(b); });
    for (QLineEdit* b : TxtSMS) connect(b, &QLineEdit::textChanged, this, [this, b] { applyRange(b); });
}

bool ChannelEditor::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->isEnabled() && (watched == TextCheck || watched == Label32[0] || watched == Label32[1]))
            Controls::runClick(watched);
    } else if (e->type() == QEvent::FocusIn) {
        for (QLineEdit* b : TxtSMS)
            if (watched == b) QTimer::singleShot(0, b, &QLineEdit::selectAll);
    }
    return QWidget::eventFilter(watched, e);
}

// --- opening, loading, saving ----------------------------------------------

void ChannelEditor::formLoad() {
    m_isLoading = true;
    for (QComboBox* c : {ComboXieYi, ComboDataFormat, ComboByteSort, ComboValType, ComboBit}) choose(c, 0);
    for (QComboBox* c : ComboLinkVal) choose(c, 0);
    choose(ComboCheck, 0);
    setBox(TxtCheckNum, QStringLiteral("1字节"));
    m_isLoading = false;
    Timer1->rearm(LoadDelayMs);
}

QString ChannelEditor::cell(int col) const { return m_grid ? m_grid->TextMatrix(m_row, col) : QString(); }

void ChannelEditor::setBox(QLineEdit* b, const QString& text) { b->setText(text); }

void ChannelEditor::loadRow() {
    Timer1->setEnabled(false);
    m_isLoading = true;
    auto num = [this](int col) { return plain(number(cell(col))); };

    setBox(TxtBJReTime, num(ColInterval));
    setBox(TxtBJCount, num(ColAlarmCount));
    Controls::setValueAndClick(cell(ColLanguage) == QStringLiteral("汉字") ? Option15 : Option14, true);
    // Phones: the mask first, then the choice that matches it. The mask is
    // read up to the first character that is not a hex digit, a blank
    // included; the row frame reads past blanks (phoneMaskOf), which a cell
    // this editor wrote never holds.
    g::PhoneMask = static_cast<int64_t>(hexNumber(cell(ColPhones)) & 0xFFFFFF);
    choose(ComboBJPhone, protocol::phoneChoiceOf(static_cast<uint32_t>(g::PhoneMask)));
    setBox(TextAutoSend, num(ColUpload));
    setBox(TxtSflgStart, num(ColSignPos));
    setBox(TxtPsflg, cell(ColPlusSign));
    setBox(TxtNsflg, cell(ColMinusSign));
    setBox(TxtPointStart, num(ColPointPos));
    setBox(TxtValPoint, num(ColDecimals));
    chooseText(ComboValType, cell(ColValueType));
    setBox(TxtValStart, num(ColValuePos));
    setBox(TxtValBytes, num(ColValueLen));
    chooseText(ComboCheck, cell(ColCheck));
    setBox(TxtCheckNum, cell(ColCheckBytes));
    setBox(TxtBJReadCount, num(ColOverCount));
    chooseText(ComboXieYi, cell(ColProtocol));
    chooseText(ComboDataFormat, cell(ColFormat));
    chooseText(ComboByteSort, cell(ColByteOrder));
    const QString bit = cell(ColBit);
    const qsizetype comma = bit.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        setBox(TextDIValON, bit.right(2));
        chooseText(ComboBit, bit.left(comma));
    } else {
        setBox(TextDIValON, QString());
        chooseText(ComboBit, bit);
    }
    setBox(TxtHeadStart, cell(ColHeadPos));
    setBox(TxtValUp, num(ColUpper));
    setBox(TxtValDown, num(ColLower));
    setBox(TxtDataHead, cell(ColHead));
    setBox(TxtCmdVal, cell(ColCommand));
    setBox(TextDIon, cell(ColOn).isEmpty() ? QStringLiteral("开启") : cell(ColOn));
    setBox(TextDIoff, cell(ColOff).isEmpty() ? QStringLiteral("关闭") : cell(ColOff));

    const QString links = cell(ColLinks);
    if (!links.isEmpty()) {
        const QStringList items = links.split(QLatin1Char(','));
        for (int i = 0; i < items.size() && i < Segments; ++i) chooseText(ComboLinkVal[i], items[i]);
    }

    // Binding list: every other channel of the table, in row order.
    {
        const QSignalBlocker block(ComboDataHead);
        ComboDataHead->clear();
        ComboDataHead->addItem(kNoBinding);
        FlexGrid* grid = m_grid.data();
        const QString own = cell(ColLabel);
        for (int k = 1; grid && k < grid->Rows(); ++k) {
            const QString lbl = grid->TextMatrix(k, ColLabel);
            if (lbl != own) ComboDataHead->addItem(lbl);
        }
        ComboDataHead->setCurrentIndex(-1);
    }
    setBox(TxtDataHead, TxtDataHead->text().remove(QLatin1Char(' ')));
    if (TxtDataHead->text().size() == 2 && number(TxtHeadStart->text()) == 0) {
        const quint64 c = hexNumber(TxtDataHead->text());
        if (c > 128) {
            const quint64 p = c - 128;
            choose(ComboDataHead, p > 0 && p < quint64(ComboDataHead->count()) ? int(p) : 0);
        }
    } else {
        choose(ComboDataHead, 0);
    }

    if (const auto parts = protocol::splitSmsColumn(cell(ColSms))) {
        for (int i = 0; i < Segments; ++i) setBox(TxtSMS[i], parts->sms.segments[i]);
        if (parts->flagsValid)
            for (int i = 0; i < Segments; ++i) CheckCrLf[i]->setChecked(parts->sms.lineBreaks[i]);
    }

    m_isLoading = false;
    m_loaded = true;
    emit rowLoaded();
}

QString ChannelEditor::smsColumn() const {
    protocol::SmsColumn sms;
    for (int i = 0; i < Segments; ++i) {
        sms.segments[i] = TxtSMS[i]->text();
        sms.lineBreaks[i] = CheckCrLf[i]->isChecked();
    }
    return protocol::smsColumnText(sms);
}

QString ChannelEditor::signCell(int index) const {
    QLineEdit* b = index == 1 ? TxtPsflg : TxtNsflg;
    const QString text = b->text();
    if (Label32[index]->text() != kAsc || text.isEmpty()) return text;
    const int code = singleByteCode(text.at(0));
    if (code >= 0) return ByteToHex2(static_cast<uint8_t>(code));
    const QByteArray gbk = TextCodec::toGbk(text.left(1));
    QString hex;
    for (char ch : gbk) hex += ByteToHex2(static_cast<uint8_t>(ch));
    return hex;
}

void ChannelEditor::save() {
    FlexGrid* grid = m_grid.data();
    // The table may have been emptied or shortened while the editor was
    // open: the row it was opened on is gone, and whatever now stands there
    // is another channel.
    if (!grid || m_row < 1 || m_row >= grid->Rows()) {
        unload();
        return;
    }
    const QString sms = smsColumn();
    // Checked before anything is written, so that a refused OK leaves the
    // row exactly as it was.
    if (Option14->isChecked() && !protocol::englishTextAccepted(sms)) {
        Dialogs::msgBox(this, QStringLiteral("短信选择了英文模式，但是短信内容有Unicode 编码字符"),
                        QStringLiteral("提示"), Dialogs::Icon::Information);
        return;
    }
    auto put = [grid, this](int col, const QString& text) { grid->setTextMatrix(m_row, col, text); };
    put(ColInterval, TxtBJReTime->text());
    put(ColAlarmCount, TxtBJCount->text());
    put(ColLanguage, Option15->isChecked() ? QStringLiteral("汉字") : QStringLiteral("英文"));
    // The bracket names the choice as the list shows it; a read-back names
    // the one the mask implies (phoneMaskText), which can differ when the
    // picker left a mask of 0 or FFFFFF under "号码表自选".
    put(ColPhones, QString::number(static_cast<quint32>(g::PhoneMask), 16).toUpper() + QLatin1Char('(') +
                       ComboBJPhone->currentText() + QLatin1Char(')'));
    put(ColUpload, plain(number(TextAutoSend->text())));
    put(ColSignPos, TxtSflgStart->text());
    put(ColPlusSign, signCell(1));
    put(ColMinusSign, signCell(0));
    put(ColPointPos, TxtPointStart->text());
    put(ColDecimals, TxtValPoint->text());
    put(ColValueType, ComboValType->currentText());
    put(ColValuePos, TxtValStart->text());
    put(ColValueLen, TxtValBytes->text());
    put(ColCheck, ComboCheck->currentText());
    put(ColCheckBytes, TxtCheckNum->text());
    put(ColOverCount, TxtBJReadCount->text());
    put(ColProtocol, ComboXieYi->currentText());
    put(ColFormat, ComboDataFormat->currentText());
    put(ColByteOrder, ComboByteSort->currentText());
    QString bit = ComboBit->currentText();
    if (ComboBit->currentIndex() == 8) bit += QLatin1Char(',') + TextDIValON->text().left(2);
    put(ColBit, bit);
    put(ColHeadPos, plain(number(TxtHeadStart->text())));
    put(ColUpper, plain(number(TxtValUp->text())));
    put(ColLower, plain(number(TxtValDown->text())));
    const int binding = ComboDataHead->currentIndex();
    put(ColHead, binding > 0 ? protocol::bindingCodeText(binding) : TxtDataHead->text());
    put(ColCommand, TxtCmdVal->text());
    put(ColOn, TextDIon->text());
    put(ColOff, TextDIoff->text());
    put(ColSms, sms);
    QStringList links;
    for (QComboBox* c : ComboLinkVal) links << c->currentText();
    put(ColLinks, links.join(QLatin1Char(',')));
    put(ColMarker, QString());
    if (m_host) m_host->enableNewRowButton();
    unload();
}

void ChannelEditor::releaseTable() {
    if (m_unloaded) return;
    m_unloaded = true;
    Timer1->setEnabled(false);
    if (!m_host) return;
    m_host->setInGridLocked(false);
    m_host->focusSettingsForm();
}

void ChannelEditor::unload() {
    releaseTable();
    close();
}

void ChannelEditor::closeEvent(QCloseEvent* e) {
    releaseTable();
    QWidget::closeEvent(e);
}

// --- rules -----------------------------------------------------------------

void ChannelEditor::onProtocol() {
    if (m_isLoading) return;
    const int p = ComboXieYi->currentIndex();
    if (p < 0 || p > 2) return;
    struct Preset {
        int format;
        int valueType;  // -1: left as it is
        const char* valueStart;
        const char* valueBytes;  // nullptr: by value type
        const char* pointStart;
        const char* signStart;
        const char* plusSign;
        const char* minusSign;
        const char* decimals;
        int check;
        const char* checkBytes;
        const char* head;
        const char* headStart;
        const char* command;
    };
    static const Preset presets[3] = {
        {1, 0, "5", "4", "0", "4", "31", "30", "1", 1, "1字节", "EC ED 00", "1", "FD FE 00 03 "},
        {0, -1, "4", nullptr, "0", "0", "0", "0", "0", 3, "2字节", "01 03 00 04 ", "1",
         "01 03 40 00 00 02 D1 CB "},
        {1, 1, "3", "6", "5", "2", "2B", "2D", "3", 0, "0字节", "3E ", "1", "23 30 31 0D "},
    };
    const Preset& s = presets[p];
    choose(ComboDataFormat, s.format);
    if (s.valueType >= 0) choose(ComboValType, s.valueType);
    setBox(TxtValStart, QString::fromUtf8(s.valueStart));
    if (s.valueBytes) {
        setBox(TxtValBytes, QString::fromUtf8(s.valueBytes));
    } else {
        const int t = ComboValType->currentIndex();
        setBox(TxtValBytes, t == 1   ? QStringLiteral("4")
                            : t == 0 ? QStringLiteral("2")
                                     : QStringLiteral("1"));
    }
    setBox(TxtPointStart, QString::fromUtf8(s.pointStart));
    setBox(TxtSflgStart, QString::fromUtf8(s.signStart));
    setBox(TxtPsflg, QString::fromUtf8(s.plusSign));
    setBox(TxtNsflg, QString::fromUtf8(s.minusSign));
    setBox(TxtValPoint, QString::fromUtf8(s.decimals));
    choose(ComboCheck, s.check);
    setBox(TxtCheckNum, QString::fromUtf8(s.checkBytes));
    if (ComboDataHead->currentIndex() == 0) {
        setBox(TxtDataHead, QString::fromUtf8(s.head));
        setBox(TxtHeadStart, QString::fromUtf8(s.headStart));
        setBox(TxtCmdVal, QString::fromUtf8(s.command));
    }
    for (int i = 0; i < 3; ++i) Frame16[i]->setVisible(i == p);
}

void ChannelEditor::onDataFormat() {
    if (m_isLoading) return;
    const int s = ComboValType->currentIndex();
    const int format = ComboDataFormat->currentIndex();
    {
        const QSignalBlocker block(ComboValType);
        ComboValType->clear();
        QStringList items = valueTypeItems();
        if (format == 2) items.removeLast();
        ComboValType->addItems(items);
        ComboValType->setCurrentIndex(-1);
    }
    if (format == 1) {
        Label56->setEnabled(true);
        TxtPointStart->setEnabled(true);
        Controls::setListIndexQuiet(ComboByteSort, 2);
    } else if (format == 0) {
        Label56->setEnabled(false);
        TxtPointStart->setEnabled(false);
        setBox(TxtPointStart, QStringLiteral("0"));
        if (ComboByteSort->currentIndex() == 2) Controls::setListIndexQuiet(ComboByteSort, 0);
    }
    choose(ComboValType, s >= 0 && s < ComboValType->count() ? s : 0);
}

void ChannelEditor::setBaseColour(QLineEdit* b, const QColor& c) {
    QPalette pal = b->palette();
    pal.setColor(QPalette::Base, c);
    b->setPalette(pal);
}

void ChannelEditor::onValueType() {
    if (m_isLoading) return;
    const QColor face = palette().color(QPalette::Button);
    QList<QWidget*> switchGroup = {Label40, Label41, Label42, ComboBit, TextDIon, TextDIoff};
    for (QWidget* w : switchGroup) w->setEnabled(false);
    auto enable = [](std::initializer_list<QWidget*> ws, bool on) {
        for (QWidget* w : ws) w->setEnabled(on);
    };
    switch (ComboValType->currentIndex()) {
        case 2:
            setBox(TxtValUp, QStringLiteral("0"));
            setBox(TxtValDown, QStringLiteral("1"));
            for (QLineEdit* b : {TxtValPoint, TxtSflgStart, TxtPsflg, TxtNsflg, TxtPointStart})
                setBox(b, QStringLiteral("0"));
            for (QWidget* w : switchGroup) w->setEnabled(true);
            enable({Label57[0], Label57[1], Label57[2], Label58[0], TxtSflgStart, TxtPsflg, TxtNsflg,
                    TxtValPoint, Label56, TxtPointStart},
                   false);
            for (QLineEdit* b : {TxtSflgStart, TxtPsflg, TxtNsflg, TxtValPoint, TxtPointStart})
                setBaseColour(b, face);
            break;
        case 0:
            setBox(TxtValPoint, QStringLiteral("0"));
            setBox(TxtPointStart, QStringLiteral("0"));
            enable({Label58[0], TxtValPoint, Label57[0], Label57[1], Label57[2], TxtSflgStart, TxtPsflg,
                    TxtNsflg},
                   true);
            enable({Label56, TxtPointStart}, false);
            setBaseColour(TxtValPoint, kPaleGreen);
            for (QLineEdit* b : {TxtSflgStart, TxtPsflg, TxtNsflg}) setBaseColour(b, kPaleRed);
            setBaseColour(TxtPointStart, face);
            break;
        case 1:
            enable({Label57[0], Label57[1], Label57[2], Label58[0], Label58[1], Label58[2], TxtSflgStart,
                    TxtPsflg, TxtNsflg, TxtValPoint, TxtValUp, TxtValDown, Label56, TxtPointStart},
                   true);
            for (QLineEdit* b : {TxtSflgStart, TxtPsflg, TxtNsflg}) setBaseColour(b, kPaleRed);
            for (QLineEdit* b : {TxtValPoint, TxtValUp, TxtValDown}) setBaseColour(b, kPaleGreen);
            setBaseColour(TxtPointStart, kPaleCyan);
            break;
        default:
            break;
    }
}

void ChannelEditor::onBinding() {
    if (ComboDataHead->currentIndex() <= 0) return;
    // A bound channel takes the other channel's answer: no command, no head.
    setBox(TxtCmdVal, QString());
    setBox(TxtDataHead, QString());
    setBox(TxtHeadStart, QStringLiteral("0"));
}

void ChannelEditor::onLinkVal(int i) {
    const int item = ComboLinkVal[i]->currentIndex();
    if (item > 0) {
        setBox(TxtSMS[i], ComboLinkVal[i]->currentText() + QLatin1Char(':'));
        Label60[i]->setEnabled(false);
    } else if (item == 0) {
        Label60[i]->setEnabled(true);
    }
}

void ChannelEditor::onPhoneChoice() {
    switch (ComboBJPhone->currentIndex()) {
        case 1:
            g::PhoneMask = 0xFFFFFF;
            break;
        case 2:
            // The picker ticks the numbers of the current mask once the
            // table read has brought the numbers in.
            if (!m_host) break;
            NumberPicker::open(this, QString(), m_host->phoneGrid(), {}, this);
            m_host->pressPhoneTableRead();
            break;
        default:
            g::PhoneMask = 0;
            break;
    }
}

void ChannelEditor::onStep(int direction) {
    double w = VbNum::roundHalfEven(number(TxtValBytes->text()));
    const bool signed_ = number(TxtSflgStart->text()) > 0;
    if (signed_) w += 1;
    if (direction < 0 && !(number(TxtValStart->text()) > w)) return;
    const double d = direction * w;
    setBox(TxtValStart, plain(number(TxtValStart->text()) + d));
    if (ComboValType->currentIndex() == 1) setBox(TxtPointStart, plain(number(TxtPointStart->text()) + d));
    if (signed_) setBox(TxtSflgStart, plain(number(TxtSflgStart->text()) + d));
}

void ChannelEditor::onSignView(int index) {
    QLineEdit* b = index == 1 ? TxtPsflg : index == 0 ? TxtNsflg : nullptr;
    if (!b) return;
    const QString text = b->text();
    if (Label32[index]->text() == kHex) {
        const quint64 c = hexNumber(text);
        if (c >= 128) {
            // Refused: the view stays on the digits, so OK stores the byte
            // that was typed, not the code of its first digit.
            Dialogs::msgBox(this, QStringLiteral("不是标准ASCII码字符"), QStringLiteral("提示"),
                            Dialogs::Icon::Information);
            return;
        }
        Label32[index]->setText(kAsc);
        setBox(b, c == 0 ? QString() : QString(QChar(static_cast<ushort>(c))));
    } else {
        if (text.isEmpty()) {
            Label32[index]->setText(kHex);
            return;
        }
        const int code = singleByteCode(text.at(0));
        // A character without a one-byte code has no two digits to show;
        // the view stays on the character rather than read it as digits.
        if (code < 0) return;
        Label32[index]->setText(kHex);
        setBox(b, ByteToHex2(static_cast<uint8_t>(code)));
    }
}

void ChannelEditor::onCheckCode() {
    try {
        const std::optional<QString> code =
            protocol::checkCodeText(TxtCmdVal->text(), protocol::CheckSource::Spaced,
                                    ComboCheck->currentIndex(), TxtCheckNum->text());
        if (code) TextCheck->setText(*code);
    } catch (const std::exception& e) {
        Dialogs::msgBox(this, QStringLiteral("计算校验结果发生错误 ") + QString::fromLocal8Bit(e.what()),
                        QStringLiteral("错误！"), Dialogs::Icon::Information);
    }
}

void ChannelEditor::applyRange(QLineEdit* b) {
    const QString text = b->text();
    const double v = number(text);
    QString fixed = text;
    if (b == TxtBJReTime || b == TxtBJCount || b == TxtBJReadCount) {
        if (v > 255)
            fixed = QStringLiteral("255");
        else if (v < 0)
            fixed = QStringLiteral("0");
    } else if (b == TxtValBytes) {
        if (v > 10)
            fixed = QStringLiteral("10");
        else if (v < 0)
            fixed = QStringLiteral("0");
    } else if (b == TxtValPoint) {
        if (v > 4)
            fixed = QStringLiteral("4");
        else if (v < 0)
            fixed = QStringLiteral("0");
    } else if (b == TxtCheckNum) {
        if (v > 3) fixed = QStringLiteral("0");
    } else if (b == TxtHeadStart || b == TxtPointStart || b == TxtSflgStart) {
        if (v < 0) fixed = QStringLiteral("0");
    } else if (b == TxtValStart) {
        if (!(v > 0)) fixed = QStringLiteral("0");
    } else if (b == TxtCmdVal) {
        if (text.size() > 120) {
            setBox(b, text.left(120));
            return;  // the shortened text runs this rule again
        }
        if (ComboCheck->currentIndex() > 0) onCheckCode();
        return;
    } else if (b == TxtPsflg || b == TxtNsflg) {
        fixed = text.left(2);
    } else {
        fixed = text.left(40);  // an SMS segment
    }
    if (fixed != text) setBox(b, fixed);
}
