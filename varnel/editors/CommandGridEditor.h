#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStringList>

#include "OutputFrameEditorHost.h"
#include "core/protocol/CommandRecord.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;
class OutputFrameEditor;

// In-place editing of the SMS command grid (one command a row, columns 1-9).
// A click shows the cell's text in the box under the grid and enables the
// table write button when the grid has rows; a double click lays the
// column's list or the command text box over the cell, or opens the output
// frame editor for column 8. The editors write into the row they were opened
// on, on every change and when they lose the focus; while one is open the
// grid shows no scroll bars, so it stays over its cell.
//
// The editors are created hidden beside the grid (children of its parent)
// with their usual names, so the settings form and the row frames can use
// their lists.
class CommandGridEditor : public QObject {
    Q_OBJECT
public:
    enum Column {
        Language = protocol::CommandCol::Language,
        Text = protocol::CommandCol::Text,
        Reply = protocol::CommandCol::Reply,
        Target = protocol::CommandCol::Object,
        Variable = protocol::CommandCol::LinkedValue,
        ReadWrite = protocol::CommandCol::ReadWrite,
        Frame = protocol::CommandCol::OutputFrame,
        Channel = protocol::CommandCol::Channel
    };

    // cmdText: the box under the grid (TxtCmdText); writeButton: the table
    // write button (Command13(0)); either may be null.
    CommandGridEditor(OutputFrameEditorHost& host, QLineEdit* cmdText, QAbstractButton* writeButton,
                      QObject* parent = nullptr);
    ~CommandGridEditor() override;

    // The items of a list column (2, 4, 5, 6, 7, 9), empty for the others.
    static QStringList listItems(int column);
    // Characters the command text may hold, by the row's language text.
    static int textLimit(const QString& language);

    // The list editor of a list column, else null.
    QComboBox* listEditor(int column) const;
    QLineEdit* textEditor() const { return m_text; }
    // The open output frame editor, or null.
    OutputFrameEditor* frameEditor() const { return m_frame; }

    void gridClicked();
    void gridDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int editRow() const;
    int columnOf(const QWidget* editor) const;
    void placeOver(QWidget* editor, bool cellHeight);
    void writeBack(QWidget* editor);
    void leaveEditor(QWidget* editor);
    void textChanged();
    void openFrameEditor();

    OutputFrameEditorHost& m_host;
    QLineEdit* m_cmdText = nullptr;
    QAbstractButton* m_writeButton = nullptr;
    QComboBox* m_lists[10] = {};
    QLineEdit* m_text = nullptr;  // TxtCmdSMS
    QPersistentModelIndex m_editRow;
    QPointer<OutputFrameEditor> m_frame;
};
