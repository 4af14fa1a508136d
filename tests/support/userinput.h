#pragma once

#include <QString>
#include <Qt>

class QAbstractItemView;
class QComboBox;
class QHeaderView;
class QTableView;
class QWidget;

// Input as a person gives it: keys go to the widget that has the focus, clicks land where an
// item is drawn after a real scroll, and drop-down entries are picked through the open list.
// A test that sends keys to a child it chose passes while the real keyboard reaches another.
namespace testsupport {

// The window up and active, as a person sees it after opening it.
void activate(QWidget* window);

// Clicks the widget (its centre) with the left button: it takes the focus as a person's click
// gives it.
void click(QWidget* widget);

// Types at the focus: ASCII by keys, other characters as an input method commits them.
void typeKeys(const QString& text);
// One key at the focus.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Clicks into a text box and replaces its text by typing, as a person selects all and types;
// then Enter, when `enter`, as a person ends the entry.
void retype(QWidget* box, const QString& text, bool enter = false);

// Turns the mouse wheel over the widget by `notches` (positive: up).
void wheel(QWidget* widget, int notches);

// Scrolls the grid with its scroll bar until the row is in view, then clicks the row's cell
// in `column`.
void clickRow(QTableView* grid, int row, int column = 0);
// Clicks the heading of a column of the grid.
void clickHeading(QTableView* grid, int column);

// Opens the box's list with a click on its arrow, arrows to the entry at `position` and takes
// it with Enter.
void pickEntry(QComboBox* box, int position);

}  // namespace testsupport
