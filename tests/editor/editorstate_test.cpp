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

TEST(EditorState, CancelReadsAgainOnlyAfterARefusalNotYetCancelledOrDiscarded) {
    EditorState s;
    s.changed();
    auto plain = s.cancelled();
    EXPECT_FALSE(plain.readAgain);
    EXPECT_FALSE(plain.moveFirst);
    s.changed();
    s.refusedByOtherProgram();
    EXPECT_TRUE(s.cancelled().readAgain);
    EXPECT_FALSE(s.cancelled().readAgain);  // once
    s.refusedByOtherProgram();
    s.discarded();  // No to the closing question
    EXPECT_FALSE(s.cancelled().readAgain);
}

TEST(EditorState, GateOfEveryButton) {
    using B = EditorState::Button;
    using G = EditorState::Gate;
    const struct {
        B button;
        bool records, refusedDate;
        G gate;
    } cases[] = {{B::Add, true, false, G::Acts},         {B::Add, false, false, G::Acts},
                 {B::Delete, false, false, G::NoRecord}, {B::Save, false, false, G::NoRecord},
                 {B::Cancel, false, false, G::Ignored},  {B::Condit, false, false, G::Acts},
                 {B::End, false, false, G::Acts},        {B::Save, true, true, G::Ignored},
                 {B::End, true, true, G::Ignored},       {B::Delete, false, true, G::Ignored},
                 {B::Cancel, true, true, G::Acts},       {B::Printer, true, false, G::Acts}};
    for (const auto& c : cases)
        EXPECT_EQ(EditorState::gate(c.button, c.records, c.refusedDate), c.gate)
            << "button " << c.button << " records " << c.records << " date " << c.refusedDate;
}
