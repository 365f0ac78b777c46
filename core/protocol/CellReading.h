#pragma once

// Readings of table cell texts shared by the row serialisers. Internal to
// the protocol library.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace protocol::detail {

// A conversion that cannot give a sound byte: the row is refused with
// "执行错误！" followed by `description`.
struct ConversionFailure {
    QString description;
};
[[noreturn]] void fail(const QString& description);

// A list column's cell as the position of its text among the list's items.
// An empty cell is the first item, as always; any other text that is no
// item (a file's cell, a hand edit) fails rather than go out as the first.
int listItem(const QStringList& items, const QString& text, const QString& what);

// The number at the start of the text, blanks ignored, "&H" for hex; none gives 0.
double number(const QString& text);
// The number rounded half to even as a signed 32-bit value; fails outside it.
int64_t rounded(double v, const QString& what);
// Rounded, and it must lie in 0-255.
uint8_t strictByte(double v, const QString& what);
// Rounded, then its low 8 bits; a negative value fails.
uint8_t wrappedByte(double v, const QString& what);
// The text in code page 936; fails when a character has no code there.
QByteArray codePageBytes(const QString& text, const QString& what);
// The text with every space removed.
QString withoutSpaces(const QString& text);

}  // namespace protocol::detail
