// The buttons of the two table pages: reading and writing the tables row by
// row, adding, deleting and clearing rows, and the collection settings.
// Not built yet: each press does nothing.

#include "TableTabs.h"

void InputTableTab::readTable() {}
void InputTableTab::writeTable() {}
void InputTableTab::newRow() {}
void InputTableTab::deleteRow() {}
void InputTableTab::clearTable() {}

void CommandTableTab::readTable() {}
void CommandTableTab::writeTable() {}
void CommandTableTab::newRow() {}
void CommandTableTab::deleteRow() {}
void CommandTableTab::clearTable() {}
