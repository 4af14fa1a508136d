#pragma once

#include <array>

#include "platform/forms.h"

class QLabel;
class QPushButton;
namespace platform {
class BoundLabel;
class DataControl;
class RecordGrid;
}  // namespace platform

// The full record list: twelve fields of the current client above a grid of all clients, sorted
// by a field chosen with a heading click.
class Form12 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("browse-list"); }
    Form12();
    bool isMdiChild() const override { return true; }

    QString DATAGRID1_FIELD;

    std::array<QLabel*, 12> LabBROWSE{};
    std::array<platform::BoundLabel*, 12> LabBROWSE1{};
    enum Button { Hoist, Lower, Printer, End };  // Command1's buttons by index
    std::array<QPushButton*, 4> Command1{};
    platform::RecordGrid* DataGrid1;
    platform::DataControl* Adodc1;

    void Form_Load() override;
    bool Form_QueryUnload() override;
    void Form_Unload() override;
    void DataGrid1_HeadClick(int column);
    void Command1_Click(int index);
};

// The window by its role: the full record list.
using FullRecordList = Form12;
