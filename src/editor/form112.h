#pragma once

#include <QPointer>
#include <array>

#include "platform/forms.h"

class QComboBox;
class QLabel;
class QPushButton;
namespace platform {
class DataControl;
class RecordGrid;
class RecordModel;
}  // namespace platform
namespace store {
class RecordSet;
}

// The quick lookup: the editor's records in a grid of their own, a client code typed or picked
// to jump to, and EXECUTE to take the chosen client into the editor.
class Form112 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("finding"); }
    Form112();
    bool staysAboveFrame() const override { return true; }

    QString DATAGRID1_FIELD;
    store::RecordSet* RS2 = nullptr;  // the editor's own records

    QLabel* Label1;
    QComboBox* DataCombo1;
    // Command1's buttons by index; there is no button 3.
    enum Button { Execute = 0, Hoist = 1, Lower = 2, End = 4 };
    std::array<QPushButton*, 5> Command1{};
    platform::RecordGrid* DataGrid1;
    platform::DataControl* Adodc1;

    void Form_Load() override;
    void Form_Activate();
    void DataCombo1_Click();
    void DataCombo1_KeyDown(int keyCode);
    void DataGrid1_HeadClick(int column);
    void Command1_Click(int index);

  protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Moves to the first record, then to the first whose code is the combo's text.
    void findCode();

    platform::RecordModel* codes_;
    QPointer<platform::DataControl> editorControl_;  // tells whether RS2 still exists
};

// The window by its role: the quick lookup.
using QuickLookup = Form112;
