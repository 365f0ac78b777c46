#pragma once

#include <QString>

class CommPort;
class QPlainTextEdit;

// The traffic logs of the communication test tabs and the GPRS data
// terminal: entries of whole lines appended at the end of a box that keeps
// its newest part within TestFrames::MaxLogChars.
namespace TrafficLog {

// Appends `entry` (lines ending in "\n" or CR LF) at the end of the box; the
// caret then follows the log (with keepSelection, unless the installer has
// selected something) and the view shows the end.
// `sentOn` names the port an entry's bytes were just written to: while that
// port still holds some of them, the entry, and any appended to the box after
// it, waits until the port has handed them all to the line. Laying out a long
// line keeps the program busy long enough to idle the line mid-frame.
void append(QPlainTextEdit* box, const QString& entry, CommPort* sentOn = nullptr, bool keepSelection = false);

}  // namespace TrafficLog
