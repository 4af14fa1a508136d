#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <vector>

#include "platform/datacontrol.h"
#include "store/fields.h"

namespace platform {

struct GridColumn {
    QString field;  // the record set's column shown
    int widthTwips;
    QString heading;  // empty: the field name
};

// The twenty fields as columns, each as wide as the field's row of store::kFields gives for
// one grid, then `extra` (a further column of the table, such as CTRL).
std::vector<GridColumn> fieldColumns(int store::FieldInfo::Grids::*width, GridColumn extra);

// The rows of a data control's record set, in its order and under its filter, without copying
// them: cells are read when painted.
class RecordModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit RecordModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setDataControl(DataControl* control);
    // Columns whose field the record set lacks (a CTRL or 選擇 column) are left out.
    void setColumns(const std::vector<GridColumn>& columns);
    const std::vector<GridColumn>& shownColumns() const { return shown_; }
    store::RecordSet* recordSet() const { return control_ ? control_->recordSet() : nullptr; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void follow(const store::Change& change);
    void rebuild();

    QPointer<DataControl> control_;
    std::vector<GridColumn> wanted_;
    std::vector<GridColumn> shown_;
    std::vector<int> fieldOf_;  // record-set column of each shown column
    int rows_ = 0;
    int marked_ = -1;  // the row showing the current-record marker
};

// A read-only grid over a data control's record set; its current row and the record set's
// current record follow each other.
class RecordGrid : public QTableView {
    Q_OBJECT
  public:
    explicit RecordGrid(QWidget* parent = nullptr);

    void setDataControl(DataControl* control);
    void setColumns(const std::vector<GridColumn>& columns);
    // The field a shown column (from 0) displays; empty for none.
    QString fieldAt(int column) const;
    // Shows the current record as the top row (a page shows from its first record), now or as
    // soon as the grid is on screen.
    void putCurrentAtTop();

  signals:
    // The heading of a shown column was clicked; `column` counts the shown columns from 0.
    void headingClicked(int column);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void showCurrent(bool scroll = true);
    void scrollCurrentToTop();
    void applyWidths();
    void rowChosen(const QModelIndex& current);

    RecordModel* model_;
    QPointer<DataControl> control_;
    bool syncing_ = false;
    bool topPending_ = false;
};

}  // namespace platform
