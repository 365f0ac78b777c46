#pragma once

// Puts a text into a box in each of the ways a user (or the program's own
// loading) can, so that one test can check a box's rule over every road a
// character takes:
//
//     for (BoxInput::Way way : BoxInput::kWays) {
//         BoxInput::put(box, hostile, way);
//         // refused (a message, the record unchanged) or sent as shown
//     }
//
// Boxes: QLineEdit, QPlainTextEdit (FilterTextEdit included), QTextEdit and
// an editable QComboBox (its line edit takes the text). Each way replaces
// what the box holds:
//   Typed   the box's content is selected (Ctrl+A) and removed (Delete),
//           then every character is one key press sent to the box: a line
//           break (CR, LF or CR LF) is the Return key, a tab the Tab key,
//           ASCII characters their own key, any other character a commit of
//           an input method (as a Chinese input method types it).
//   Pasted  the content is selected, the text goes to the clipboard and the
//           box gets the paste key (Ctrl+V). Where the platform has no
//           working clipboard, the box's own insert path is used instead
//           (QLineEdit::insert, insertPlainText), which bypasses key rules.
//   Dropped the content is selected and removed, then the text arrives as a
//           drag (enter, move) and a drop of text/plain mime data on the
//           box's centre (on the viewport of a multi-line box).
//   Loaded  set from code, as a form's loader fills a box from a row:
//           setText, setPlainText, setEditText.
// No way waits or runs the event loop; a rule that defers work to a later
// event has it run by the caller's next wait.

#include <QString>
#include <array>

class QWidget;

namespace BoxInput {

enum class Way { Typed, Pasted, Dropped, Loaded };
inline constexpr std::array<Way, 4> kWays = {Way::Typed, Way::Pasted, Way::Dropped, Way::Loaded};

// "typed", "pasted", "dropped", "loaded" (for test row names).
const char* name(Way way);

// Replaces the box's content with `text` arriving by `way`. False when the
// widget is none of the boxes above (the test should fail then).
bool put(QWidget* box, const QString& text, Way way);

// What the box shows: its text, plain text or edit text.
QString shown(const QWidget* box);

// True when the paste goes through a clipboard (false: the insert path).
bool clipboardWorks();

}  // namespace BoxInput
