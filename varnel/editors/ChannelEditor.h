#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>

#include "ChannelEditorHost.h"

class FlexGrid;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class VbTimer;

// `Form2`: the editor of one input channel, one row of the input-parsing
// table. open() shows it on the table's current row with the table locked;
// 200 ms later it loads the row into its boxes; OK writes the row back,
// Cancel or the close box leave it alone, and either way the table is given
// back to its form.
class ChannelEditor : public QWidget {
    Q_OBJECT
public:
    static constexpr int LoadDelayMs = 200;
    static constexpr int Segments = 8;
    // Between two SMS segments in the table's SMS column.
    static const QString SegmentSeparator;

    // Opens the editor on the input table's current row, or does nothing
    // (nullptr) while the table has no data row.
    static ChannelEditor* open(ChannelEditorHost* host);

    // The table row of the channel the editor was opened on, wherever rows
    // deleted above it have moved it; 0 once it is gone.
    int editedRow() const { return m_row.isValid() ? m_row.row() + 1 : 0; }
    // True once the row has been loaded into the boxes.
    bool loaded() const { return m_loaded; }

    // `ComboCheck`'s and `ComboValType`'s items, in order.
    static QStringList checkItems();
    static QStringList valueTypeItems();

    // Controls, named as their objectName.
    QComboBox* ComboDataHead = nullptr;
    QLineEdit* TxtCmdVal = nullptr;
    QComboBox* ComboCheck = nullptr;
    QLineEdit* TxtCheckNum = nullptr;
    QLineEdit* TextCheck = nullptr;
    QLineEdit* TxtDataHead = nullptr;
    QLineEdit* TxtHeadStart = nullptr;

    QComboBox* ComboXieYi = nullptr;
    QComboBox* ComboDataFormat = nullptr;
    QComboBox* ComboValType = nullptr;
    QComboBox* ComboByteSort = nullptr;
    QLineEdit* TxtValStart = nullptr;
    QLineEdit* TxtValBytes = nullptr;
    QLabel* Label56 = nullptr;
    QLineEdit* TxtPointStart = nullptr;
    std::array<QLabel*, 3> Label57{};
    QLineEdit* TxtSflgStart = nullptr;
    QLineEdit* TxtPsflg = nullptr;
    QLineEdit* TxtNsflg = nullptr;
    std::array<QLabel*, 2> Label32{};  // (1) beside TxtPsflg, (0) beside TxtNsflg
    std::array<QLabel*, 3> Label58{};
    QLineEdit* TxtValPoint = nullptr;
    QLineEdit* TxtValUp = nullptr;
    QLineEdit* TxtValDown = nullptr;
    QLabel* Label40 = nullptr;
    QLabel* Label41 = nullptr;
    QLabel* Label42 = nullptr;
    QComboBox* ComboBit = nullptr;
    QLineEdit* TextDIValON = nullptr;
    QLineEdit* TextDIon = nullptr;
    QLineEdit* TextDIoff = nullptr;
    QPushButton* CmdPrev = nullptr;
    QPushButton* CmdNext = nullptr;
    std::array<QGroupBox*, 3> Frame16{};

    QLineEdit* TxtBJReTime = nullptr;
    QLineEdit* TxtBJCount = nullptr;
    QLineEdit* TxtBJReadCount = nullptr;
    QRadioButton* Option15 = nullptr;  // 汉字
    QRadioButton* Option14 = nullptr;  // 英文
    QComboBox* ComboBJPhone = nullptr;
    QLineEdit* TextAutoSend = nullptr;
    std::array<QLineEdit*, Segments> TxtSMS{};
    std::array<QCheckBox*, Segments> CheckCrLf{};
    std::array<QComboBox*, Segments> ComboLinkVal{};
    std::array<QLabel*, Segments> Label60{};

    std::array<QPushButton*, 2> Command1{};  // 确定, 取消
    VbTimer* Timer1 = nullptr;

signals:
    // The row has been read into the boxes.
    void rowLoaded();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    ChannelEditor(ChannelEditorHost* host, int row, QWidget* owner);

    void buildControls();
    void wireRules();
    void formLoad();
    void loadRow();
    void save();
    void unload();

    // Rules of the controls.
    void onProtocol();
    void onDataFormat();
    void onValueType();
    void onBinding();
    void onLinkVal(int i);
    void onPhoneChoice();
    void onMaskChosen(int64_t mask);
    void onStep(int direction);
    void onSignView(int index);
    void setSignDigits(int index, const QString& digits);
    void onCheckCode();
    void applyRange(QLineEdit* box);
    // The boxes of whole numbers that a range rule keeps within bounds.
    QList<QLineEdit*> numberBoxes() const;

    // Why OK cannot write the boxes as they stand ("" when it can): a box
    // whose text the row frame would read as something else.
    QString refusal() const;
    QString cell(int col) const;
    void setBox(QLineEdit* box, const QString& text);
    QString smsColumn() const;
    QString signCell(int index) const;
    void setBaseColour(QLineEdit* box, const QColor& c);

    void releaseTable();

    ChannelEditorHost* m_host;
    // The table goes with its form; once it is gone the host is no longer
    // asked for anything.
    QPointer<FlexGrid> m_grid;
    QPersistentModelIndex m_row;
    bool m_isLoading = false;
    // The phone mask of this channel: loaded with the row, set by the phone
    // choice and the picker. The editor still leaves it in g::PhoneMask for
    // whoever reads that, but never reads it back: a table read going on
    // meanwhile rewrites g::PhoneMask row by row.
    uint32_t m_phoneMask = 0;
    bool m_loaded = false;
    bool m_unloaded = false;
    // Characters each SMS segment box keeps: 40 for what is typed, or the
    // length of a longer segment the row already held (an English segment
    // may use up to 120 bytes), so that loading never cuts one.
    std::array<int, Segments> m_segmentRoom{};
};
