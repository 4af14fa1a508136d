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

using editor::EditorPrompts;

// The user's answers, given in turn, and what the editor said.
struct Script : EditorPrompts {
    bool deleteIt = false, saveAsNew = false;
    std::optional<std::vector<bool>> keepTyped;
    std::vector<std::string> said;
    Leave askSaveBeforeLeaving() override { return Leave::Stay; }
    bool confirmDelete() override { return deleteIt; }
    bool askSaveAsNew(const std::string&) override {
        said.push_back("save as new?");
        return saveAsNew;
    }
    std::optional<std::vector<bool>> chooseVersions(const std::string&,
                                                    const std::vector<store::FieldConflict>& f,
                                                    const store::RecordSet&) override {
        said.push_back("choose " + std::to_string(f.size()));
        return keepTyped;
    }
    void tell(const std::string& text) override { said.push_back(text.substr(0, 6)); }
    void showError(const std::exception&) override { said.push_back("error"); }
    void beep() override {}
};

enum class Other { Nothing, ChangesName, ChangesPhone, Deletes };

struct Editor {
    testsupport::Place place{testsupport::Backend::Sqlite};
    std::shared_ptr<store::ClientFile> file;
    std::unique_ptr<store::RecordSet> rs;
    editor::EditorState state;
    Script script;
    editor::EditorFlow flow{state, script};
    Editor() {
        place.write({{"A1", "王小明"}, {"A2", "李大同"}});
        file = place.open();
        rs = file->records(store::kClientTable);
        state.loaded();
    }
    void otherDesk(Other other) {
        if (other == Other::ChangesName) place.exec("UPDATE VELKARD SET NAME='對方' WHERE NO='A1'");
        if (other == Other::ChangesPhone) place.exec("UPDATE VELKARD SET PHONE='09' WHERE NO='A1'");
        if (other == Other::Deletes) place.exec("DELETE FROM VELKARD WHERE NO='A1'");
    }
    std::vector<std::string> stored() {
        return place.query(
            "SELECT NO || ':' || NAME || ':' || IFNULL(PHONE,'') FROM VELKARD "
            "ORDER BY rowid");
    }
};

// A save over what another desk did meanwhile: settled with the user, or left as typed.
TEST(EditorFlow, SavesSettlingWithTheUserWhatAnotherDeskChanged) {
    const struct {
        const char* name;
        Other other;
        bool saveAsNew;
        std::optional<std::vector<bool>> keepTyped;
        bool saved;
        std::vector<std::string> stored, said;
    } cases[] = {
        {"alone", Other::Nothing, false, {}, true, {"A1:我:", "A2:李大同:"}, {}},
        {"other field", Other::ChangesPhone, false, {}, true, {"A1:我:09", "A2:李大同:"}, {}},
        {"mine kept",
         Other::ChangesName,
         false,
         {{true}},
         true,
         {"A1:我:", "A2:李大同:"},
         {"choose 1"}},
        {"theirs kept",
         Other::ChangesName,
         false,
         {{false}},
         true,
         {"A1:對方:", "A2:李大同:"},
         {"choose 1"}},
        {"back to editing",
         Other::ChangesName,
         false,
         std::nullopt,
         false,
         {"A1:對方:", "A2:李大同:"},
         {"choose 1"}},
        {"deleted, saved anew",
         Other::Deletes,
         true,
         {},
         true,
         {"A2:李大同:", "A1:我:"},
         {"save as new?"}},
        {"deleted, kept typing",
         Other::Deletes,
         false,
         {},
         false,
         {"A2:李大同:"},
         {"save as new?"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editor e;
        e.script.saveAsNew = c.saveAsNew;
        e.script.keepTyped = c.keepTyped;
        e.rs->setValue(store::NAME, "我");
        e.state.changed();
        e.otherDesk(c.other);
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

// Cancelling a pending record and deleting, as the user answers.
TEST(EditorFlow, CancelsAndDeletesAsTheUserSays) {
    {  // a refused save cancelled shows what the other desk stored
        Editor e;
        e.rs->setValue(store::NAME, "我");
        e.otherDesk(Other::ChangesName);
        EXPECT_FALSE(e.flow.save(*e.rs));  // the script goes back to editing
        e.flow.cancel(*e.rs);
        EXPECT_EQ(e.rs->value(store::NAME), "對方");
        EXPECT_FALSE(e.rs->editing());
    }
    {  // an added record cancelled: the first record is current again
        Editor e;
        e.rs->moveLast();
        e.flow.add(*e.rs, "115.12.07");
        EXPECT_EQ(e.rs->value(store::DATE), "115.12.07");
        e.flow.cancel(*e.rs);
        EXPECT_EQ(e.rs->value(store::NO), "A1");
        EXPECT_EQ(e.stored().size(), 2u);
    }
    for (auto [confirm, other, left] : {std::tuple{true, Other::Nothing, 1u},
                                        {false, Other::Nothing, 2u},
                                        {true, Other::ChangesName, 2u}}) {
        Editor e;
        e.script.deleteIt = confirm;
        e.otherDesk(other);
        e.flow.deleteCurrent(*e.rs);
        EXPECT_EQ(e.stored().size(), left);
        if (other == Other::ChangesName) {  // shown as it now is, and said so
            EXPECT_EQ(e.rs->value(store::NAME), "對方");
            EXPECT_EQ(e.script.said.size(), 1u);
        }
    }
}

}  // namespace
