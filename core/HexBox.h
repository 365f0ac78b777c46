#pragma once

#include <QString>
#include <functional>

class QLineEdit;

// A one-line box that holds hex digits as the tables store them ("FD FE 00
// 03 ", "3A"): the hex key rule for every character that reaches it,
// whichever way it comes (typed, pasted, dropped, from an input method), and
// the same rule over any text the program puts in, so that the box never
// shows a character that the frame would read as something else (a lower-
// case digit goes out as 0, a Chinese character fails the row).
namespace HexBox {

// Kept: the boxes whose bytes stand apart, a blank after each.
enum class Blanks { Dropped, Kept };

// One key through the rule: hex digits pass, lower case raised to upper
// case; a blank passes when blanks are kept; backspace (8) passes; every
// other code, those outside ASCII included, becomes 0.
void key(int& keyAscii, Blanks blanks);

// The text with every character through `rule` (a key rule; backspace is no
// character here and goes).
QString filtered(const QString& text, const std::function<void(int&)>& rule);
QString filtered(const QString& text, Blanks blanks);

// Puts the rule on the box. `applies`, when given, says whether the hex rule
// holds now (a box that can also show its byte as a character); while it
// does not, `otherwise` (when given) is the rule instead.
void attach(QLineEdit* box, Blanks blanks, std::function<bool()> applies = {},
            std::function<void(int&)> otherwise = {});

}  // namespace HexBox
