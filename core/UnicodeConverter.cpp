#include "UnicodeConverter.h"

#include "core/Routines.h"

#include <QByteArray>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// The input box's text with its line breaks written as CR LF, the way the
// modules get a text. The raw text is used so that characters such as the
// no-break space keep their own code.
QString inputText(const QPlainTextEdit* box)
{
    QString text = box->document()->toRawText();
    QString out;
    out.reserve(text.size() + 16);
    for (QChar c : std::as_const(text)) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\n'))
            out += QStringLiteral("\r\n");
        else
            out += c;
    }
    return out;
}

}  // namespace

UnicodeConverter::UnicodeConverter(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("转换"));

    m_input = new QPlainTextEdit(this);
    m_input->setObjectName(QStringLiteral("Text1"));
    m_out = new QPlainTextEdit(this);
    m_out->setObjectName(QStringLiteral("Text2"));
    m_out->setReadOnly(true);
    m_before = new QLineEdit(this);
    m_before->setObjectName(QStringLiteral("Text3"));
    m_after = new QLineEdit(this);
    m_after->setObjectName(QStringLiteral("Text4"));
    m_convert = new QPushButton(QStringLiteral("转换"), this);
    m_convert->setObjectName(QStringLiteral("Command1"));
    m_quit = new QPushButton(QStringLiteral("退出"), this);
    m_quit->setObjectName(QStringLiteral("Command2"));

    auto* separators = new QHBoxLayout;
    separators->addWidget(new QLabel(QStringLiteral("间隔字符"), this));
    separators->addWidget(m_before);
    separators->addWidget(m_after);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_convert);
    buttons->addWidget(m_quit);

    auto* top = new QVBoxLayout(this);
    top->addWidget(new QLabel(QStringLiteral("请输入文本"), this));
    top->addWidget(m_input, 1);
    top->addLayout(separators);
    top->addWidget(new QLabel(QStringLiteral("UniCode编码"), this));
    top->addWidget(m_out, 1);
    top->addLayout(buttons);

    connect(m_convert, &QPushButton::clicked, this, &UnicodeConverter::convert);
    connect(m_quit, &QPushButton::clicked, this, &QWidget::close);

    resetFields();
    resize(480, 360);
}

QString UnicodeConverter::unicodeHex(const QString& text, const QString& before, const QString& after)
{
    // A leading 0 byte, as TextToUnicodeBytes builds it; it is never shown.
    QByteArray bytes(1, '\0');
    bytes.reserve(1 + 2 * text.size());
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() >> 8));
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
    }
    QString out;
    for (qsizetype i = 1; i < bytes.size(); ++i)
        out += before + ByteToHex2(static_cast<uint8_t>(bytes.at(i))) + after;
    return out + QStringLiteral("\r\n");
}

void UnicodeConverter::convert()
{
    m_output = unicodeHex(inputText(m_input), m_before->text(), m_after->text());
    QString shown = m_output;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_out->setPlainText(shown);
}

void UnicodeConverter::closeEvent(QCloseEvent* e)
{
    // Closing unloads the form: when it is shown again it opens afresh.
    resetFields();
    QWidget::closeEvent(e);
}

void UnicodeConverter::resetFields()
{
    m_input->clear();
    m_out->clear();
    m_output.clear();
    m_before->clear();
    m_after->setText(QStringLiteral(":"));
}
