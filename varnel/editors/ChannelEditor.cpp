#include "ChannelEditor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cmath>
#include <optional>

#include "ChannelEditorParts.h"
#include "RowEditorGate.h"
#include "core/Globals.h"
#include "core/HexBox.h"
#include "core/Routines.h"
#include "core/protocol/ChannelRecord.h"
#include "core/protocol/CheckCode.h"
#include "core/protocol/ValueLists.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"
#include "platform/VbTimer.h"
#include "platform/text/TextCodec.h"

using namespace channel_editor;

const QString ChannelEditor::SegmentSeparator = protocol::kSmsSegmentSeparator;

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
    : QWidget(owner, Qt::Window), m_host(host), m_grid(host->inGrid()) {
    if (m_grid && row >= 1 && row < m_grid->Rows()) m_row = QPersistentModelIndex(m_grid->model()->index(row - 1, 0));
    m_segmentRoom.fill(kTypedSegmentRoom);
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

QList<QLineEdit*> ChannelEditor::numberBoxes() const {
    return {TxtBJReTime, TxtBJCount,   TxtBJReadCount, TxtValBytes,  TxtValPoint,
            TxtCheckNum, TxtHeadStart, TxtPointStart,  TxtSflgStart, TxtValStart};
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

    // The hex boxes hold nothing the row frame would read otherwise, however
    // the text comes in; a sign box in its character view holds one
    // character with a one-byte code instead.
    HexBox::attach(TxtCmdVal, HexBox::Blanks::Kept);
    HexBox::attach(TxtDataHead, HexBox::Blanks::Kept);
    HexBox::attach(TextDIValON, HexBox::Blanks::Dropped);
    for (int i = 0; i < 2; ++i)
        HexBox::attach(
            i == 1 ? TxtPsflg : TxtNsflg, HexBox::Blanks::Dropped,
            [this, i] { return Label32[i]->text() == kHex; },
            [](int& k) {
                if (k != 8 && singleByteCode(QChar(char16_t(k))) < 0) k = 0;
            });
    // A segment box is one line: a line break typed, pasted or dropped
    // would split the SMS column at its own separator.
    for (QLineEdit* b : TxtSMS) Controls::installKeyFilter(b, [](int&) {});

    for (QLineEdit* b : numberBoxes())
        connect(b, &QLineEdit::textChanged, this, [this, b] { applyRange(b); });
    for (QLineEdit* b : {TxtCmdVal, TxtPsflg, TxtNsflg, TextDIValON})
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

QString ChannelEditor::cell(int col) const {
    return m_grid && editedRow() >= 1 ? m_grid->TextMatrix(editedRow(), col) : QString();
}

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
    m_phoneMask = static_cast<uint32_t>(hexNumber(cell(ColPhones)) & 0xFFFFFF);
    g::PhoneMask = m_phoneMask;
    choose(ComboBJPhone, protocol::phoneChoiceOf(m_phoneMask));
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
        // The byte the row frame sends: the two digits after the comma, as
        // a cell written with one digit or in lower case also goes out.
        const bool none = comma + 1 >= bit.size();
        setBox(TextDIValON, none ? QString() : ByteToHex2(HexPairValue(bit, comma + 1)));
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
        for (int i = 0; i < Segments; ++i) {
            m_segmentRoom[i] = std::max<int>(kTypedSegmentRoom, parts->sms.segments[i].size());
            setBox(TxtSMS[i], parts->sms.segments[i]);
        }
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

namespace {

// A box's whole number from 0 to `most`: a plain decimal text, or empty for
// 0. Whatever else the row frame would read, it would read as another number
// ("1.5" goes out as 2, "256" as 0, "1 2" as 12).
bool wholeNumberUpTo(QString text, int most) {
    text = text.trimmed();
    if (text.isEmpty()) return true;
    const std::optional<double> v = VbNum::parseNumber(text);
    return v && *v == std::floor(*v) && *v >= 0 && *v <= most;
}

// A limit as the module keeps it, exactly: a plain decimal text (empty for
// 0) of at most `decimals` decimals whose value times ten to the `decimals`
// fits 32 bits signed. nullopt where the frame would round it or fail.
std::optional<int64_t> exactLimit(QString text, int decimals) {
    text = text.trimmed();
    if (text.isEmpty()) return 0;
    if (!VbNum::parseNumber(text)) return std::nullopt;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative || text.startsWith(QLatin1Char('+'))) text.remove(0, 1);
    QString whole = text.section(QLatin1Char('.'), 0, 0);
    QString fraction = text.section(QLatin1Char('.'), 1);
    while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
    if (fraction.size() > decimals) return std::nullopt;
    QString digits = whole + fraction.leftJustified(decimals, QLatin1Char('0'));
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0'))) digits.remove(0, 1);
    if (digits.size() > 12) return std::nullopt;
    const int64_t v = (negative ? -1 : 1) * digits.toLongLong();
    if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return v;
}

QString limitRange(int decimals) {
    return QStringLiteral("%1～%2").arg(plain(INT32_MIN / std::pow(10.0, decimals)),
                                        plain(INT32_MAX / std::pow(10.0, decimals)));
}

}  // namespace

QString ChannelEditor::refusal() const {
    struct Whole {
        QLineEdit* box;
        const char* name;
        int most;
    };
    const Whole wholes[] = {
        {TxtBJReTime, "报警间隔", 255},    {TxtBJCount, "报警次数", 255},
        {TxtBJReadCount, "超限次数", 255}, {TextAutoSend, "定时上传", 65535},
        {TxtSflgStart, "符号位置", 255},   {TxtPointStart, "小数点位置", 255},
        {TxtValPoint, "小数位数", 6},      {TxtValStart, "起始位置", 255},
        {TxtValBytes, "数值长度", 255},    {TxtCheckNum, "校验字节数", 255},
        {TxtHeadStart, "报头位置", 255},
    };
    for (const Whole& w : wholes) {
        QString text = w.box->text().trimmed();
        if (w.box == TxtCheckNum && text.endsWith(QStringLiteral("字节"))) text.chop(2);
        if (!wholeNumberUpTo(text, w.most))
            return QStringLiteral("%1只能是0到%2的整数").arg(QString::fromUtf8(w.name)).arg(w.most);
    }
    const int decimals = static_cast<int>(number(TxtValPoint->text()));
    for (const auto& [box, name] : {std::pair{TxtValUp, "上限"}, std::pair{TxtValDown, "下限"}}) {
        if (exactLimit(box->text(), decimals)) continue;
        if (decimals == 0)
            return QStringLiteral("%1只能是%2之间的整数").arg(QString::fromUtf8(name), limitRange(decimals));
        return QStringLiteral("%1只能是%2之间、最多%3位小数的数")
            .arg(QString::fromUtf8(name), limitRange(decimals))
            .arg(decimals);
    }
    // Hex bytes: an odd digit is dropped or fails the row, and what does not
    // fit the frame's field is cut or refused when the table is written.
    const QString command = TxtCmdVal->text().remove(QLatin1Char(' '));
    if (command.size() % 2) return QStringLiteral("采集指令的16进制数字不成对");
    if (command.size() > 80) return QStringLiteral("采集指令长度超出范围40字节");
    if (ComboDataHead->currentIndex() > 0) {
        // A bound channel goes out as its binding code alone: a head would
        // be dropped, or with a position sent in place of the binding.
        if (number(TxtHeadStart->text()) != 0 || !TxtDataHead->text().trimmed().isEmpty())
            return QStringLiteral("绑定通道时报头位置须为0，响应报头须为空");
    } else if (number(TxtHeadStart->text()) > 0) {
        const QString head = TxtDataHead->text().remove(QLatin1Char(' '));
        if (head.size() % 2) return QStringLiteral("响应报头的16进制数字不成对");
        if (head.size() > 16) return QStringLiteral("响应报头长度超出范围8字节");
    }
    // A segment must come back from the SMS column as it went in: a line
    // break can make the column split elsewhere.
    const std::optional<protocol::SmsColumnParts> parts = protocol::splitSmsColumn(smsColumn());
    bool same = parts.has_value();
    for (int i = 0; same && i < Segments; ++i) same = parts->sms.segments[i] == TxtSMS[i]->text();
    if (!same) {
        for (int i = 0; i < Segments; ++i)
            if (TxtSMS[i]->text().contains(QLatin1Char('\r')) ||
                TxtSMS[i]->text().contains(QLatin1Char('\n')))
                return QStringLiteral("第%1段短信内容含有回车换行符").arg(i + 1);
        return QStringLiteral("短信内容含有回车换行符");
    }
    return QString();
}

void ChannelEditor::save() {
    FlexGrid* grid = m_grid.data();
    if (!row_editor::okMayWrite(this, m_loaded, grid && m_host && m_host->inTableBeingWritten())) return;
    // The channel may have been deleted, or the table read or imported
    // again, while the editor was open: whatever stands in its place is
    // another channel.
    const int row = editedRow();
    if (!grid || row < 1) {
        Dialogs::msgBox(this, QStringLiteral("所编辑的通道已不在输入数据解析表中，参数没有写入"),
                        QStringLiteral("提示"), Dialogs::Icon::Information);
        unload();
        return;
    }
    const QString sms = smsColumn();
    // Checked before anything is written, so that a refused OK leaves the
    // row exactly as it was.
    if (const QString why = refusal(); !why.isEmpty()) {
        Dialogs::msgBox(this, why, QStringLiteral("提示"), Dialogs::Icon::Information);
        return;
    }
    if (Option14->isChecked() && !protocol::englishTextAccepted(sms)) {
        Dialogs::msgBox(this, QStringLiteral("短信选择了英文模式，但是短信内容有Unicode 编码字符"),
                        QStringLiteral("提示"), Dialogs::Icon::Information);
        return;
    }
    auto put = [grid, row](int col, const QString& text) { grid->setTextMatrix(row, col, text); };
    put(ColInterval, TxtBJReTime->text());
    put(ColAlarmCount, TxtBJCount->text());
    put(ColLanguage, Option15->isChecked() ? QStringLiteral("汉字") : QStringLiteral("英文"));
    // The bracket names the choice as the list shows it; a read-back names
    // the one the mask implies (phoneMaskText), which can differ when the
    // picker left a mask of 0 or FFFFFF under "号码表自选".
    put(ColPhones, QString::number(m_phoneMask, 16).toUpper() + QLatin1Char('(') +
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
    if (ComboBit->currentIndex() == 8) {
        // Two digits always: the frame reads one digit as the high one.
        QString on = TextDIValON->text().left(2);
        if (on.size() == 1) on.prepend(QLatin1Char('0'));
        bit += QLatin1Char(',') + on;
    }
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
