#pragma once

// The input table as the channel editor sees it, and rows to load into it.

#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "ChannelEditorHost.h"
#include "core/NumberPicker.h"
#include "platform/FlexGrid.h"

inline const QString SEP = QStringLiteral("\r\n \r\n");

// The settings form as the editor sees it: a real 31-column input table.
class ChannelGridHost : public ChannelEditorHost {
public:
    ChannelGridHost() {
        grid->setCols(31);
        grid->setRows(1);
        phones.setCols(3);
        phones.setRows(1);
    }
    FlexGrid* inGrid() override { return grid; }
    FlexGrid* phoneGrid() override { return &phones; }
    QWidget* ownerWindow() override { return &owner; }
    void setInGridLocked(bool locked) override {
        if (grid) grid->setEnabled(!locked);
        events << (locked ? "lock" : "unlock");
    }
    void pressPhoneTableRead() override {
        // The picker must already be waiting for the table the read brings.
        events << (NumberPicker::current(editor) ? "read(picker open)" : "read");
    }
    void enableNewRowButton() override { events << "newRow"; }
    void focusSettingsForm() override { events << "focus"; }

    // Adds rows labelled CH0, CH1, ... up to `rows` data rows.
    void addRows(int rows) {
        grid->setRows(rows + 1);
        for (int r = 1; r <= rows; ++r) grid->setTextMatrix(r, 1, QStringLiteral("CH%1").arg(r - 1));
    }
    void setCells(int row, const QMap<int, QString>& cells) {
        for (auto it = cells.begin(); it != cells.end(); ++it) grid->setTextMatrix(row, it.key(), it.value());
    }
    QStringList rowTexts(int row) const {
        QStringList out;
        for (int c = 0; c < 31; ++c) out << grid->TextMatrix(row, c);
        return out;
    }

    QWidget owner;
    QPointer<FlexGrid> grid = new FlexGrid(&owner);
    FlexGrid phones;
    QStringList events;
    QPointer<QWidget> editor;
};

inline QString sms(const QStringList& segments, const QString& flags) {
    return segments.join(SEP) + SEP + flags;
}

inline const QStringList kDesignSegments = {"安装地点",  "设备号",    "报警内容1", "报警内容2",
                                            "报警内容3", "报警内容4", "报警内容5", "报警内容6"};

// The row of the example frame, cols 2..30.
inline QMap<int, QString> goldenRow() {
    return {{2, "60"},
            {3, "3"},
            {4, "汉字"},
            {5, "30005(号码表自选)"},
            {6, "1440"},
            {7, "4"},
            {8, "2B"},
            {9, "2D"},
            {10, "0"},
            {11, "1"},
            {12, "整数"},
            {13, "5"},
            {14, "4"},
            {15, "累加和"},
            {16, "1字节"},
            {17, "2"},
            {18, "自定义"},
            {19, "ASCII码"},
            {20, "4-3-2-1"},
            {21, "按字节/字符取值,3A"},
            {22, "1"},
            {23, "35.5"},
            {24, "-15.6"},
            {25, "EC ED 00"},
            {26, "FD FE 00 03 "},
            {27, "开启"},
            {28, "关闭"},
            {29, sms({"安装地点", "设备号", "温度", "", "", "", "", ""}, "1,0,1,0,0,0,0,0")},
            {30, "无,无,采集值,无,无,无,无,无"}};
}
