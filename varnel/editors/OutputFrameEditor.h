#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "OutputFrameEditorHost.h"
#include "core/protocol/CommandRecord.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class FlexGrid;
class VbTimer;

// The editor of one output frame: the text in column 8 of a row of the SMS
// command grid, 16 fields joined by ",". It loads the row that was current
// when it opened (200 ms after opening, as the settings form may still be
// busy with the double click), and OK writes back into that same command,
// even when the user has clicked elsewhere in the grid or rows above it were
// deleted meanwhile; a command deleted, or replaced by a read of the table,
// gets nothing and a message. Not modal; it deletes itself when closed.
class OutputFrameEditor : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFieldCount = protocol::kOutputFrameFields;
    static constexpr int kFrameColumn = protocol::CommandCol::OutputFrame;

    explicit OutputFrameEditor(OutputFrameEditorHost& host);
    ~OutputFrameEditor() override;

    // Each byte of the text's code page 936 form as two upper-case hex
    // digits and a blank ("#010" -> "23 30 31 30 ", "啊" -> "B0 A1 ");
    // nullopt when a character has no code. "，" is the byte 2C, as in the
    // record's heads.
    static std::optional<QString> ASC_HEX(const QString& text);
    // Hex digits in pairs (no blanks) back to the printable ASCII
    // characters, 2C as "，"; anything else (a control code, which no box
    // shows, a code of 7F and up) shows "不是标准ASCII码字符" and gives nullopt.
    std::optional<QString> HEX_ASC(const QString& text);

    // The grid row of the command this editor edits; 0 once it is gone.
    int editedRow() const;
    bool isLoading() const { return m_isLoading; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildControls();
    void presetProtocol();
    void dataFormatClicked();
    void valueTypeClicked();
    void load();
    void accept();
    void cancel();
    void calculateCheck();

    // i = 0 head, 1 tail.
    void setFrameView(int i, bool hex);
    bool frameHexView(int i) const;
    void switchFrameView(int i);
    // i = 0 negative, 1 positive (as the labels are numbered).
    void switchSignView(int i);
    void showSignIn(int i, bool hex);
    bool signHexView(int i) const;
    QString signText(int i) const;
    // The record's sign field; nullopt when the character view holds a
    // character without a one-byte code.
    std::optional<QString> signField(int i) const;
    void limitSign(int i);
    // The head or tail box of the view its caption names.
    QLineEdit* frameBox(int i) const;
    bool refuse(const QString& message);
    bool numberAndSignFields(protocol::OutputFrameRecord& f);
    bool frameFields(int i, QString& kind, QString& text, int& bytes);
    // i = 0 after a head change, 1 after a tail change.
    void updateExample(int i);
    void limitNumber(QLineEdit* box, double low, std::optional<double> high);

    // Taken when the editor opens: the settings form and its grid may go
    // before this window does.
    QPointer<FlexGrid> m_grid;
    // Asked only while the grid is there: the grid goes with its form.
    OutputFrameEditorHost* m_host;
    QPersistentModelIndex m_row;
    VbTimer* m_timer1 = nullptr;
    bool m_isLoading = false;
    // The load has run: the boxes hold the cell, not the opening values.
    bool m_loaded = false;
    bool m_closing = false;
    // A head or tail as the loader left it: its view, the box of that view,
    // and the record's fields it came from.
    struct LoadedFrame {
        bool hex;
        QString box;
        QString kind;
        QString text;
    };
    std::optional<LoadedFrame> m_loadedFrame[2];

    QComboBox* m_xieYi = nullptr;       // ComboXieYi
    QComboBox* m_dataFormat = nullptr;  // ComboDataFormat
    QComboBox* m_byteSort = nullptr;    // ComboByteSort
    QComboBox* m_valType = nullptr;     // ComboValType
    QComboBox* m_doVal = nullptr;       // ComboDOVal
    QComboBox* m_check = nullptr;       // ComboCheck
    QLineEdit* m_diOut = nullptr;       // TextDIout
    QLineEdit* m_valStart = nullptr;    // TxtValStart
    QLineEdit* m_valBytes = nullptr;    // TxtValBytes
    QLineEdit* m_valPoint = nullptr;    // TxtValPoint
    QLineEdit* m_sign[2] = {};          // TxtNsflg, TxtPsflg
    QLabel* m_signView[2] = {};         // Label32(0), Label32(1)
    QLineEdit* m_checkNum = nullptr;    // TxtCheckNum
    QLineEdit* m_checkText = nullptr;   // TextCheck
    QLineEdit* m_frameHex[2] = {};      // TxtDataHead, TxtDataWei
    QLineEdit* m_frameText[2] = {};     // TxtDataHead1, TxtDataWei1
    QLabel* m_frameView[2] = {};        // Label3(0), Label3(1)
    QLabel* m_example[3] = {};          // Label4(0..2)
    QPushButton* m_ok = nullptr;        // Command1
    QPushButton* m_cancel = nullptr;    // Command2
};
