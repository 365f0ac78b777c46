#pragma once

#include <QComboBox>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "OutputFrameEditorHost.h"
#include "platform/FlexGrid.h"

// A settings page as the editors see it: a real command grid of 10 columns
// in a window, and a second window standing for the main window.
class CommandGridHost : public OutputFrameEditorHost {
public:
    explicit CommandGridHost(int dataRows) {
        page.setObjectName(QStringLiteral("frm7340COM"));
        grid = new FlexGrid(&page);
        grid->setObjectName(QStringLiteral("MSGrid1"));
        grid->setFormatString(QStringLiteral(
            " |指令号   |汉字/英文 |<短信指令内容(最多50英文/25汉字) |短信回复    |操作对象   |关联变量  "
            "|指令类型(读/写)|<输出数据             |操作通道  "));
        grid->setRows(dataRows + 1);
        for (int r = 1; r <= dataRows; ++r) grid->setTextMatrix(r, 1, QStringLiteral("CH%1").arg(r - 1));
        grid->setGeometry(10, 10, 900, 300);
        page.resize(940, 360);
    }
    FlexGrid* commandGrid() override { return grid; }
    QWidget* editorOwner() override { return &owner; }

    void setRow(int r, const QStringList& cells) {
        for (int c = 0; c < cells.size(); ++c) grid->setTextMatrix(r, c + 2, cells[c]);
    }
    // The user's own choice of a list item.
    static void choose(QComboBox* c, int index) {
        c->setCurrentIndex(index);
        emit c->activated(index);
    }

    QWidget owner;
    QWidget page;
    FlexGrid* grid = nullptr;
};
