#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The Unicode converter: shows each UTF-16 code unit of a text as hex
// bytes, high byte first, the order in which Chinese texts go to the
// modules. Talks to no module.
class UnicodeConverter : public QWidget {
    Q_OBJECT
public:
    explicit UnicodeConverter(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);

    // The output as the box holds it, ending in CR LF.
    QString outputText() const { return m_output; }

    // The conversion itself: every byte of text's code units, high byte
    // first, as before + two hex digits + after, then CR LF.
    static QString unicodeHex(const QString& text, const QString& before, const QString& after);

public slots:
    void convert();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // The state the form opens with.
    void resetFields();

    QPlainTextEdit* m_input = nullptr;  // Text1
    QPlainTextEdit* m_out = nullptr;    // Text2
    QLineEdit* m_before = nullptr;      // Text3
    QLineEdit* m_after = nullptr;       // Text4
    QPushButton* m_convert = nullptr;   // Command1
    QPushButton* m_quit = nullptr;      // Command2
    QString m_output;
};
