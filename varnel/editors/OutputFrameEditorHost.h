#pragma once

class FlexGrid;
class QWidget;

// What the output-frame editor needs of the form that opens it: the SMS
// command grid whose column 8 it edits, and the window that owns it (the
// main window), so that it stays a free window beside the settings form.
class OutputFrameEditorHost {
public:
    virtual ~OutputFrameEditorHost() = default;
    virtual FlexGrid* commandGrid() = 0;
    virtual QWidget* editorOwner() = 0;
    // The command table is being written to the module row by row.
    virtual bool commandTableBeingWritten() { return false; }
};
