#pragma once

#include <QString>
#include <functional>

#include "core/protocol/TestFrames.h"

class FilterTextEdit;

// The content box of an SMS test page. In hex send mode only hex digits
// get in, always at the end, each pair closed by ":"; backspace takes the
// last digit together with the ":" that closes it. In the other modes the
// box types freely. Every change shows the byte count of the content as
// it goes out.
namespace HexContentBox {

// `mode` gives the send mode chosen in the main window's menu; `showCount`
// gets the status-bar text of the byte count. Tab leaves the box.
void attach(FilterTextEdit* box, std::function<TestFrames::SendMode()> mode,
            std::function<void(const QString&)> showCount);

// The hex rule for one key (backspace 8): used by attach.
void hexRule(FilterTextEdit* box, int& keyAscii);

// The status-bar text of the content's byte count.
QString countText(const QString& content, TestFrames::SendMode mode);

}  // namespace HexContentBox
