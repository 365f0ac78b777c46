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

#include "ChannelEditorParts.h"
#include "core/Globals.h"
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
    if (m_grid && row >= 1 && row < m_grid->Rows())
        m_row = QPersistentModelIndex(m_grid->model()->index(row - 1, 0));
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

    for (QLineEdit* b : numberBoxes())
        connect(b, &QLineEdit::textChanged, this, [this, b] { applyRange(b); });
    for (QLineEdit* b : {TxtCmdVal, TxtPsflg, TxtNsflg})
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

void ChannelEditor::save() {
    // Before the load the boxes hold the design values, not the row's.
    if (!m_loaded) return;
    FlexGrid* grid = m_grid.data();
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
