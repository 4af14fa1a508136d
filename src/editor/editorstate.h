#pragma once

#include <array>

// The record editor's browse and edit states and what its eight buttons do in them, free of
// widgets: the window shows `enabled` and carries out the steps each command returns.
namespace editor {

class EditorState {
  public:
    // The buttons of the editor, by their index in its button array.
    enum Button { Add, Delete, Save, Cancel, Condit, Quick, Printer, End };
    static constexpr int kButtons = 8;

    // A record added with ADD and not yet saved or cancelled.
    bool adding() const { return adding_; }

    // The browse set (ADD, DELETE, CONDIT, QUICK, PRINTER, END and the navigator) or the edit
    // set (SAVE, CANCEL).
    bool enabled(Button button) const;
    bool navigatorEnabled() const { return browsing_; }

    // What a click on `button` may do at all: over a date box holding a refused date only
    // CANCEL acts; DELETE and SAVE on an empty file say there is no record; CANCEL on an empty
    // file does nothing.
    enum class Gate { Acts, Ignored, NoRecord };
    static Gate gate(Button button, bool hasRecords, bool refusedDateInBox);

    void loaded();   // the window opened on a file with records
    void changed();  // a value typed, picked or rewritten
    void added();    // ADD: a new record waits to be saved
    void saved();
    // A write refused because another program changed or deleted the record: the edit stays,
    // and CANCEL will show what the file now holds.
    void refusedByOtherProgram() { readAgain_ = true; }
    void browse();  // DELETE, CONDIT, QUICK, PRINTER

    struct AfterCancel {
        bool readAgain = false;  // the record was refused: read it from the file again
        bool moveFirst = false;  // an added record was dropped: back to the first record, if any
    };
    AfterCancel cancelled();
    // Closing with the pending record thrown away.
    void discarded() { readAgain_ = false; }

  private:
    bool browsing_ = true;
    bool adding_ = false;
    bool readAgain_ = false;
};

}  // namespace editor
