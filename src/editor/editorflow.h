#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/editorstate.h"

namespace store {
class RecordSet;
struct FieldConflict;
}  // namespace store

// The record editor's save, cancel, delete, add and close, free of widgets: what each does to the
// records and the editor's state, and what it asks the user. The window shows the state after
// each and moves the focus.
namespace editor {

// What the editor asks and tells the user: the window answers with its dialogs, tests with a
// script.
class EditorPrompts {
  public:
    virtual ~EditorPrompts() = default;
    enum class Leave { Save, Discard, Stay };
    // "資料尚未儲存，是否儲存？"
    virtual Leave askSaveBeforeLeaving() = 0;
    // "Do you delete record?"
    virtual bool confirmDelete() = 0;
    // The client being saved was deleted by `who`: save what is shown as a new client?
    virtual bool askSaveAsNew(const std::string& who) = 0;
    // Per field both `who` and the user changed: true keeps what the user typed. Nothing: back
    // to editing.
    virtual std::optional<std::vector<bool>> chooseVersions(
        const std::string& who, const std::vector<store::FieldConflict>& fields,
        const store::RecordSet& records) = 0;
    virtual void tell(const std::string& text) = 0;
    virtual void showError(const std::exception& error) = 0;
    virtual void beep() = 0;
};

class EditorFlow {
  public:
    EditorFlow(EditorState& state, EditorPrompts& prompts) : state_(state), prompts_(prompts) {}
    // What the window checks before any save (a date box still in use); false: no save.
    void setCheckBeforeSave(std::function<bool()> check) { checkBeforeSave_ = std::move(check); }

    // Another desk's save refusing ours this many times in a row ends the save with its error.
    static constexpr int kConflictRounds = 5;

    // Saves the pending record, settling with the user what another desk changed meanwhile.
    // False: nothing saved, and the record stays in the editor as typed.
    bool save(store::RecordSet& records);
    // Asked before the window closes with a pending record: false keeps it open.
    bool mayClose(store::RecordSet& records);
    // CANCEL: the pending record dropped; a refused one read again, a dropped new one leaves the
    // first record current.
    void cancel(store::RecordSet& records);
    // DELETE at the user's word; a client another desk changed or deleted meanwhile is shown as
    // it now is, not deleted.
    void deleteCurrent(store::RecordSet& records);
    // ADD: a new record dated `date` (the stored form) waits to be saved.
    void add(store::RecordSet& records, const std::string& date);
    // The current client read again from the file; false (and told) when it was deleted there.
    bool readAgain(store::RecordSet& records);

  private:
    bool resolveConflict(store::RecordSet& records);

    EditorState& state_;
    EditorPrompts& prompts_;
    std::function<bool()> checkBeforeSave_;
};

}  // namespace editor
