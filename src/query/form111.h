#pragma once

#include <QPointer>
#include <array>

#include "platform/forms.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
namespace platform {
class DataControl;
class RecordGrid;
}  // namespace platform
namespace store {
class RecordSet;
}

// The condition query window: a working copy of the editor's records, narrowed by up to four
// conditions and sorted on one field; EXECUTE moves the editor to the chosen record.
class Form111 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("finding"); }
    Form111();
    bool staysAboveFrame() const override { return true; }

    QString COMBO_SORT;
    store::RecordSet* RS1 = nullptr;  // the editor's own records

    std::array<QPushButton*, 1> COMMAND1{};  // DECIDE
    QPushButton* Command2;                   // CANCEL
    QPushButton* Command3;                   // EXECUTE
    QPushButton* Command4;                   // END
    QLabel* Label1;
    QComboBox* Combo6;                        // sort field
    std::array<QComboBox*, 4> fieldBox{};     // Combo1(0) ... Combo4(0)
    std::array<QComboBox*, 4> operatorBox{};  // Combo1(1) ... Combo4(1)
    std::array<QComboBox*, 3> Combo5{};       // connectors of rows 2 to 4
    std::array<QLineEdit*, 4> Text1{};
    platform::RecordGrid* DataGrid1;
    platform::DataControl* Adodc1;

    void Form_Load() override;
    void Combo6_Click(int position);
    void COMMAND1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

  private:
    QPointer<platform::DataControl> editorControl_;  // tells whether RS1 still exists
};

// The window by its role: the condition query.
using ConditionQuery = Form111;
