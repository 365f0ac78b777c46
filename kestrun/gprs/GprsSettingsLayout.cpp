// The controls of the GPRS settings form: the three tabs and the read-back
// display beneath them.

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "GprsSettingsForm.h"
#include "core/HexBox.h"
#include "core/HexContentBox.h"
#include "core/Routines.h"
#include "platform/FilterTextEdit.h"
#include "platform/Controls.h"
#include "platform/ListChoice.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"

using Controls::named;

namespace {

const QString kNone = QStringLiteral("无");

QComboBox* listBox(QWidget* parent, const char* name, std::initializer_list<const char*> items,
                   const QString& text) {
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(true);
    c->lineEdit()->setReadOnly(true);
    for (const char* i : items) c->addItem(QString::fromUtf8(i));
    c->setCurrentIndex(-1);
    c->setEditText(text);
    ListChoice::itemsOnly(c);
    return c;
}

}  // namespace

void GprsSettingsForm::buildParamTab(QWidget* tab) {
    // 被动方式地址
    Frame7 = named(new QGroupBox(QStringLiteral("被动方式地址"), tab), "Frame7");
    Text9 = named(new QLineEdit(QStringLiteral("0"), Frame7), "Text9");
    Text9->setToolTip(QStringLiteral("被动方式下地址是两字节，以ASCII表示"));
    VScroll8 = named(new QScrollBar(Qt::Vertical, Frame7), "VScroll8");
    VScroll8->setRange(-255, 0);
    VScroll8->setInvertedControls(true);
    VScroll8->setValue(0);
    connect(VScroll8, &QScrollBar::valueChanged, this,
            [this](int v) { Text9->setText(QString::number(-v)); });
    connect(Text9, &QLineEdit::textChanged, this, [this] { m_passiveGiven = true; });
    {
        auto* g = new QGridLayout(Frame7);
        g->addWidget(named(new QLabel(QStringLiteral("地址："), Frame7), "Label3"), 0, 0);
        g->addWidget(Text9, 0, 1);
        g->addWidget(VScroll8, 0, 2);
        g->addWidget(Command1[11], 0, 3);
        g->addWidget(
            named(new QLabel(QStringLiteral("  被动方式下地址是两字节，以ASCII表示"), Frame7), "Label6"), 1,
            0, 1, 4);
    }

    // 波特率设置
    auto* frame6 = named(new QGroupBox(QStringLiteral("波特率设置"), tab), "Frame6");
    Combo7 =
        listBox(frame6, "Combo7",
                {"1200bps", "2400bps", "4800bps", "9600bps", "14400bps", "19200bps", "38400bps", "57600bps"},
                QStringLiteral("9600bps"));
    {
        auto* g = new QGridLayout(frame6);
        Label2[1] = new QLabel(QStringLiteral("波特率："), frame6);
        Controls::setArrayName(Label2[1], QStringLiteral("Label2"), 1);
        g->addWidget(Label2[1], 0, 0);
        g->addWidget(Combo7, 0, 1);
        g->addWidget(Command1[8], 0, 2);
        g->addWidget(
            named(new QLabel(QStringLiteral("   波特率设置完成后请重新启动程序！！"), frame6), "Label4"), 1,
            0, 1, 3);
    }

    auto label1 = [this](QWidget* parent, int index, const QString& text) {
        auto* l = new QLabel(text, parent);
        Controls::setArrayName(l, QStringLiteral("Label1"), index);
        Label1[index] = l;
        return l;
    };

    // 心跳时间设置
    auto* frame4 = named(new QGroupBox(QStringLiteral("心跳时间设置"), tab), "Frame4");
    Text4 = named(new QLineEdit(QStringLiteral("300"), frame4), "Text4");
    // Four digits may be typed; a longer value read from the module (up to
    // 65535) is shown whole.
    Controls::installKeyFilter(Text4, [this](int& k) {
        DigitKeyFilter(k);
        if (k > 126) k = 0;  // no digit outside ASCII
        if (k != 0 && k != 8 && Text4->text().size() - Text4->selectedText().size() >= 4) k = 0;
    });
    Text10 = named(new QLineEdit(QStringLiteral("5"), frame4), "Text10");
    connect(Text10, &QLineEdit::textChanged, this, [this] { m_restartGiven = true; });
    {
        auto* g = new QGridLayout(frame4);
        g->addWidget(label1(frame4, 19, QStringLiteral("时间选择：")), 0, 0);
        g->addWidget(Text4, 0, 1);
        g->addWidget(label1(frame4, 36, QStringLiteral("秒")), 0, 2);
        g->addWidget(label1(frame4, 42, QStringLiteral("模块重起：")), 1, 0);
        g->addWidget(Text10, 1, 1);
        g->addWidget(label1(frame4, 43, QStringLiteral("次")), 1, 2);
        g->addWidget(Command1[2], 0, 3, 2, 1);
    }

    // 目标地址设置
    auto* frame3 = named(new QGroupBox(QStringLiteral("目标地址设置"), tab), "Frame3");
    Text8 = named(new QLineEdit(QStringLiteral("0"), frame3), "Text8");
    Text8->setMaxLength(1);
    HexBox::attach(Text8, HexBox::Blanks::Dropped);
    Text1[0] = new QLineEdit(QStringLiteral("000"), frame3);
    Controls::setArrayName(Text1[0], QStringLiteral("Text1"), 0);
    Text1[0]->setMaxLength(3);
    // The station digits take the hex rule of the project digit beside them.
    HexBox::attach(Text1[0], HexBox::Blanks::Dropped);
    for (QLineEdit* box : {Text8, Text1[0]})
        connect(box, &QLineEdit::textChanged, this, [this] { m_targetGiven = true; });
    {
        auto* g = new QGridLayout(frame3);
        g->addWidget(label1(frame3, 38, QStringLiteral("工程号：")), 0, 0);
        g->addWidget(Text8, 0, 1);
        g->addWidget(label1(frame3, 39, QStringLiteral("站点号：")), 0, 2);
        g->addWidget(Text1[0], 0, 3);
        g->addWidget(Command1[6], 0, 4);
    }

    // 省电
    auto* frame9 = named(new QGroupBox(QStringLiteral("省电"), tab), "Frame9");
    auto* picture1 = named(new QWidget(frame9), "Picture1");
    auto* picture2 = named(new QWidget(frame9), "Picture2");
    Option3 = named(new QRadioButton(QStringLiteral("省电"), picture1), "Option3");
    Option4 = named(new QRadioButton(QStringLiteral("不省电"), picture1), "Option4");
    Option7 = named(new QRadioButton(QStringLiteral("模式1"), picture2), "Option7");
    Option8 = named(new QRadioButton(QStringLiteral("模式2"), picture2), "Option8");
    Controls::exclusiveGroup(picture1, {Option3, Option4});
    Controls::exclusiveGroup(picture2, {Option7, Option8});
    Option3->setChecked(true);
    Option7->setChecked(true);
    (new QHBoxLayout(picture1))->addWidget(Option3);
    picture1->layout()->addWidget(Option4);
    (new QHBoxLayout(picture2))->addWidget(Option7);
    picture2->layout()->addWidget(Option8);
    Text11 = named(new QLineEdit(QStringLiteral("1000"), frame9), "Text11");
    Text12 = named(new QLineEdit(QStringLiteral("10000"), frame9), "Text12");
    connect(Text11, &QLineEdit::textChanged, this, [this] { m_idleGiven = true; });
    connect(Text12, &QLineEdit::textChanged, this, [this] { m_dataGiven = true; });
    for (QRadioButton* o : {Option7, Option8})
        connect(o, &QRadioButton::clicked, this, [this] { m_wakeModeGiven = true; });
    {
        auto* g = new QGridLayout(frame9);
        g->addWidget(picture1, 0, 0, 1, 2);
        g->addWidget(picture2, 1, 0, 1, 2);
        auto* l0 = new QLabel(QStringLiteral("醒后空闲时间(ms)"), frame9);
        Controls::setArrayName(l0, QStringLiteral("Label9"), 0);
        auto* l1 = new QLabel(QStringLiteral("醒后数据时间(ms)"), frame9);
        Controls::setArrayName(l1, QStringLiteral("Label9"), 1);
        g->addWidget(l0, 2, 0);
        g->addWidget(Text11, 2, 1);
        g->addWidget(l1, 3, 0);
        g->addWidget(Text12, 3, 1);
        g->addWidget(Command1[9], 4, 1);
    }

    // 工作方式选择
    auto* frame1 = named(new QGroupBox(QStringLiteral("工作方式选择"), tab), "Frame1");
    Combo1 = listBox(frame1, "Combo1", {"主动方式", "被动方式"}, kNone);
    Combo2 = listBox(frame1, "Combo2", {"格式传输", "透明传输"}, kNone);
    Combo3 = listBox(frame1, "Combo3", {"方式1", "方式2"}, kNone);
    Combo4 = listBox(frame1, "Combo4", {"ASCII", "16进制", "BCD码"}, kNone);
    for (QComboBox* c : {Combo1, Combo2, Combo3, Combo4, Combo7}) c->installEventFilter(this);
    Controls::onClick(Combo1, this, [this] { combo1Click(); });
    Controls::onClick(Combo2, this, [this] { combo2Click(); });
    Controls::onClick(Combo3, this, [this] { combo3Click(); });
    Controls::onClick(Combo4, this, [this] { combo4Click(); });
    Text5 = named(new QLineEdit(frame1), "Text5");
    Text6 = named(new QLineEdit(frame1), "Text6");
    Text7 = named(new QLineEdit(frame1), "Text7");
    for (QLineEdit* t : {Text5, Text6, Text7}) Controls::installKeyFilter(t, [](int& k) { k = 0; });
    VScroll3 = named(new QScrollBar(Qt::Vertical, frame1), "VScroll3");
    VScroll4 = named(new QScrollBar(Qt::Vertical, frame1), "VScroll4");
    VScroll5 = named(new QScrollBar(Qt::Vertical, frame1), "VScroll5");
    VScroll3->setRange(-255, -1);
    VScroll4->setRange(-4, -1);
    VScroll5->setRange(-255, -1);
    for (QScrollBar* s : {VScroll3, VScroll4, VScroll5}) {
        s->setInvertedControls(true);
        s->setValue(-1);
    }
    connect(VScroll3, &QScrollBar::valueChanged, this,
            [this](int v) { Text5->setText(QString::number(-v)); });
    connect(VScroll5, &QScrollBar::valueChanged, this,
            [this](int v) { Text7->setText(QString::number(-v)); });
    connect(VScroll4, &QScrollBar::valueChanged, this, [this](int v) {
        if (Combo4->currentText() != kNone) {
            Text6->setText(QString::number(-v));
            return;
        }
        Dialogs::msgBox(this, QStringLiteral("您必须选择地址的类型才可以选择地址的长度"),
                        QStringLiteral("错误提示"));
    });
    {
        auto* g = new QGridLayout(frame1);
        g->addWidget(label1(frame1, 12, QStringLiteral("工作方式：")), 0, 0);
        g->addWidget(Combo1, 0, 1, 1, 2);
        g->addWidget(label1(frame1, 13, QStringLiteral("串口数据格式：")), 1, 0);
        g->addWidget(Combo2, 1, 1, 1, 2);
        g->addWidget(label1(frame1, 14, QStringLiteral("地址隐含方式：")), 2, 0);
        g->addWidget(Combo3, 2, 1, 1, 2);
        g->addWidget(label1(frame1, 15, QStringLiteral("地址类型：")), 3, 0);
        g->addWidget(Combo4, 3, 1, 1, 2);
        g->addWidget(label1(frame1, 20, QStringLiteral("地址开始位置：")), 4, 0);
        g->addWidget(Text5, 4, 1);
        g->addWidget(VScroll3, 4, 2);
        g->addWidget(label1(frame1, 16, QStringLiteral("地址长度：")), 5, 0);
        g->addWidget(Text6, 5, 1);
        g->addWidget(VScroll4, 5, 2);
        g->addWidget(label1(frame1, 37, QStringLiteral("组内最大数：")), 6, 0);
        g->addWidget(Text7, 6, 1);
        g->addWidget(VScroll5, 6, 2);
        g->addWidget(Command1[10], 7, 1);
    }

    auto* grid = new QGridLayout(tab);
    grid->addWidget(Frame7, 0, 0);
    grid->addWidget(frame6, 1, 0);
    grid->addWidget(frame4, 2, 0);
    grid->addWidget(frame3, 0, 1);
    grid->addWidget(frame9, 1, 1, 2, 1);
    grid->addWidget(frame1, 0, 2, 3, 1);
}

void GprsSettingsForm::buildTerminalTab(QWidget* tab) {
    auto label2 = [this](QWidget* parent, int index, const QString& text) {
        Label2[index] = new QLabel(text, parent);
        Controls::setArrayName(Label2[index], QStringLiteral("Label2"), index);
        return Label2[index];
    };
    // The send area takes hex digits only, a ":" after every pair, by the
    // rule of the SMS test tabs' hex boxes.
    auto* sendArea = new FilterTextEdit(tab);
    sendArea->keyRule = [sendArea](int& k) {
        if (k > 126) k = 0;  // no hex digit outside ASCII
        HexContentBox::hexRule(sendArea, k);
    };
    sendArea->setTabChangesFocus(true);
    Area[1] = sendArea;
    Area[2] = new QPlainTextEdit(tab);
    Area[3] = new QPlainTextEdit(tab);
    for (int i = 1; i <= 3; ++i) {
        Controls::setArrayName(Area[i], QStringLiteral("Text1"), i);
        Area[i]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    for (int i : {4, 5, 6}) {
        Text1[i] = new QLineEdit(tab);
        Controls::setArrayName(Text1[i], QStringLiteral("Text1"), i);
    }
    for (int i : {4, 6}) {
        QLineEdit* box = Text1[i];
        Controls::installKeyFilter(box, [box](int& k) {
            if (k == 8) return;
            HexBox::key(k, HexBox::Blanks::Dropped);
            if (k != 0) box->insert(QString(QChar(k)));
            k = 0;
            if (box->text().size() % 3 == 2) {
                box->end(false);
                box->insert(QStringLiteral(":"));
            }
        });
    }
    Text1[5]->setReadOnly(true);
    {
        QPalette p = Text1[5]->palette();
        p.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
        p.setColor(QPalette::Text, Qt::red);
        Text1[5]->setPalette(p);
    }
    auto* grid = new QGridLayout(tab);
    grid->addWidget(label2(tab, 3, QStringLiteral("发送区")), 0, 0);
    grid->addWidget(Area[1], 1, 0, 1, 2);
    grid->addWidget(label2(tab, 0, QStringLiteral("接收区")), 2, 0);
    grid->addWidget(Area[2], 3, 0, 1, 2);
    grid->addWidget(label2(tab, 6, QStringLiteral("源码区")), 4, 0);
    grid->addWidget(Area[3], 5, 0, 1, 2);
    auto* side = new QGridLayout;
    side->addWidget(label2(tab, 4, QStringLiteral("模块地址")), 0, 0);
    side->addWidget(Text1[4], 0, 1);
    side->addWidget(label2(tab, 5, QStringLiteral("接收方地址")), 1, 0);
    side->addWidget(Text1[6], 1, 1);
    side->addWidget(label2(tab, 2, QStringLiteral("发送方地址")), 2, 0);
    side->addWidget(Text1[5], 2, 1);
    side->addWidget(Command1[1], 3, 0, 1, 2);
    side->addWidget(Command1[3], 4, 0, 1, 2);
    side->addWidget(Command1[7], 5, 0, 1, 2);
    side->setRowStretch(6, 1);
    grid->addLayout(side, 0, 2, 6, 1);
}

void GprsSettingsForm::buildIdentityTab(QWidget* tab) {
    auto* frame2 = named(new QGroupBox(QStringLiteral("身份地址设置"), tab), "Frame2");
    Text2 = named(new QLineEdit(QStringLiteral("0"), frame2), "Text2");
    Text2->setMaxLength(1);
    Text3 = named(new QLineEdit(QStringLiteral("000"), frame2), "Text3");
    Text3->setMaxLength(3);
    for (QLineEdit* t : {Text2, Text3}) HexBox::attach(t, HexBox::Blanks::Dropped);
    auto* g = new QGridLayout(frame2);
    auto* l17 = new QLabel(QStringLiteral("工程号："), frame2);
    Controls::setArrayName(l17, QStringLiteral("Label1"), 17);
    Label1[17] = l17;
    auto* l18 = new QLabel(QStringLiteral("站点号："), frame2);
    Controls::setArrayName(l18, QStringLiteral("Label1"), 18);
    Label1[18] = l18;
    g->addWidget(l17, 0, 0);
    g->addWidget(Text2, 0, 1);
    g->addWidget(l18, 1, 0);
    g->addWidget(Text3, 1, 1);
    g->addWidget(Command1[0], 2, 1);
    auto* v = new QVBoxLayout(tab);
    v->addWidget(frame2);
    v->addStretch();
}

void GprsSettingsForm::buildDisplay(QGroupBox* frame) {
    struct Row {
        const char* caption;
        const char* name;
        int index;  // Label1 index, or -1 for a label of its own
        const char* initial;
    };
    const Row rows[] = {{"模块身份地址", nullptr, 0, "**:**:"},  {"模块目标地址", nullptr, 1, "**:**:"},
                        {"组内最大数", nullptr, 33, "********"}, {"模块重起", "Label5", -1, "**"},
                        {"心跳时间", nullptr, 3, "***"},         {"串口数据格式", nullptr, 5, "********"},
                        {"地址长度", nullptr, 8, "********"},    {"模块省电", "Label7", -1, "**"},
                        {"软件版本", nullptr, 9, "***********"}, {"透明模式", nullptr, 6, "********"},
                        {"醒后模式", "Label10", -1, "********"}, {"睡醒延时", "Label8", -1, "**"},
                        {"工作方式", nullptr, 4, "********"},    {"地址开始位置", nullptr, 7, "********"},
                        {"被动方式地址", nullptr, 30, "**:**:"}, {"地址类型", nullptr, 34, "********"}};
    auto* g = new QGridLayout(frame);
    int i = 0;
    for (const Row& r : rows) {
        auto* value = new QLabel(QString::fromUtf8(r.initial), frame);
        if (r.index >= 0) {
            Controls::setArrayName(value, QStringLiteral("Label1"), r.index);
            Label1[r.index] = value;
        } else {
            value->setObjectName(QString::fromLatin1(r.name));
        }
        const int row = i / 4, col = (i % 4) * 2;
        g->addWidget(new QLabel(QString::fromUtf8(r.caption), frame), row, col);
        if (r.index == 0) {
            auto* pair = new QHBoxLayout;
            pair->addWidget(value);
            auto* hidden = new QLabel(QStringLiteral("**:**:"), frame);
            Controls::setArrayName(hidden, QStringLiteral("Label1"), 27);
            hidden->setVisible(false);
            Label1[27] = hidden;
            pair->addWidget(hidden);
            g->addLayout(pair, row, col + 1);
            value->installEventFilter(this);
        } else {
            g->addWidget(value, row, col + 1);
        }
        ++i;
    }
    auto* rate = new QLabel(QStringLiteral("******"), frame);
    Controls::setArrayName(rate, QStringLiteral("Label1"), 2);
    rate->setVisible(false);
    Label1[2] = rate;
    Label5 = frame->findChild<QLabel*>(QStringLiteral("Label5"));
    Label7 = frame->findChild<QLabel*>(QStringLiteral("Label7"));
    Label8 = frame->findChild<QLabel*>(QStringLiteral("Label8"));
    Label10 = frame->findChild<QLabel*>(QStringLiteral("Label10"));
}
