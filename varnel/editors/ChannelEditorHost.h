#pragma once

class FlexGrid;
class QWidget;

// What the channel editor needs of the settings form that opens it. The
// settings form implements it; the editor knows nothing else of that form.
class ChannelEditorHost {
public:
    virtual ~ChannelEditorHost() = default;

    // The input-parsing table (`InGrid`, 31 columns, row 0 the header).
    virtual FlexGrid* inGrid() = 0;
    // The phone-number table the number picker labels its boxes from.
    virtual FlexGrid* phoneGrid() = 0;
    // The window that owns the editor (the main window).
    virtual QWidget* ownerWindow() = 0;
    // Locks the input table while the editor is open and unlocks it after.
    virtual void setInGridLocked(bool locked) = 0;
    // Presses the phone-table read, as a click of the button would.
    virtual void pressPhoneTableRead() = 0;
    // A row was saved: the new-row button becomes usable again.
    virtual void enableNewRowButton() = 0;
    // The editor closed: the settings form takes the focus back.
    virtual void focusSettingsForm() = 0;
    // The input table is being written to the module row by row.
    virtual bool inTableBeingWritten() { return false; }
};
