#pragma once

#include <QString>

class QPlainTextEdit;

// The traffic logs of the communication test tabs and the GPRS data
// terminal: entries of whole lines appended at the end of a box that keeps
// its newest part within TestFrames::MaxLogChars.
namespace TrafficLog {

// Appends `entry` (lines ending in "\n" or CR LF) at the end of the box; the
// caret then follows the log (with keepSelection, unless the installer has
// selected something) and the view shows the end.
void append(QPlainTextEdit* box, const QString& entry, bool keepSelection = false);

}  // namespace TrafficLog
