#pragma once

#include <array>
#include <memory>

#include "editor/editorflow.h"
#include "editor/editorstate.h"
#include "platform/forms.h"
#include "store/fields.h"

class QAction;
class QLabel;
class QPushButton;
namespace platform {
class BoundComboBox;
class BoundMemo;
class BoundTextBox;
class DataControl;
}  // namespace platform
namespace store {
class RecordSet;
}

// The record editor: the twenty fields of the current client in bound boxes, a navigator and
// eight buttons, in a browse state and an edit state.
class Form11 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("editing"); }
    Form11();
    ~Form11() override;
    bool isMdiChild() const override { return true; }

    std::array<QLabel*, store::kFieldCount> LabVELKARD{};
    // Text boxes by field; the list fields (3, 4, 6, 11, 14, 15) and MEMO (19) have none here.
    std::array<platform::BoundTextBox*, store::kFieldCount> TexVELKARD{};
    platform::BoundMemo* TexMEMO;                          // TexVELKARD(19)
    std::array<platform::BoundComboBox*, 3> Combox1{};     // SEX, BLOOD, MARRY
    std::array<platform::BoundComboBox*, 3> DataCombo1{};  // COMPANY, VOCATION, POSITION
    // COMMAND1's buttons by index.
    using Button = editor::EditorState::Button;
    std::array<QPushButton*, editor::EditorState::kButtons> COMMAND1{};
    platform::DataControl* AdodcVELKARD;
    platform::DataControl* AdodcCOMPANY;
    // The checks' hints: a mark inside each checked box whose value looks mistyped (its tooltip
    // says why), and the line under the boxes that a save fills with what to look at again.
    std::array<QAction*, store::kFieldCount> CheckMark{};
    QLabel* CheckStatus;

    // The editor's records, which the quick lookup and the condition query follow.
    store::RecordSet* records() const;
    // The box of field i, whatever its kind.
    QWidget* fieldBox(int field) const;

    void Form_Load() override;
    void Form_Unload() override;
    bool Form_QueryUnload() override;

    void MODFIELD();
    void MSGTEXT();
    void COMMAND1_Click(int index);
    void fieldKeyDown(int field, int keyCode);
    void fieldGotFocus(int field);
    void fieldLostFocus(int field);

  private:
    void buildFields();
    void buildButtons();
    void buildChecks();
    // Shows each checked box's mark for the value in it; gives the problems found.
    QStringList showChecks();
    // Shows the state's buttons after each change of it.
    void showState();
    // The date check of a date box: a refused date is said and keeps the focus (false); an
    // accepted one may be rewritten, which is a change of the record.
    bool acceptDate(int field);
    bool refusedDateInBox() const;
    // A date box's text that the check refuses: an empty box is no date to check (NULL stays
    // NULL), and a stored text in another form, left as it is, stays as it is; only a date the
    // user typed must be one.
    bool refusedDate(int field) const;

    // The editor's prompts, said with the window's dialogs.
    class Prompts;
    editor::EditorState state_;
    std::unique_ptr<Prompts> prompts_;
    editor::EditorFlow flow_;
    int dateInUse_ = -1;  // the date box with the focus, until the user leaves it
    // Where the condition query and the quick lookup windows are opened from.
    void openConditionQuery();
    void openQuickLookup();
};

// The window by its role: the record editor.
using RecordEditor = Form11;
