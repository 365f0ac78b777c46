#pragma once

#include <QStringList>

class QComboBox;

// A list whose index or text goes into a frame (or opens the port) takes its
// items only. Some such lists must still show a text that is none of their
// items - "无" before a choice, a rate the module knows but the list does not
// offer, a value the module reported - so they stay editable; but Enter
// never turns typed text into an item, and what a list stands for is judged
// by the text it shows, never by the index an earlier choice left behind.
// A reader that finds a text it does not take refuses with a message before
// anything is sent.
namespace ListChoice {

// Enter adds no item (every editable list that feeds a frame gets this).
void itemsOnly(QComboBox* c);
// The item the list shows: its current item when the text is that item's,
// else the first item whose text is exactly the text shown; -1 when the text
// is no item (nothing chosen yet, or typed text).
int shownItem(const QComboBox* c);
// True when the list shows one of its items or one of `alsoTaken`.
bool showsTaken(const QComboBox* c, const QStringList& alsoTaken = {});

}  // namespace ListChoice
