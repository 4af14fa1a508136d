#pragma once

#include <QString>
#include <QStringList>

#include "query/conditions.h"

class QColor;
class QComboBox;
class QLineEdit;
class QWidget;

// The boxes that make up a condition row, as both condition windows build and read them.
namespace query {

// An editable drop-down box at a place in twips.
QComboBox* makeListBox(QWidget* parent, const QString& name, int left, int top, int width,
                       const QStringList& entries);
QLineEdit* makeValueBox(QWidget* parent, const QString& name, int left, int top, int width);
void paint(QWidget* box, const QColor& color);

// The position of the entry the box shows; -1 when its text was typed (or it is empty).
int pickedPosition(const QComboBox* box);

QStringList operatorEntries();
QStringList connectorEntries();

// A row read from its boxes; `field` is the field text as the window decides it.
ConditionRow readRow(const QString& field, const QComboBox* op, const QLineEdit* value,
                     const QComboBox* connector);

void clearBox(QComboBox* box);
// Names the boxes of condition row `row` (from 0) for screen readers; `connector` is null on the
// first row. The sort box is named "排序欄位".
void nameRow(int row, QWidget* connector, QWidget* field, QWidget* op, QWidget* value);

}  // namespace query
