#pragma once

#include <QWidget>
#include <array>

class SettingsForm;
class CommandGridEditor;
class FlexGrid;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class VbTimer;
class QRadioButton;
namespace CollectionSettings {
struct Answer;
}

// Tab 3, "    采集报警设置    ": the input-parsing table `MSGrid2` (one
// channel a row, 31 columns), the global collection settings (Frame17) and
// the table's buttons (Frame11). A double click on a data row opens the
// channel editor.
class InputTableTab : public QWidget {
    Q_OBJECT
public:
    explicit InputTableTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    FlexGrid* MSGrid2 = nullptr;
    // "采集设置（全局）"
    QGroupBox* Frame17 = nullptr;
    QRadioButton* Option9 = nullptr;   // 自动采集
    QRadioButton* Option10 = nullptr;  // 被动接收
    QLineEdit* TxtPeriod = nullptr;
    QLineEdit* TxtTimeOut = nullptr;
    QLineEdit* TxtReSend = nullptr;
    QCheckBox* CheckHis = nullptr;
    QPushButton* Command29 = nullptr;  // 保存设置
    QPushButton* Command28 = nullptr;  // 读取设置
    // The table's buttons.
    QGroupBox* Frame11 = nullptr;
    QPushButton* Command23 = nullptr;  // Command23(1) 读取设置
    QPushButton* Command13 = nullptr;  // Command13(1) 更新设置
    QPushButton* Command25 = nullptr;  // Command25(1) 新建指令
    QPushButton* Command26 = nullptr;  // Command26(1) 删除指令
    QPushButton* Command27 = nullptr;  // Command27(0) 清空全部设置

    // The grid as the form's load sets it: header row only, its widths.
    void loadGrid();

    // Button handlers (TableButtons.cpp).
    void readTable();
    void writeTable();
    void newRow();
    void deleteRow();
    void clearTable();
    void saveCollection();
    void readCollection();

    // The collection settings (CollectionTab.cpp): the boxes as an answer
    // to the read gives them.
    void showCollection(const CollectionSettings::Answer& answer);
    // The write's verdict came: its wait ends.
    void collectionWriteAnswered();
    // How long a collection read or write waits for the module (ms).
    void setCollectionWait(int ms) { m_collectionWaitMs = ms; }
    // The page was emptied by a read that has not been answered.
    bool collectionUnread() const { return m_collectionUnread; }

private:
    void openChannelEditor();
    void wireCollection();
    void collectionModeChanged();
    bool collectionPortReady();
    void collectionWaitOver(int due);

    SettingsForm* m_form;
    VbTimer* m_collectionRead = nullptr;
    VbTimer* m_collectionWrite = nullptr;
    int m_collectionWaitMs = 5000;
    bool m_collectionUnread = false;
};

// Tab 4, "    指令控设置制    ": the SMS command table `MSGrid1` (one command
// a row, 10 columns) with its in-cell editors, the cell text box and the
// table's buttons (Frame12).
class CommandTableTab : public QWidget {
    Q_OBJECT
public:
    explicit CommandTableTab(SettingsForm* form);
    ~CommandTableTab() override;
    SettingsForm* form() const { return m_form; }

    FlexGrid* MSGrid1 = nullptr;
    QLineEdit* TxtCmdText = nullptr;
    QGroupBox* Frame12 = nullptr;
    QPushButton* Command23 = nullptr;  // Command23(0) 读取设置
    QPushButton* Command13 = nullptr;  // Command13(0) 更新设置
    QPushButton* Command25 = nullptr;  // Command25(0) 新建指令
    QPushButton* Command26 = nullptr;  // Command26(0) 删除指令
    QPushButton* Command27 = nullptr;  // Command27(1) 清空全部设置
    CommandGridEditor* cellEditor() const { return m_cellEditor; }
    // The in-cell editors, once the form can be asked for the grid.
    void attachCellEditor();

    void loadGrid();

    void readTable();
    void writeTable();
    void newRow();
    void deleteRow();
    void clearTable();

private:
    SettingsForm* m_form;
    CommandGridEditor* m_cellEditor = nullptr;
};
