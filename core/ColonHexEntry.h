#pragma once

class QLineEdit;

// Hex entry with automatic colons: every accepted key is put in by hand, so
// that a colon can follow each completed pair. A backspace is left to the
// box; with `backspaceTakesColon` a backspace at the end of the text also
// takes a closing ":" with its digit, or the colon rule would put it back.
// Call from the box's key filter; `key` comes back 0 when the key was
// consumed here.
void ColonHexKey(QLineEdit* edit, int& key, bool backspaceTakesColon);
