#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class FlexGrid;
class QWidget;

// Editing the working copy of the module's phone-number table, a grid with
// a header row, the row number in column 1 and the number in column 2. Both
// programs' settings forms edit their table this way; what a valid number
// is, and whether place holders may repeat, is theirs to say.
namespace PhoneTableEdit {

constexpr int IndexCol = 1;
constexpr int NumberCol = 2;

// The numbers of rows 1.. in order.
QStringList numbers(const FlexGrid& grid);
// The number of the row the grid stands on.
QString currentNumber(const FlexGrid& grid);
void renumber(FlexGrid& grid);

// Appends `number` unless it is refused: not `valid`, the table full, or a
// number already in the table (numbers starting with four zeros are exempt
// when `placeholdersRepeat`). A refusal is told to the user over `parent`.
void add(QWidget* parent, FlexGrid& grid, const QString& number, bool valid, bool placeholdersRepeat);
// Removes the row the grid stands on; the rows below move up one.
void removeCurrent(FlexGrid& grid);
// Swap the current number with its neighbour; the moved number stays
// highlighted.
void moveUp(FlexGrid& grid);
void moveDown(FlexGrid& grid);

// Hands the write request for the table to `send` and marks the answer
// awaited as the write's; an empty table is refused with a message.
void writeTable(QWidget* parent, const FlexGrid& grid, const std::function<void(const QByteArray&)>& send);

}  // namespace PhoneTableEdit
