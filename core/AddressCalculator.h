#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

// The address calculator: lists the module addresses a group of modules can
// use, derived from the peer station number, as colon-separated hex text the
// installer copies into the module's settings. Talks to no module.
class AddressCalculator : public QWidget {
    Q_OBJECT
public:
    explicit AddressCalculator(QWidget* parent = nullptr);

    // false: the plain calculator (second station byte only); true: the K
    // variant, which also takes the low digit of the first byte.
    void setCalcK(bool k);
    bool calcK() const { return m_calcK; }

    // The output as the box holds it, each line ending in CR LF.
    QString outputText() const { return m_output; }

    // One output line for the value v in the named encoding ("ASCII",
    // "十六进制", "BCD码"); empty for any other name.
    static QString addressLine(long v, const QString& encoding);

public slots:
    void convert();
    void quit();

private:
    void setOutput(const QString& text);

    QLineEdit* m_station = nullptr;   // Text1(4)
    QLineEdit* m_count = nullptr;     // Text1(2)
    QLineEdit* m_encoding = nullptr;  // Text1(3)
    QScrollBar* m_countSpin = nullptr;     // VScroll3
    QScrollBar* m_encodingSpin = nullptr;  // VScroll4
    QPlainTextEdit* m_out = nullptr;  // Text2
    QPushButton* m_convert = nullptr;
    QPushButton* m_quit = nullptr;
    QString m_output;
    bool m_calcK = false;
};
