#include "AddressCalculator.h"

#include "core/Routines.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// Hex bytes of x, high first, each followed by ":"; as many bytes as x needs
// (at least one), so that a value too big for one byte still shows whole.
QString hexBytes(long x)
{
    QString bytes;
    do {
        bytes.prepend(ByteToHex2(static_cast<uint8_t>(x & 0xFF)) + QLatin1Char(':'));
        x >>= 8;
    } while (x > 0);
    return bytes;
}

// The station box: every character typed or pasted goes through the hex key
// filter and lands at the end of the text, and a ":" follows each pair of
// digits, so the box always reads like "12:34:". Backspace, deletion and
// caret movement edit normally.
class StationEdit : public QLineEdit {
public:
    explicit StationEdit(QWidget* parent) : QLineEdit(parent)
    {
        setDragEnabled(false);
        // Input-method composition would show unfiltered text at the
        // caret; a hex box has no use for it (a commit is still typed).
        setAttribute(Qt::WA_InputMethodEnabled, false);
    }

    void typeText(const QString& text)
    {
        const QList<uint> codes = text.toUcs4();
        for (uint code : codes)
            typeKey(static_cast<int>(code));
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Backspace || e->matches(QKeySequence::Copy)
            || e->matches(QKeySequence::SelectAll)) {
            QLineEdit::keyPressEvent(e);
            return;
        }
        if (e->matches(QKeySequence::Paste)) {
            pasteFiltered();
            e->accept();
            return;
        }
        const QString text = e->text();
        if (text.isEmpty() || e->key() == Qt::Key_Delete || text == QStringLiteral("\x7f")) {
            // Navigation, Delete and the like are no typed characters.
            QLineEdit::keyPressEvent(e);
            return;
        }
        typeText(text);
        e->accept();
    }

    // The selection pasted by the middle button (X11) goes through the
    // filter like any other paste.
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::MiddleButton) {
            const QClipboard* clip = QApplication::clipboard();
            if (clip && clip->supportsSelection())
                typeText(clip->text(QClipboard::Selection));
            e->accept();
            return;
        }
        QLineEdit::mouseReleaseEvent(e);
    }

    // Dropped text is typed, as if pasted.
    void dropEvent(QDropEvent* e) override
    {
        if (e->mimeData() && e->mimeData()->hasText())
            typeText(e->mimeData()->text());
        e->acceptProposedAction();
    }
    void inputMethodEvent(QInputMethodEvent* e) override
    {
        typeText(e->commitString());
        e->accept();
    }

    // Its own menu, so that pasting goes through the filter too.
    void contextMenuEvent(QContextMenuEvent* e) override
    {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* cutAction = menu->addAction(QStringLiteral("剪切(&T)"), this, &QLineEdit::cut);
        cutAction->setObjectName(QStringLiteral("cut"));
        cutAction->setEnabled(hasSelectedText());
        QAction* copyAction = menu->addAction(QStringLiteral("复制(&C)"), this, &QLineEdit::copy);
        copyAction->setObjectName(QStringLiteral("copy"));
        copyAction->setEnabled(hasSelectedText());
        QAction* pasteAction = menu->addAction(QStringLiteral("粘贴(&P)"), this, [this] { pasteFiltered(); });
        pasteAction->setObjectName(QStringLiteral("paste"));
        const QClipboard* clip = QApplication::clipboard();
        pasteAction->setEnabled(clip && !clip->text().isEmpty());
        menu->addSeparator();
        QAction* allAction = menu->addAction(QStringLiteral("全选(&A)"), this, &QLineEdit::selectAll);
        allAction->setObjectName(QStringLiteral("selectAll"));
        allAction->setEnabled(!text().isEmpty());
        menu->popup(e->globalPos());
    }

private:
    void pasteFiltered()
    {
        if (const QClipboard* clip = QApplication::clipboard())
            typeText(clip->text());
    }

    void typeKey(int key)
    {
        HexKeyFilter(key);
        QString t = text();
        if (key != 0)
            t += QString::fromUcs4(reinterpret_cast<const char32_t*>(&key), 1);
        if (t.size() % 3 == 2)
            t += QLatin1Char(':');
        if (t != text())
            setText(t);
        setCursorPosition(t.size());
    }
};

}  // namespace

AddressCalculator::AddressCalculator(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("计算地址（地址隐含在数据中）"));

    auto* stationEdit = new StationEdit(this);
    m_station = stationEdit;
    m_station->setObjectName(QStringLiteral("Text1(4)"));

    // The count and the encoding come only from their spinners.
    m_count = new QLineEdit(this);
    m_count->setObjectName(QStringLiteral("Text1(2)"));
    m_count->setReadOnly(true);
    m_encoding = new QLineEdit(this);
    m_encoding->setObjectName(QStringLiteral("Text1(3)"));
    m_encoding->setReadOnly(true);

    const QSize spinSize(18, m_count->sizeHint().height());
    // The count spinner runs over negative values so that its up arrow
    // raises the count shown.
    m_countSpin = new QScrollBar(Qt::Vertical, this);
    m_countSpin->setObjectName(QStringLiteral("VScroll3"));
    m_countSpin->setRange(-255, -1);
    m_countSpin->setSingleStep(1);
    m_countSpin->setPageStep(1);
    m_countSpin->setValue(-1);
    m_countSpin->setFixedSize(spinSize);
    m_encodingSpin = new QScrollBar(Qt::Vertical, this);
    m_encodingSpin->setObjectName(QStringLiteral("VScroll4"));
    m_encodingSpin->setRange(1, 3);
    m_encodingSpin->setSingleStep(1);
    m_encodingSpin->setPageStep(1);
    m_encodingSpin->setValue(1);
    m_encodingSpin->setFixedSize(spinSize);

    m_out = new QPlainTextEdit(this);
    m_out->setObjectName(QStringLiteral("Text2"));
    m_out->setReadOnly(true);
    m_out->setLineWrapMode(QPlainTextEdit::NoWrap);

    m_convert = new QPushButton(QStringLiteral("转换"), this);
    m_convert->setObjectName(QStringLiteral("Command1(0)"));
    m_quit = new QPushButton(QStringLiteral("退出"), this);
    m_quit->setObjectName(QStringLiteral("Command1(1)"));

    auto* inputs = new QGridLayout;
    inputs->addWidget(new QLabel(QStringLiteral("对方站号"), this), 0, 0);
    inputs->addWidget(m_station, 0, 1);
    inputs->addWidget(new QLabel(QStringLiteral("组内模块数"), this), 1, 0);
    inputs->addWidget(m_count, 1, 1);
    inputs->addWidget(m_countSpin, 1, 2);
    inputs->addWidget(new QLabel(QStringLiteral("编码方式"), this), 2, 0);
    inputs->addWidget(m_encoding, 2, 1);
    inputs->addWidget(m_encodingSpin, 2, 2);
    inputs->setRowStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_convert);
    buttons->addWidget(m_quit);

    auto* left = new QVBoxLayout;
    left->addLayout(inputs);
    left->addLayout(buttons);

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("可以利用的号码"), this));
    right->addWidget(m_out, 1);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);

    connect(m_countSpin, &QScrollBar::valueChanged, this,
            [this](int value) { m_count->setText(QString::number(-value)); });
    connect(m_encodingSpin, &QScrollBar::valueChanged, this, [this](int value) {
        switch (value) {
        case 1: m_encoding->setText(QStringLiteral("ASCII")); break;
        case 2: m_encoding->setText(QStringLiteral("十六进制")); break;
        case 3: m_encoding->setText(QStringLiteral("BCD码")); break;
        default: break;
        }
    });
    connect(m_convert, &QPushButton::clicked, this, &AddressCalculator::convert);
    connect(m_quit, &QPushButton::clicked, this, &AddressCalculator::quit);

    // The spinner starts on its first encoding, so the box says so; the
    // count box stays empty until its spinner is moved.
    m_encoding->setText(QStringLiteral("ASCII"));
}

void AddressCalculator::setCalcK(bool k)
{
    m_calcK = k;
}

QString AddressCalculator::addressLine(long v, const QString& encoding)
{
    const long hi = v / 256;
    const auto lo = static_cast<uint8_t>(v % 256);
    QString line;
    if (encoding == QLatin1String("ASCII")) {
        QString digits = hexBytes(hi) + ByteToHex2(lo);
        digits.remove(QLatin1Char(':'));
        for (QChar c : std::as_const(digits))
            line += ByteToHex2(static_cast<uint8_t>(c.unicode())) + QLatin1Char(':');
    } else if (encoding == QStringLiteral("十六进制")) {
        line = hexBytes(hi) + ByteToHex2(lo) + QLatin1Char(':');
    } else if (encoding == QStringLiteral("BCD码")) {
        const long d1 = v / 1000;
        const long d2 = (v % 1000) / 100;
        const long d3 = (v % 100) / 10;
        const long d4 = v % 10;
        line = hexBytes(d1 * 16 + d2) + ByteToHex2(static_cast<uint8_t>(d3 * 16 + d4))
               + QLatin1Char(':');
    } else {
        return QString();
    }
    return line + QStringLiteral("\r\n");
}

void AddressCalculator::convert()
{
    setOutput(QString());
    const QString station = m_station->text();
    if (station.size() != 6) {
        Dialogs::msgBox(this, QStringLiteral("发射区没有需要发射的数据，请重新输入"),
                        QStringLiteral("错误提示"), Dialogs::Icon::None, Dialogs::Buttons::Ok);
        return;
    }
    // Only the spinner fills the count box; an empty box lists nothing.
    bool ok = false;
    const int n = m_count->text().toInt(&ok);
    if (!ok || n < 1)
        return;

    const int digit2 = HexDigitValue(station.at(1).unicode());
    const int digit4 = HexDigitValue(station.at(3).unicode());
    const int digit5 = HexDigitValue(station.at(4).unicode());
    long base = digit4 * 16 + digit5;
    if (m_calcK)
        base += digit2 * 256;

    const QString encoding = m_encoding->text();
    QString out;
    long v = base * n;
    // With a base of 0 the count runs below zero, where there is no address
    // to show.
    for (int i = 0; i < n && v >= 0; ++i, --v)
        out += addressLine(v, encoding);
    setOutput(out);
}

void AddressCalculator::quit()
{
    setOutput(QString());
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void AddressCalculator::setOutput(const QString& text)
{
    m_output = text;
    // The box holds lines as the platform's text boxes do; the CR LF form
    // is kept in m_output for anyone taking the text as written.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_out->setPlainText(shown);
}
