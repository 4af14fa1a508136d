#include "editor/editorflow.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "places.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "store/recordset.h"

namespace {

// The user's answers, and what the editor said, in one line.
struct Script : editor::EditorPrompts {
    bool deleteIt = false, saveAsNew = false;
    std::optional<std::vector<bool>> keepTyped;
    std::string said;
    Leave askSaveBeforeLeaving() override { return Leave::Stay; }
    bool confirmDelete() override { return deleteIt; }
    bool askSaveAsNew(const std::string&) override {
        said += "save as new? ";
        return saveAsNew;
    }
    std::optional<std::vector<bool>> chooseVersions(const std::string&,
                                                    const std::vector<store::FieldConflict>& f,
                                                    const store::RecordSet&) override {
        said += "choose " + std::to_string(f.size()) + " ";
        return keepTyped;
    }
    void tell(const std::string&) override { said += "told "; }
    void showError(const std::exception&) override { said += "error "; }
    void beep() override {}
};

// What another desk does meanwhile.
constexpr const char* kName = "UPDATE VELKARD SET NAME='對方' WHERE NO='A1'";
constexpr const char* kPhone = "UPDATE VELKARD SET PHONE='09' WHERE NO='A1'";
constexpr const char* kDelete = "DELETE FROM VELKARD WHERE NO='A1'";

// The editor on a file of two clients, standing on the first.
struct Editor {
    testsupport::Place place{testsupport::Backend::Sqlite};
    std::shared_ptr<store::ClientFile> file;
    std::unique_ptr<store::RecordSet> rs;
    editor::EditorState state;
    Script script;
    editor::EditorFlow flow{state, script};
    explicit Editor(const char* other = "") {
        place.write({{"A1", "王小明"}, {"A2", "李大同"}});
        file = place.open();
        rs = file->records(store::kClientTable);
        state.loaded();
        rs->setValue(store::NAME, "我");
        state.changed();
        if (*other) place.exec(other);
    }
    // The clients stored, NO:NAME:PHONE each, in table order.
    std::string stored() {
        std::string out;
        for (const auto& row : place.query("SELECT NO || ':' || NAME || ':' || IFNULL(PHONE,'') "
                                           "FROM VELKARD ORDER BY rowid"))
            out += row + " ";
        return out;
    }
};

// A save over what another desk did meanwhile: settled with the user, or left as typed.
TEST(EditorFlow, SavesSettlingWithTheUserWhatAnotherDeskChanged) {
    const struct {
        const char* other;
        std::optional<std::vector<bool>> keepTyped;  // per field both changed; none: back
        bool saveAsNew, saved;
        const char *stored, *said;
    } cases[] = {
        {"", {}, false, true, "A1:我: A2:李大同: ", ""},
        {kPhone, {}, false, true, "A1:我:09 A2:李大同: ", ""},
        {kName, {{true}}, false, true, "A1:我: A2:李大同: ", "choose 1 "},
        {kName, {{false}}, false, true, "A1:對方: A2:李大同: ", "choose 1 "},
        {kName, std::nullopt, false, false, "A1:對方: A2:李大同: ", "choose 1 "},
        {kDelete, {}, true, true, "A2:李大同: A1:我: ", "save as new? "},
        {kDelete, {}, false, false, "A2:李大同: ", "save as new? "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.other) + c.said);
        Editor e;
        e.script.saveAsNew = c.saveAsNew;
        e.script.keepTyped = c.keepTyped;
        if (*c.other) e.place.exec(c.other);
        EXPECT_EQ(e.flow.save(*e.rs), c.saved);
        EXPECT_EQ(e.stored(), c.stored);
        EXPECT_EQ(e.script.said, c.said);
        EXPECT_EQ(e.rs->editing(), !c.saved);
        EXPECT_EQ(e.state.enabled(editor::EditorState::Save), !c.saved);
        if (!c.saved) {
            EXPECT_EQ(e.rs->value(store::NAME), "我");  // nothing typed is lost
        }
    }
}

// CANCEL after a refused save shows what the other desk stored; after ADD, the first record.
// DELETE at the user's word, but not over another desk's change.
TEST(EditorFlow, CancelsAndDeletesAsTheUserSays) {
    Editor refused(kName);
    EXPECT_FALSE(refused.flow.save(*refused.rs));  // the script goes back to editing
    refused.flow.cancel(*refused.rs);
    EXPECT_EQ(refused.rs->value(store::NAME), "對方");
    EXPECT_FALSE(refused.rs->editing());

    Editor added;
    added.rs->cancelUpdate();
    added.rs->moveLast();
    added.flow.add(*added.rs, "115.12.07");
    EXPECT_EQ(added.rs->value(store::DATE), "115.12.07");
    added.flow.cancel(*added.rs);
    EXPECT_EQ(added.rs->value(store::NO), "A1");
    EXPECT_EQ(added.stored(), "A1:王小明: A2:李大同: ");

    for (auto [confirm, other, left, said] : {std::tuple{true, "", "A2:李大同: ", ""},
                                              {false, "", "A1:王小明: A2:李大同: ", ""},
                                              {true, kName, "A1:對方: A2:李大同: ", "told "}}) {
        Editor e;
        e.rs->cancelUpdate();
        e.script.deleteIt = confirm;
        if (*other) e.place.exec(other);
        e.flow.deleteCurrent(*e.rs);
        EXPECT_EQ(e.stored(), left);
        EXPECT_EQ(e.script.said, said);
    }
}

}  // namespace
