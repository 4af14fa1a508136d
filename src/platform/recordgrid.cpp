#include "platform/recordgrid.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QTimer>

#include "platform/appsetup.h"
#include "platform/boxes.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "store/dates.h"
#include "store/errors.h"

namespace platform {

std::vector<GridColumn> fieldColumns(int store::FieldInfo::Grids::*width, GridColumn extra) {
    std::vector<GridColumn> columns;
    for (const store::FieldInfo& f : store::kFields)
        columns.push_back({toQ(f.name), f.grid.*width, {}});
    columns.push_back(std::move(extra));
    return columns;
}

void RecordModel::setDataControl(DataControl* control) {
    if (control_) disconnect(control_, nullptr, this, nullptr);
    control_ = control;
    connect(control, &DataControl::changed, this, &RecordModel::follow);
    connect(control, &DataControl::recordSetReplaced, this, &RecordModel::rebuild);
    rebuild();
}

void RecordModel::setColumns(const std::vector<GridColumn>& columns) {
    wanted_ = columns;
    rebuild();
}

void RecordModel::rebuild() {
    beginResetModel();
    shown_.clear();
    fieldOf_.clear();
    store::RecordSet* rs = recordSet();
    for (const auto& c : wanted_) {
        // Without records (an empty table lent nothing) the headings still show what the grid
        // would list.
        int field = rs ? rs->fieldIndex(c.field.toStdString()) : -1;
        if (rs && field < 0) continue;
        shown_.push_back(c);
        fieldOf_.push_back(field);
    }
    rows_ = rs ? static_cast<int>(rs->recordCount()) : 0;
    marked_ = rs ? static_cast<int>(rs->absolutePosition()) - 1 : -1;
    endResetModel();
}

void RecordModel::follow(const store::Change& change) {
    store::RecordSet* rs = recordSet();
    if (!rs) return;
    // Added and deleted rows and new filters or sorts are rare: a reset is simplest there.
    if (change.kind == store::Change::Reset || rs->recordCount() != rows_) {
        beginResetModel();
        rows_ = static_cast<int>(rs->recordCount());
        marked_ = static_cast<int>(rs->absolutePosition()) - 1;  // repainted with the reset
        endResetModel();
    } else if (change.kind == store::Change::RowUpdated) {
        emit dataChanged(index(static_cast<int>(change.row), 0),
                         index(static_cast<int>(change.row), columnCount() - 1));
    } else if (change.kind == store::Change::PendingEdited && rs->absolutePosition() > 0) {
        int row = static_cast<int>(rs->absolutePosition()) - 1;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    int current = rs->absolutePosition() > 0 ? static_cast<int>(rs->absolutePosition()) - 1 : -1;
    if (current != marked_) {
        int old = marked_;
        marked_ = current;
        if (old >= 0 && old < rows_) emit headerDataChanged(Qt::Vertical, old, old);
        if (current >= 0) emit headerDataChanged(Qt::Vertical, current, current);
    }
}

int RecordModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int RecordModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant RecordModel::data(const QModelIndex& index, int role) const {
    store::RecordSet* rs = recordSet();
    // EditRole too: a drop-down box over the model takes its text from it.
    if (!rs || !index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    if (fieldOf_[static_cast<std::size_t>(index.column())] < 0) return {};
    auto v = rs->valueAt(index.row(), fieldOf_[static_cast<std::size_t>(index.column())]);
    QString text = toQ(v);
    if (role == Qt::DisplayRole) text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) {
        store::RecordSet* rs = recordSet();
        return rs && section == rs->absolutePosition() - 1 ? QStringLiteral("▶") : QString();
    }
    if (section < 0 || section >= columnCount()) return {};
    const auto& c = shown_[static_cast<std::size_t>(section)];
    return c.heading.isEmpty() ? c.field : c.heading;
}

RecordGrid::RecordGrid(QWidget* parent) : QTableView(parent), model_(new RecordModel(this)) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    setAccessibleName(QStringLiteral("客戶清單"));  // every grid of the program lists clients
    setWordWrap(false);
    setCornerButtonEnabled(false);
    QHeaderView* rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->setFixedWidth(px(255));
    rows->setSectionsClickable(false);
    QFont bold = font();
    bold.setBold(true);
    horizontalHeader()->setFont(bold);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &RecordGrid::headingClicked);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { rowChosen(current); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        showCurrent();
    });
}

void RecordGrid::setDataControl(DataControl* control) {
    if (control_) disconnect(control_, nullptr, this, nullptr);
    control_ = control;
    model_->setDataControl(control);
    connect(control, &DataControl::changed, this, [this](const store::Change& c) {
        if (c.kind == store::Change::CurrentMoved || c.kind == store::Change::RowRemoved)
            showCurrent();
    });
    showCurrent();
}

void RecordGrid::setColumns(const std::vector<GridColumn>& columns) {
    model_->setColumns(columns);
    applyWidths();
}

QString RecordGrid::fieldAt(int column) const {
    const auto& shown = model_->shownColumns();
    return column >= 0 && column < static_cast<int>(shown.size())
               ? shown[static_cast<std::size_t>(column)].field
               : QString();
}

void RecordGrid::applyWidths() {
    const auto& shown = model_->shownColumns();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        int width = px(shown[i].widthTwips);
        // A date with a three-digit year shows whole.
        if (store::dates::isDateField(shown[i].field.toStdString()))
            width = std::max(width, dateWidth(fontMetrics()));
        horizontalHeader()->resizeSection(static_cast<int>(i), width);
    }
}

void RecordGrid::showCurrent(bool scroll) {
    store::RecordSet* rs = model_->recordSet();
    syncing_ = true;
    if (rs && rs->absolutePosition() > 0) {
        int column = currentIndex().isValid() ? currentIndex().column() : 0;
        QModelIndex target = model_->index(static_cast<int>(rs->absolutePosition()) - 1, column);
        if (target != currentIndex())
            selectionModel()->setCurrentIndex(
                target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (scroll) scrollTo(target);
    } else {
        selectionModel()->clear();
    }
    syncing_ = false;
}

void RecordGrid::putCurrentAtTop() {
    topPending_ = true;
    if (isVisible()) scrollCurrentToTop();
}

void RecordGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    // The scroll range is known only once the view has laid itself out on screen.
    if (topPending_) QTimer::singleShot(0, this, &RecordGrid::scrollCurrentToTop);
}

void RecordGrid::scrollCurrentToTop() {
    topPending_ = false;
    store::RecordSet* rs = model_->recordSet();
    if (rs && rs->absolutePosition() > 0)
        scrollTo(model_->index(static_cast<int>(rs->absolutePosition()) - 1, 0),
                 QAbstractItemView::PositionAtTop);
}

void RecordGrid::focusInEvent(QFocusEvent* event) {
    // The view would make its first row current when it gets the focus with none; the record
    // set decides what is current.
    syncing_ = true;
    QTableView::focusInEvent(event);
    syncing_ = false;
    // A click gives the focus before it lands: scrolling back to the current row then would
    // put another row under the pointer.
    showCurrent(event->reason() != Qt::MouseFocusReason);
}

void RecordGrid::rowChosen(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) return;
    store::RecordSet* rs = model_->recordSet();
    if (!rs || rs->absolutePosition() == current.row() + 1) return;
    try {
        rs->setAbsolutePosition(current.row() + 1);
    } catch (const std::exception&) {
        showCurrent();  // a pending change keeps the record where it is
    }
}

}  // namespace platform
