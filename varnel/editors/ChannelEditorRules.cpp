// What the channel editor's controls do while the user edits: the protocol
// presets, the data-format and value-type rules, binding, linked variables,
// the phone choice, stepping, the sign views, the check code and the range
// rules of the boxes.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <exception>

#include "ChannelEditor.h"
#include "ChannelEditorParts.h"
#include "core/Globals.h"
#include "core/NumberPicker.h"
#include "core/Routines.h"
#include "core/protocol/CheckCode.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"

using namespace channel_editor;

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
    setSignDigits(1, QString::fromUtf8(s.plusSign));
    setSignDigits(0, QString::fromUtf8(s.minusSign));
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
            for (QLineEdit* b : {TxtValPoint, TxtSflgStart, TxtPointStart}) setBox(b, QStringLiteral("0"));
            setSignDigits(1, QStringLiteral("0"));
            setSignDigits(0, QStringLiteral("0"));
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
    // A row loaded bound keeps the command it holds, which the module may
    // hold too; only a binding chosen here empties it.
    if (!m_isLoading) setBox(TxtCmdVal, QString());
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
            m_phoneMask = 0xFFFFFF;
            g::PhoneMask = m_phoneMask;
            break;
        case 2: {
            // The picker ticks the numbers of this channel's mask once the
            // table read has brought the numbers in.
            if (!m_host) break;
            NumberPicker* picker = NumberPicker::open(this, QString(), m_host->phoneGrid(), {}, this);
            picker->setStartMask(m_phoneMask);
            connect(picker, &NumberPicker::maskChosen, this, &ChannelEditor::onMaskChosen,
                    Qt::UniqueConnection);
            m_host->pressPhoneTableRead();
            break;
        }
        default:
            m_phoneMask = 0;
            g::PhoneMask = m_phoneMask;
            break;
    }
}

void ChannelEditor::onMaskChosen(int64_t mask) { m_phoneMask = static_cast<uint32_t>(mask) & 0xFFFFFF; }

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

void ChannelEditor::setSignDigits(int index, const QString& digits) {
    // The rules give a sign as its byte: shown as the byte, not as the
    // character of its first digit.
    Label32[index]->setText(kHex);
    setBox(index == 1 ? TxtPsflg : TxtNsflg, digits);
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
        // Read as the row frame reads the command (blanks out, two digits a
        // byte), so that the code shown is the code of the bytes sent
        // however the blanks stand.
        const std::optional<QString> code =
            protocol::checkCodeText(TxtCmdVal->text(), protocol::CheckSource::Packed,
                                    ComboCheck->currentIndex(), TxtCheckNum->text());
        if (code) TextCheck->setText(*code);
    } catch (const std::exception& e) {
        Dialogs::msgBox(this, QStringLiteral("计算校验结果发生错误 ") + QString::fromLocal8Bit(e.what()),
                        QStringLiteral("错误！"), Dialogs::Icon::Information);
    }
}

void ChannelEditor::applyRange(QLineEdit* b) {
    const QString text = b->text();
    // A value the row holds stays as it is until its box is edited: the
    // module may hold more decimals, a longer value or more check bytes
    // than typing lets in, and opening the row must not change them.
    if (m_isLoading && numberBoxes().contains(b)) return;
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
        // In the character view the box goes out as its first character.
        const int index = b == TxtPsflg ? 1 : 0;
        fixed = text.left(Label32[index]->text() == kAsc ? 1 : 2);
    } else if (b == TextDIValON) {
        fixed = text.left(2);  // one byte
    } else {
        for (int i = 0; i < Segments; ++i)
            if (b == TxtSMS[i]) fixed = text.left(m_segmentRoom[i]);
    }
    if (fixed != text) setBox(b, fixed);
}
