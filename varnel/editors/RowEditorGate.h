#pragma once

class QWidget;

namespace row_editor {

// Whether a row editor's OK may write its boxes into the table now. Before
// the editor has read its row the boxes hold the opening values, not the
// row's: OK does nothing. While the table is being written to the module a
// row already sent would show a value the module never got, and the write
// would still end in success: OK is refused with a message, the editor stays
// open with its boxes as they are, and OK works once the write has ended.
bool okMayWrite(QWidget* editor, bool loaded, bool tableBeingWritten);

}  // namespace row_editor
