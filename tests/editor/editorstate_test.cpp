#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "editor/editorstate.h"

using editor::EditorState;

namespace {

// The eight buttons as 1 (enabled) or 0, then the navigator as + or -.
std::string shown(const EditorState& s) {
    std::string out;
    for (int b = 0; b < EditorState::kButtons; ++b)
        out += s.enabled(EditorState::Button(b)) ? '1' : '0';
    return out + (s.navigatorEnabled() ? '+' : '-');
}
const std::string kBrowse = "11001111+", kEdit = "00110000-";

}  // namespace

TEST(EditorState, StepsThroughBrowseAndEdit) {
    EditorState s;
    EditorState::AfterCancel after;
    const struct {
        const char* what;
        std::function<void()> act;
        std::string buttons;
        bool adding;
    } steps[] = {{"a change", [&] { s.changed(); }, kEdit, false},
                 {"saved", [&] { s.saved(); }, kBrowse, false},
                 {"ADD", [&] { s.added(); }, kEdit, true},
                 {"a change of the new record", [&] { s.changed(); }, kEdit, true},
                 {"a refused save keeps the edit", [&] { s.refusedByOtherProgram(); }, kEdit, true},
                 {"CANCEL", [&] { after = s.cancelled(); }, kBrowse, false},
                 {"ADD again", [&] { s.added(); }, kEdit, true},
                 {"saved", [&] { s.saved(); }, kBrowse, false},
                 {"CONDIT from the edit state", [&] { s.changed(), s.browse(); }, kBrowse, false},
                 {"a change, then the window opens again", [&] { s.changed(), s.loaded(); },
                  kBrowse, false}};
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(shown(s), step.buttons) << step.what;
        EXPECT_EQ(s.adding(), step.adding) << step.what;
        if (std::string(step.what) == "CANCEL") {
            EXPECT_TRUE(after.readAgain) << "the refused record is read again";
            EXPECT_TRUE(after.moveFirst) << "the dropped new record leaves for the first";
        }
    }
}
