#include "editor/editorstate.h"

namespace editor {

bool EditorState::enabled(Button button) const {
    const bool inBrowseSet = button != Save && button != Cancel;
    return inBrowseSet == browsing_;
}

EditorState::Gate EditorState::gate(Button button, bool hasRecords, bool refusedDateInBox) {
    if (button != Cancel && refusedDateInBox) return Gate::Ignored;
    if (!hasRecords && (button == Delete || button == Save)) return Gate::NoRecord;
    if (!hasRecords && button == Cancel) return Gate::Ignored;
    return Gate::Acts;
}

void EditorState::loaded() {
    browsing_ = true;
    adding_ = false;
}

void EditorState::changed() {
    browsing_ = false;
}

void EditorState::added() {
    adding_ = true;
    browsing_ = false;
}

void EditorState::saved() {
    adding_ = false;
    browsing_ = true;
}

void EditorState::browse() {
    browsing_ = true;
}

EditorState::AfterCancel EditorState::cancelled() {
    AfterCancel after{readAgain_, adding_};
    readAgain_ = false;
    adding_ = false;
    browsing_ = true;
    return after;
}

}  // namespace editor
