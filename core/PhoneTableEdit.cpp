#include "PhoneTableEdit.h"

#include "core/Globals.h"
#include "core/protocol/PhoneCodec.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"

namespace PhoneTableEdit {

QStringList numbers(const FlexGrid& grid) {
    QStringList out;
    for (int r = 1; r < grid.Rows(); ++r) out << grid.TextMatrix(r, NumberCol);
    return out;
}

QString currentNumber(const FlexGrid& grid) { return grid.TextMatrix(grid.Row(), NumberCol); }

void renumber(FlexGrid& grid) {
    for (int r = 1; r < grid.Rows(); ++r) grid.setTextMatrix(r, IndexCol, QString::number(r));
}

void add(QWidget* parent, FlexGrid& grid, const QString& number, bool valid, bool placeholdersRepeat) {
    if (!valid) {
        Dialogs::msgBox(parent, QStringLiteral("您输入的电话号码不正确"), QStringLiteral("请重新输入"),
                        Dialogs::Icon::Information);
        return;
    }
    if (grid.Rows() > PhoneCodec::MaxNumbers) {
        Dialogs::msgBox(parent, QStringLiteral("号码表已满"), QStringLiteral("提示"),
                        Dialogs::Icon::Information);
        return;
    }
    bool duplicate = false;
    if (!(placeholdersRepeat && number.startsWith(QStringLiteral("0000")))) {
        for (int r = 1; r < grid.Rows() && !duplicate; ++r)
            duplicate = grid.TextMatrix(r, NumberCol) == number;
    }
    if (!duplicate) {
        grid.setRows(grid.Rows() + 1);
        grid.setTextMatrix(grid.Rows() - 1, NumberCol, number);
    } else {
        Dialogs::msgBox(parent, QStringLiteral("电话号码有重复，请检查电话号码"), QStringLiteral("系统提示"),
                        Dialogs::Icon::Exclamation);
    }
    renumber(grid);
}

void removeCurrent(FlexGrid& grid) {
    const int last = grid.Rows() - 1;
    const int r = grid.Row();
    if (last < 1 || r < 1 || r > last) return;
    for (int i = r; i < last; ++i) {
        grid.setTextMatrix(i, NumberCol, grid.TextMatrix(i + 1, NumberCol));
        grid.setTextMatrix(i, IndexCol, QString::number(i));
    }
    grid.setRows(last);
}

namespace {
void swapWith(FlexGrid& grid, int r, int other) {
    const QString here = grid.TextMatrix(r, NumberCol);
    grid.setTextMatrix(r, NumberCol, grid.TextMatrix(other, NumberCol));
    grid.setTextMatrix(other, NumberCol, here);
    grid.setRow(other);
    grid.setColSel(grid.Cols() - 1);
}
}  // namespace

void moveUp(FlexGrid& grid) {
    const int r = grid.Row();
    if (r < 2 || r > grid.Rows() - 1) return;
    swapWith(grid, r, r - 1);
}

void moveDown(FlexGrid& grid) {
    const int r = grid.Row();
    if (r < 1 || r >= grid.Rows() - 1) return;
    swapWith(grid, r, r + 1);
}

void writeTable(QWidget* parent, const FlexGrid& grid, const std::function<void(const QByteArray&)>& send) {
    if (grid.Rows() <= 1) {
        Dialogs::msgBox(parent, QStringLiteral("您输入的电话号码表不完整"), QStringLiteral("请重新输入"),
                        Dialogs::Icon::Information);
        return;
    }
    send(PhoneCodec::writeFrame(numbers(grid)));
    g::PhoneTableOp = 1;
}

}  // namespace PhoneTableEdit
