#include "OutputFrameEditor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <functional>

#include "core/Routines.h"
#include "core/protocol/CheckCode.h"
#include "core/protocol/ValueLists.h"
#include "RowEditorGate.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"
#include "platform/VbTimer.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"
#include "varnel/core/VarnelRoutines.h"

namespace {

const QString kTitle = QStringLiteral("提示");
const QString kNotAscii = QStringLiteral("不是标准ASCII码字符");
const QString kHex = QStringLiteral("Hex");
const QString kAsc = QStringLiteral("Asc");
const QString kRawValue = QStringLiteral("原值输出");
const QString kCommandGone = QStringLiteral("所编辑的指令已不在指令表中，输出数据没有写入");

// A label or box that runs its click handling when the user clicks it.
template <class Base>
class Clickable : public Base {
public:
    using Base::Base;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        Base::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton && this->rect().contains(e->position().toPoint()))
            Controls::runClick(this);
    }
};

// Up to the first two characters read as hexadecimal digits ("2b" -> 43,
// "zz" -> 0).
int hexValue(const QString& digits) {
    const double v = VbNum::val(QStringLiteral("&H") + digits.left(2));
    return v > 0 && v < 256 ? static_cast<int>(v) : 0;
}

QString withoutBlanks(QString s) { return s.remove(QLatin1Char(' ')); }

// The value types offered: the row frame's list, whose item 0 this editor
// names "原值输出" while the data format is "ASCII码". Either text of item 0
// goes to the module as position 0 ("原值输出" is in no lookup list).
QStringList valueTypeChoices() {
    QStringList items = protocol::valueTypeItems();
    items[0] = kRawValue;
    return items;
}

// The switch output values offered are not the row frame's lookup list
// (doValueItems: "0", "1", "00", "FF", "按指令输出"): "0", "1" and "FF" go
// as their positions there, while "2" and "原值输出" are in no lookup list
// and go as position 0, which is what the module has always been sent for
// them.
QStringList doValueChoices() {
    return {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("FF"), kRawValue};
}

QString numberText(const QLineEdit* box) { return VbNum::str(VbNum::val(box->text())); }

// A box that the record takes as a byte holds a whole number 0-255 and
// nothing else ("1字节" for the check byte count); anything more would go
// out as something the box does not show.
bool isByteNumber(const QString& text, bool bytesUnit) {
    static const QRegularExpression plain(QStringLiteral("^ *[0-9]{1,3} *$"));
    static const QRegularExpression withUnit(QStringLiteral("^ *[0-9]{1,3} *(字节)? *$"));
    return (bytesUnit ? withUnit : plain).match(text).hasMatch() && VbNum::val(text) <= 255;
}

// Hex digits in pairs, blanks between them allowed.
bool isHexBytes(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    return hex.match(withoutBlanks(text)).hasMatch();
}

// What a sign box in the hex view may hold: up to two hex digits.
bool isSignDigits(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{0,2}$"));
    return hex.match(withoutBlanks(text)).hasMatch();
}

// The character a sign byte shows in the character view: none for 0, the
// printable ASCII characters; nullopt for a byte no box can show as one.
std::optional<QString> signCharacter(int v) {
    if (v == 0) return QString();
    if (v >= 0x20 && v < 0x7F) return QString(QChar(v));
    return std::nullopt;
}

QLabel* caption(const char* text, QWidget* parent) { return new QLabel(QString::fromUtf8(text), parent); }

}  // namespace

OutputFrameEditor::OutputFrameEditor(OutputFrameEditorHost& host)
    : QWidget(host.editorOwner(), Qt::Window), m_grid(host.commandGrid()), m_host(&host) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("参数设置－输出数据"));
    setAttribute(Qt::WA_DeleteOnClose);

    if (m_grid && m_grid->Row() >= 1)
        m_row = QPersistentModelIndex(m_grid->model()->index(m_grid->Row() - 1, kFrameColumn));

    buildControls();

    // The state every opening starts from; the cell is read a moment later.
    Controls::setListIndexAndClick(m_xieYi, 0, Controls::ClickWhen::Always);
    Controls::setListIndexAndClick(m_dataFormat, 0, Controls::ClickWhen::Always);
    Controls::setListIndexAndClick(m_byteSort, 0, Controls::ClickWhen::Always);
    Controls::setListIndexAndClick(m_valType, 0, Controls::ClickWhen::Always);
    Controls::setListIndexAndClick(m_check, 0, Controls::ClickWhen::Always);
    m_checkNum->setText(QStringLiteral("1字节"));

    m_timer1 = new VbTimer(this, 200, false);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer1, &VbTimer::tick, this, &OutputFrameEditor::load);
    m_timer1->setEnabled(true);
}

OutputFrameEditor::~OutputFrameEditor() = default;

void OutputFrameEditor::buildControls() {
    using Controls::named;
    auto combo = [this](const char* name, const QStringList& items) {
        auto* c = named(new QComboBox(this), name);
        c->addItems(items);
        return c;
    };
    auto box = [this](const char* name, const char* text) {
        return named(new QLineEdit(QString::fromUtf8(text), this), name);
    };

    m_xieYi = combo("ComboXieYi", protocol::protocolItems());
    m_dataFormat = combo("ComboDataFormat", protocol::dataFormatItems());
    m_byteSort = combo("ComboByteSort", protocol::byteSortItems());
    m_byteSort->setToolTip(QStringLiteral("16进制格式报文中，表示低位在前，还是高位在前"));
    m_valType = combo("ComboValType", valueTypeChoices());
    m_doVal = combo("ComboDOVal", doValueChoices());
    m_check = combo("ComboCheck", protocol::checkMethodItems());
    m_check->setToolTip(QStringLiteral("数据中采用的校验方式"));

    m_diOut = box("TextDIout", "FF");
    m_diOut->setToolTip(QStringLiteral("16进制数值"));
    m_diOut->setMaxLength(2);
    m_valStart = box("TxtValStart", "5");
    m_valStart->setToolTip(QStringLiteral("输出值在数据流中的起始位置，范围,1-255"));
    m_valBytes = box("TxtValBytes", "4");
    m_valBytes->setToolTip(QStringLiteral("仅ASCII报文有效"));
    m_valPoint = box("TxtValPoint", "0");
    m_valPoint->setToolTip(QStringLiteral("仅ASCII报文有效"));

    m_sign[1] = box("TxtPsflg", "31");
    m_sign[1]->setToolTip(QStringLiteral("正符号的16进制值，没有符号为空"));
    m_sign[0] = box("TxtNsflg", "30");
    m_sign[0]->setToolTip(QStringLiteral("负数符号的16进制值，没有符号为空"));
    for (int i = 0; i < 2; ++i) {
        m_signView[i] = new Clickable<QLabel>(kHex, this);
        Controls::setArrayName(m_signView[i], QStringLiteral("Label32"), i);
    }

    m_checkNum = box("TxtCheckNum", "1字节");
    m_checkNum->setToolTip(QStringLiteral("校验的字节数"));
    m_checkText = named(new Clickable<QLineEdit>(this), "TextCheck");
    m_checkText->setToolTip(QStringLiteral("单击获取校验码"));

    m_frameHex[0] = box("TxtDataHead", "01 06 00 00 00 01");
    m_frameHex[0]->setToolTip(QStringLiteral("数据头，16进制表示，字节间加空格，清空表示没有数据头"));
    m_frameText[0] = box("TxtDataHead1", "01 06 00 00 00 01");
    m_frameHex[1] = box("TxtDataWei", "");
    m_frameText[1] = box("TxtDataWei1", "");
    for (int i = 0; i < 2; ++i) {
        m_frameView[i] = new Clickable<QLabel>(kHex, this);
        Controls::setArrayName(m_frameView[i], QStringLiteral("Label3"), i);
        m_frameText[i]->hide();
    }
    const char* exampleTexts[3] = {"例：", "XX XX ", "报文尾 "};
    for (int i = 0; i < 3; ++i) {
        m_example[i] = new QLabel(QString::fromUtf8(exampleTexts[i]), this);
        Controls::setArrayName(m_example[i], QStringLiteral("Label4"), i);
    }
    m_ok = named(new QPushButton(QStringLiteral("确定"), this), "Command1");
    m_cancel = named(new QPushButton(QStringLiteral("取消"), this), "Command2");

    // Layout: protocol and number format, value, signs, check code, frame.
    auto* grid = new QGridLayout;
    int r = 0;
    grid->addWidget(caption("协议：", this), r, 0);
    grid->addWidget(m_xieYi, r, 1);
    grid->addWidget(caption("数据格式：", this), r, 2);
    grid->addWidget(m_dataFormat, r, 3);
    grid->addWidget(caption("字节顺序：", this), r, 4);
    grid->addWidget(m_byteSort, r, 5);
    ++r;
    grid->addWidget(caption("数值类型：", this), r, 0);
    grid->addWidget(m_valType, r, 1);
    grid->addWidget(caption("开关输出值：", this), r, 2);
    grid->addWidget(m_doVal, r, 3);
    grid->addWidget(m_diOut, r, 4);
    ++r;
    grid->addWidget(caption("起始位置：", this), r, 0);
    grid->addWidget(m_valStart, r, 1);
    grid->addWidget(caption("整数位数：", this), r, 2);
    grid->addWidget(m_valBytes, r, 3);
    grid->addWidget(caption("小数位数：", this), r, 4);
    grid->addWidget(m_valPoint, r, 5);
    ++r;
    auto signRow = [&](const char* text, int i, int col) {
        grid->addWidget(caption(text, this), r, col);
        auto* h = new QHBoxLayout;
        h->addWidget(m_sign[i]);
        h->addWidget(m_signView[i]);
        grid->addLayout(h, r, col + 1);
    };
    signRow("正号：", 1, 0);
    signRow("负号：", 0, 2);
    ++r;
    grid->addWidget(caption("校验：", this), r, 0);
    grid->addWidget(m_check, r, 1);
    grid->addWidget(m_checkNum, r, 2);
    grid->addWidget(caption("校验字", this), r, 3, Qt::AlignRight);
    grid->addWidget(m_checkText, r, 4, 1, 2);
    ++r;
    auto frameRow = [&](const char* text, int i) {
        grid->addWidget(caption(text, this), r, 0);
        auto* h = new QHBoxLayout;
        h->addWidget(m_frameHex[i], 1);
        h->addWidget(m_frameText[i], 1);
        h->addWidget(m_frameView[i]);
        grid->addLayout(h, r, 1, 1, 5);
        ++r;
    };
    frameRow("输出报文头：", 0);
    frameRow("报文尾：", 1);
    // Each example part starts where the one before ends.
    auto* example = new QHBoxLayout;
    example->setSpacing(0);
    for (QLabel* l : m_example) example->addWidget(l);
    example->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(example);
    top->addLayout(buttons);

    // Behaviour.
    Controls::onClick(m_xieYi, this, [this] { presetProtocol(); });
    Controls::onClick(m_dataFormat, this, [this] { dataFormatClicked(); });
    Controls::onClick(m_valType, this, [this] { valueTypeClicked(); });
    // A comma would split the record into more fields than it has, so none
    // reaches a box whose text the record takes as typed; a sign in the
    // character view is stored as its code, a comma as "2C()".
    const auto dropCommas = [](QLineEdit* e, std::function<bool()> when) {
        Controls::installKeyFilter(e, [when = std::move(when)](int& key) {
            if (key == ',' && when()) key = 0;
        });
    };
    const auto always = [] { return true; };
    dropCommas(m_checkNum, always);
    for (int i = 0; i < 2; ++i) {
        Controls::onCodeClick(m_signView[i], this, [this, i] { switchSignView(i); });
        Controls::onCodeClick(m_frameView[i], this, [this, i] { switchFrameView(i); });
        connect(m_sign[i], &QLineEdit::textChanged, this, [this, i] { limitSign(i); });
        connect(m_frameHex[i], &QLineEdit::textChanged, this, [this, i] { updateExample(i); });
        connect(m_frameText[i], &QLineEdit::textChanged, this, [this, i] { updateExample(i); });
        for (QLineEdit* e : {m_frameHex[i], m_frameText[i]}) dropCommas(e, always);
        dropCommas(m_sign[i], [this, i] { return signHexView(i); });
    }
    Controls::onCodeClick(m_checkText, this, [this] { calculateCheck(); });
    connect(m_valStart, &QLineEdit::textChanged, this, [this] { limitNumber(m_valStart, 0, std::nullopt); });
    connect(m_valBytes, &QLineEdit::textChanged, this, [this] { limitNumber(m_valBytes, 0, 10); });
    connect(m_valPoint, &QLineEdit::textChanged, this, [this] { limitNumber(m_valPoint, 0, 4); });
    Controls::onClick(m_ok, this, [this] { accept(); });
    Controls::onClick(m_cancel, this, [this] { cancel(); });
}

std::optional<QString> OutputFrameEditor::ASC_HEX(const QString& text) {
    const auto bytes = protocol::ascFrameBytes(text);
    if (!bytes) return std::nullopt;
    QString out;
    for (char b : *bytes) out += ByteToHex2(static_cast<uint8_t>(b)) + QLatin1Char(' ');
    return out;
}

std::optional<QString> OutputFrameEditor::HEX_ASC(const QString& text) {
    QByteArray bytes;
    for (qsizetype k = 0; k < text.size(); k += 2) {
        // A control code is a character no box shows.
        const int v = hexValue(text.mid(k, 2));
        if (v < 0x20 || v > 0x7E) {
            Dialogs::msgBox(this, kNotAscii, kTitle, Dialogs::Icon::Information);
            return std::nullopt;
        }
        bytes += static_cast<char>(v);
    }
    return protocol::ascFrameText(bytes);
}

int OutputFrameEditor::editedRow() const { return m_row.isValid() ? m_row.row() + 1 : 0; }

void OutputFrameEditor::closeEvent(QCloseEvent* e) {
    if (FlexGrid* grid = m_grid) {
        grid->setScrollBars(3);
        if (QWidget* w = grid->window(); w && w != this) w->activateWindow();
    }
    QWidget::closeEvent(e);
}

// ---- presets and dependent lists ----

void OutputFrameEditor::presetProtocol() {
    if (m_isLoading) return;
    const int protocol = m_xieYi->currentIndex();
    const int valueType = m_valType->currentIndex();
    Controls::setListIndexAndClick(m_dataFormat, protocol == 1 ? 0 : 1, Controls::ClickWhen::Always);
    switch (protocol) {
        case 1: {  // Modbus RTU
            m_valStart->setText(QStringLiteral("4"));
            m_valBytes->setText(valueType == 1   ? QStringLiteral("4")
                                : valueType == 2 ? QStringLiteral("1")
                                                 : QStringLiteral("2"));
            m_signView[0]->setText(kHex);
            m_signView[1]->setText(kHex);
            m_sign[0]->clear();
            m_sign[1]->clear();
            Controls::setListIndexAndClick(m_check, 3);
            m_checkNum->setText(QStringLiteral("2字节"));
            m_frameText[0]->clear();
            setFrameView(0, true);
            m_frameHex[0]->setText(valueType == 1   ? QStringLiteral("01 06 00 00 00 02 ")
                                   : valueType == 2 ? QStringLiteral("01 05 00 00 00 01 ")
                                                    : QStringLiteral("01 06 00 00 00 01 "));
            m_frameHex[1]->clear();
            m_frameText[1]->clear();
            break;
        }
        case 2:  // DCON
            m_valStart->setText(QStringLiteral("3"));
            m_valBytes->setText(QStringLiteral("6"));
            m_valPoint->setText(QStringLiteral("3"));
            m_signView[0]->setText(kAsc);
            m_signView[1]->setText(kAsc);
            m_sign[0]->clear();
            m_sign[1]->clear();
            Controls::setListIndexAndClick(m_check, 0);
            m_checkNum->setText(QStringLiteral("0字节"));
            setFrameView(0, false);
            m_frameText[0]->setText(QStringLiteral("#010"));
            m_frameHex[1]->setText(QStringLiteral("0D"));
            m_frameText[1]->clear();
            break;
        default:  // 自定义
            m_valStart->setText(QStringLiteral("5"));
            m_valBytes->setText(QStringLiteral("4"));
            m_valPoint->setText(QStringLiteral("1"));
            // The captions first: the box keeps as many characters as its
            // view allows.
            m_signView[0]->setText(kHex);
            m_signView[1]->setText(kHex);
            m_sign[1]->setText(QStringLiteral("31"));
            m_sign[0]->setText(QStringLiteral("30"));
            Controls::setListIndexAndClick(m_check, 1);
            m_checkNum->setText(QStringLiteral("1字节"));
            m_frameText[0]->clear();
            setFrameView(0, true);
            m_frameHex[0]->setText(QStringLiteral("FD FE 00 03"));
            m_frameHex[1]->clear();
            m_frameText[1]->clear();
            break;
    }
    // The tail shows the box its caption names.
    setFrameView(1, true);
    updateExample(0);
    updateExample(1);
}

void OutputFrameEditor::dataFormatClicked() {
    const bool ascii = m_dataFormat->currentIndex() == 1;
    for (int i = 0; i < 2; ++i) {
        // The loader fills the boxes itself, from the record.
        if (m_isLoading)
            m_signView[i]->setText(ascii ? kAsc : kHex);
        else
            showSignIn(i, !ascii);
    }
    if (ascii)
        Controls::setListIndexAndClick(m_byteSort, 2);
    else if (m_byteSort->currentIndex() == 2)
        Controls::setListIndexAndClick(m_byteSort, 0);
    m_valType->setItemText(0, ascii ? kRawValue : protocol::valueTypeItems().at(0));
}

void OutputFrameEditor::valueTypeClicked() { m_valBytes->setText(QStringLiteral("2")); }

// ---- views ----

bool OutputFrameEditor::frameHexView(int i) const { return m_frameView[i]->text() == kHex; }
bool OutputFrameEditor::signHexView(int i) const { return m_signView[i]->text() == kHex; }

void OutputFrameEditor::setFrameView(int i, bool hex) {
    m_frameView[i]->setText(hex ? kHex : kAsc);
    m_frameHex[i]->setVisible(hex);
    m_frameText[i]->setVisible(!hex);
}

// A conversion that cannot be made leaves the view as it was, so that what
// the user sees is what OK stores.
void OutputFrameEditor::switchFrameView(int i) {
    if (frameHexView(i)) {
        const auto text = HEX_ASC(withoutBlanks(m_frameHex[i]->text()));
        if (!text) return;
        setFrameView(i, false);
        m_frameText[i]->setText(*text);
    } else {
        const auto hex = ASC_HEX(withoutBlanks(m_frameText[i]->text()));
        if (!hex) {
            Dialogs::msgBox(this, kNotAscii, kTitle, Dialogs::Icon::Information);
            return;
        }
        setFrameView(i, true);
        m_frameHex[i]->setText(*hex);
    }
    updateExample(i);
}

void OutputFrameEditor::switchSignView(int i) {
    const QString text = signText(i);
    if (!signHexView(i)) {
        if (text.isEmpty()) {
            m_signView[i]->setText(kHex);
            m_sign[i]->setText(text);
            return;
        }
        const auto code = TextCodec::oneByteCode(text.at(0));
        if (!code) {
            Dialogs::msgBox(this, kNotAscii, kTitle, Dialogs::Icon::Information);
            return;
        }
        m_signView[i]->setText(kHex);
        m_sign[i]->setText(ByteToHex2(*code));
        return;
    }
    const auto c = signCharacter(hexValue(text));
    if (!c) {
        Dialogs::msgBox(this, kNotAscii, kTitle, Dialogs::Icon::Information);
        return;
    }
    m_signView[i]->setText(kAsc);
    m_sign[i]->setText(*c);
}

// A change of data format brings each sign box into the view it gives,
// converted; a sign that has no form in that view keeps its own view, so the
// box still shows under its caption what OK stores.
void OutputFrameEditor::showSignIn(int i, bool hex) {
    if (signHexView(i) == hex) return;
    const QString text = signText(i);
    if (hex) {
        const auto code = text.isEmpty() ? std::optional<uint8_t>(0) : TextCodec::oneByteCode(text.at(0));
        if (!code) return;
        m_signView[i]->setText(kHex);
        m_sign[i]->setText(*code ? ByteToHex2(*code) : QString());
        return;
    }
    if (!isSignDigits(text)) return;
    const auto c = signCharacter(hexValue(text));
    if (!c) return;
    m_signView[i]->setText(kAsc);
    m_sign[i]->setText(*c);
}

// The sign box as its view reads it: digits without blanks, or in the
// character view the character itself, which may be a blank.
QString OutputFrameEditor::signText(int i) const {
    return signHexView(i) ? withoutBlanks(m_sign[i]->text()) : m_sign[i]->text();
}

std::optional<QString> OutputFrameEditor::signField(int i) const {
    const QString box = m_sign[i]->text();
    if (signHexView(i)) return protocol::signFieldFromHexView(box);
    return protocol::signFieldFromCharView(box);
}

// ---- input limits and the example line ----

void OutputFrameEditor::limitSign(int i) {
    const int keep = signHexView(i) ? 2 : 1;
    if (m_sign[i]->text().size() > keep) m_sign[i]->setText(m_sign[i]->text().left(keep));
}

void OutputFrameEditor::limitNumber(QLineEdit* box, double low, std::optional<double> high) {
    // The limits are for what the user types: a value the module holds
    // stays as loaded until its box is edited.
    if (m_isLoading) return;
    const double v = VbNum::val(box->text());
    QString corrected;
    if (!high && v <= low)
        corrected = QStringLiteral("0");
    else if (high && v > *high)
        corrected = VbNum::str(*high);
    else if (high && v < low)
        corrected = QStringLiteral("0");
    if (!corrected.isEmpty() && corrected != box->text()) box->setText(corrected);
}

void OutputFrameEditor::updateExample(int i) {
    const QString text = frameHexView(i) ? m_frameHex[i]->text() : m_frameText[i]->text();
    if (i == 0)
        m_example[0]->setText(QStringLiteral("例：") + text);
    else
        m_example[2]->setText(text);
    m_example[1]->setText(QStringLiteral("XX XX "));
}

void OutputFrameEditor::calculateCheck() {
    // Over the head OK stores: in the character view the hex box is only
    // what the last switch left there.
    const QString head =
        frameHexView(0) ? m_frameHex[0]->text() : ASC_HEX(m_frameText[0]->text()).value_or(QString());
    const auto code = protocol::checkCodeText(head, protocol::CheckSource::Packed, m_check->currentIndex(),
                                              m_checkNum->text());
    if (code) m_checkText->setText(*code);
}

// ---- load, OK, Cancel ----

void OutputFrameEditor::load() {
    m_timer1->setEnabled(false);
    m_loaded = true;
    FlexGrid* grid = m_grid;
    const int row = editedRow();
    const auto fields =
        grid && row >= 1 ? protocol::splitOutputFrame(grid->TextMatrix(row, kFrameColumn)) : std::nullopt;
    if (!fields) return;
    const protocol::OutputFrameRecord& f = *fields;
    using namespace protocol::OutputField;
    m_isLoading = true;
    const auto select = [](QComboBox* c, const QString& text) {
        Controls::setListIndexAndClick(c, varnel::ComboFindIndex(c, text), Controls::ClickWhen::Always);
    };
    select(m_xieYi, f[Protocol]);
    select(m_dataFormat, f[DataFormat]);
    select(m_byteSort, f[ByteSort]);
    select(m_valType, f[ValueType]);
    m_valStart->setText(VbNum::str(VbNum::val(f[ValueStart])));
    m_valBytes->setText(VbNum::str(VbNum::val(f[IntegerDigits])));
    m_valPoint->setText(VbNum::str(VbNum::val(f[Decimals])));
    // A row read back from the module may hold a switch value this list
    // does not offer ("00", "按指令输出"); it is offered for this row, so that
    // OK stores what the row held.
    if (m_doVal->findText(f[DoValue]) < 0 && protocol::doValueItems().contains(f[DoValue]))
        m_doVal->addItem(f[DoValue]);
    select(m_doVal, f[DoValue]);

    const bool ascii = m_dataFormat->currentIndex() == 1;
    for (int i = 0; i < 2; ++i) {
        const QString& field = f[i == 1 ? PositiveSign : NegativeSign];
        if (field.isEmpty()) {
            // No sign; "00" in the character view would be the sign "0".
            m_sign[i]->setText(signHexView(i) ? QStringLiteral("00") : QString());
            continue;
        }
        // A byte without a character of its own stays in digits.
        const auto c = signCharacter(hexValue(field));
        if (ascii && c) {
            m_signView[i]->setText(kAsc);
            m_sign[i]->setText(*c);
        } else {
            m_signView[i]->setText(kHex);
            m_sign[i]->setText(field.left(2));
        }
    }

    select(m_check, f[CheckMethod]);
    m_checkNum->setText(VbNum::str(VbNum::val(f[CheckBytes])));

    for (int i = 0; i < 2; ++i) {
        const QString& text = f[HeadText + i];
        if (protocol::isAscKindField(f[HeadKind + i])) {
            setFrameView(i, false);
            m_frameText[i]->setText(text);
            if (const auto hex = ASC_HEX(text)) m_frameHex[i]->setText(*hex);
        } else {
            setFrameView(i, true);
            m_frameHex[i]->setText(text);
        }
        updateExample(i);
        m_loadedFrame[i] = LoadedFrame{frameHexView(i), frameBox(i)->text(), f[HeadKind + i], text};
    }
    m_isLoading = false;
}

QLineEdit* OutputFrameEditor::frameBox(int i) const {
    return frameHexView(i) ? m_frameHex[i] : m_frameText[i];
}

bool OutputFrameEditor::refuse(const QString& message) {
    Dialogs::msgBox(this, message, kTitle, Dialogs::Icon::Information);
    return false;
}

// The numbers and signs as the record holds them; false (after a message)
// when a box holds what no byte of the row frame can show.
bool OutputFrameEditor::numberAndSignFields(protocol::OutputFrameRecord& f) {
    using namespace protocol::OutputField;
    const struct {
        QLineEdit* box;
        int field;
        const char* name;
    } numbers[] = {{m_valStart, ValueStart, "起始位置"},
                   {m_valBytes, IntegerDigits, "整数位数"},
                   {m_valPoint, Decimals, "小数位数"},
                   {m_checkNum, CheckBytes, "校验字节数"}};
    for (const auto& n : numbers) {
        if (!isByteNumber(n.box->text(), n.field == CheckBytes))
            return refuse(QStringLiteral("%1应为0-255的整数").arg(QString::fromUtf8(n.name)));
        f[n.field] = n.field == CheckBytes ? n.box->text() : numberText(n.box);
    }
    for (int i = 0; i < 2; ++i) {
        const QString name = i == 1 ? QStringLiteral("正号") : QStringLiteral("负号");
        if (signHexView(i) && !isSignDigits(m_sign[i]->text()))
            return refuse(QStringLiteral("%1应为00-FF的16进制数").arg(name));
        const auto field = signField(i);
        if (!field) return refuse(kNotAscii);
        f[i == 1 ? PositiveSign : NegativeSign] = *field;
    }
    return true;
}

// The kind and text of the head (i = 0) or tail (1), and the bytes they
// send; false when the user cancelled the empty question or was told why
// the box cannot be stored. A head or tail as it was loaded stays exactly
// as the record held it.
bool OutputFrameEditor::frameFields(int i, QString& kind, QString& text, int& bytes) {
    const QString names[2] = {QStringLiteral("输出报文头"), QStringLiteral("报文尾")};
    const QString questions[2] = {QStringLiteral("指令头输出为空！您确定不需要输出指令头内容吗？"),
                                  QStringLiteral("指令尾段输出为空！您确定数据后不需要输出指令内容吗？")};
    const bool hex = frameHexView(i);
    const QString box = frameBox(i)->text();
    const bool unchanged = m_loadedFrame[i] && m_loadedFrame[i]->hex == hex && m_loadedFrame[i]->box == box;
    if (box.isEmpty() && Dialogs::msgBox(this, questions[i], kTitle, Dialogs::Icon::Question,
                                         Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return false;
    if (unchanged) {
        kind = m_loadedFrame[i]->kind;
        text = m_loadedFrame[i]->text;
    } else if (box.isEmpty()) {
        kind = QStringLiteral("0000");
    } else if (hex) {
        if (!isHexBytes(box)) return refuse(QStringLiteral("%1应为16进制字节，每字节两位数字").arg(names[i]));
        kind = protocol::hexKindField(box);
        text = box.toUpper();
    } else {
        const auto b = protocol::ascFrameBytes(box);
        if (!b) return refuse(QStringLiteral("%1含有无法转换的字符").arg(names[i]));
        kind = protocol::kindFieldText(true, static_cast<int>(b->size()));
        // The record's own form of the byte 2C.
        text = QString(box).replace(QLatin1Char(','), QChar(0xFF0C));
    }
    bytes = protocol::kindFieldCount(kind);
    return true;
}

void OutputFrameEditor::accept() {
    using namespace protocol::OutputField;
    if (!row_editor::okMayWrite(this, m_loaded, m_grid && m_host->commandTableBeingWritten())) return;
    protocol::OutputFrameRecord f;
    f[Protocol] = m_xieYi->currentText();
    f[DataFormat] = m_dataFormat->currentText();
    f[ByteSort] = m_byteSort->currentText();
    f[ValueType] = m_valType->currentText();
    f[DoValue] = m_doVal->currentText();
    f[CheckMethod] = m_check->currentText();
    if (!numberAndSignFields(f)) return;

    int bytes[2] = {0, 0};
    for (int i = 0; i < 2; ++i)
        if (!frameFields(i, f[HeadKind + i], f[HeadText + i], bytes[i])) return;
    // The row frame has room for 50; more would never reach the module.
    if (bytes[0] + bytes[1] > 50) {
        refuse(QStringLiteral("报文头与报文尾总长度超出50字节范围"));
        return;
    }
    if (bytes[0] + bytes[1] > 36)
        Dialogs::msgBox(this, QStringLiteral("报文头与报文尾总长度超出36字节范围"), kTitle,
                        Dialogs::Icon::Information);

    // The command this editor loaded, wherever it stands now; when it was
    // deleted or the table read again meanwhile nothing is written rather
    // than another command's record replaced.
    FlexGrid* grid = m_grid;
    if (grid && editedRow() >= 1)
        grid->setTextMatrix(editedRow(), kFrameColumn, protocol::joinOutputFrame(f));
    else
        Dialogs::msgBox(this, kCommandGone, kTitle, Dialogs::Icon::Information);
    close();
}

void OutputFrameEditor::cancel() { close(); }
