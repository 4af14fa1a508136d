#include "editor/editorflow.h"

#include "store/errors.h"
#include "store/fields.h"
#include "store/recordset.h"

namespace editor {

bool EditorFlow::save(store::RecordSet& records) {
    if (checkBeforeSave_ && !checkBeforeSave_()) return false;
    // Each round that another desk's save refuses ends in the user's choice, and a save of it.
    for (int round = 0;; ++round) {
        try {
            records.update();
            break;
        } catch (const store::ConflictError& e) {
            state_.refusedByOtherProgram();
            if (round == kConflictRounds) {
                prompts_.showError(e);
                return false;
            }
            if (!resolveConflict(records)) return false;  // what was typed stays in the editor
        } catch (const std::exception& e) {
            prompts_.showError(e);
            return false;
        }
    }
    state_.saved();
    return true;
}

bool EditorFlow::resolveConflict(store::RecordSet& records) {
    const std::string who = records.otherWriters();
    const auto both = records.rebaseEdit();
    if (!both) {
        if (!prompts_.askSaveAsNew(who)) return false;
        records.editAsNew();
        state_.added();
        return true;
    }
    if (both->empty()) return true;  // the other desk's changes show now; ours go over them
    const auto keep = prompts_.chooseVersions(who, *both, records);
    if (!keep) return false;
    for (std::size_t i = 0; i < both->size() && i < keep->size(); ++i)
        if (!(*keep)[i]) records.setValue((*both)[i].column, (*both)[i].stored);
    return true;
}

bool EditorFlow::mayClose(store::RecordSet& records) {
    if (!records.editing()) return true;
    switch (prompts_.askSaveBeforeLeaving()) {
        case EditorPrompts::Leave::Save:
            return save(records);
        case EditorPrompts::Leave::Discard:
            records.cancelUpdate();
            state_.discarded();
            return true;
        case EditorPrompts::Leave::Stay:
            break;
    }
    return false;
}

void EditorFlow::cancel(store::RecordSet& records) {
    records.cancelUpdate();
    const auto after = state_.cancelled();
    if (after.readAgain) readAgain(records);
    if (after.moveFirst && records.recordCount() != 0) records.moveFirst();
}

void EditorFlow::deleteCurrent(store::RecordSet& records) {
    if (prompts_.confirmDelete()) {
        try {
            records.deleteCurrent();  // the following record becomes current
        } catch (const store::ConflictError& e) {
            // Changed or deleted by another desk: shown as it is now, nothing deleted.
            prompts_.beep();
            if (readAgain(records))
                prompts_.tell(std::string(e.what()) +
                              "\n畫面上是修改後的內容；要刪除請再按 DELETE。");
        } catch (const std::exception& e) {
            prompts_.showError(e);
        }
    }
    state_.browse();
}

void EditorFlow::add(store::RecordSet& records, const std::string& date) {
    records.addNew();
    state_.added();
    records.setValue(store::DATE, date);
}

bool EditorFlow::readAgain(store::RecordSet& records) {
    try {
        if (records.refreshCurrent()) return true;
        prompts_.tell("這筆資料已被" + records.otherWriters() + "刪除，現在顯示下一筆資料。");
    } catch (const std::exception& e) {
        prompts_.showError(e);
    }
    return false;
}

}  // namespace editor
