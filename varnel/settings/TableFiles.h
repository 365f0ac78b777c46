#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class FlexGrid;
class QAction;
class QMenu;
class SettingsForm;

// Saving the module tables to Access files and loading them back: the
// popup menu over both grids, the table chosen by the current page
// (input-parsing table on page 3 as iSMSx, command table on page 4 as
// oSMSx), the file dialogs, and the template gprs.mdb copied for a new
// file.
//
// A save replaces the table in the file as one write: on any error the file
// keeps what it held (a file made for the save is removed again). A load
// replaces the grid only once the whole table was read. Errors are shown as
// "执行错误！" followed by the reason.
class TableFiles : public QObject {
    Q_OBJECT
public:
    explicit TableFiles(SettingsForm* form);

    QMenu* mpop = nullptr;
    QAction* mLoadSetup = nullptr;  // 导入设置
    QAction* mSaveSetup = nullptr;  // 导出设置

    void saveSetup();
    void loadSetup();

    // Where table files are proposed: "Data" beside the template, created
    // when missing; when that folder cannot be made or written to (a
    // program installed for all users), "Data" in the user's own data
    // folder.
    static QString dataFolder();

    // One table of a file, without any window. Each row holds the grid's
    // columns 1 to the last; column 0 is not stored.
    // Replaces the table's records with rows, all or nothing. Makes the file
    // from the template first when it does not exist.
    static bool writeTable(const QString& path, const QString& templatePath, const QString& table,
                           const QList<QStringList>& rows, QString* why);
    // The records labelled CH0 to CH63 in the first field, in that order, each
    // label at most once, `fields` values each. An empty table gives no rows;
    // a table whose records all carry other labels is an error.
    static bool readTable(const QString& path, const QString& table, int fields, QList<QStringList>* rows,
                          QString* why);

private:
    // The grid and table of the current page; false on any other page.
    bool currentTable(FlexGrid** grid, QString* table) const;
    void showError(const QString& why);

    SettingsForm* m_form;
};
