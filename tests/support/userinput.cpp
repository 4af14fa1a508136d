#include "userinput.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

#include "recordingdialogs.h"

namespace testsupport {

void activate(QWidget* window) {
    window = window->window();
    window->show();
    window->raise();
    window->activateWindow();
    // Not merely "active" (a window counts as active while a window it owns is): the one the
    // keyboard goes to.
    QTRY_COMPARE(QApplication::activeWindow(), window);
}

// A click on a window that is not active makes it active first, as the desktop does. Under a
// modal progress bar left open, no click would reach it.
void bringUp(QWidget* widget) {
    if (auto* r = dynamic_cast<RecordingDialogs*>(&platform::dialogs());
        r && !r->openBar().isEmpty())
        QFAIL(qPrintable("a click under the open progress bar " + r->openBar()));
    if (QApplication::activeWindow() != widget->window()) activate(widget->window());
}

void click(QWidget* widget) {
    bringUp(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void typeKeys(const QString& text) {
    for (QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2(focus, "nothing has the focus to type into");
        if (c.unicode() < 0x80) {
            QTest::keyClick(focus, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(focus, &commit);
        }
    }
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    // An open menu or drop-down holds the keyboard, as the desktop gives it the keys.
    QWidget* focus = QApplication::activePopupWidget();
    if (!focus) focus = QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the focus to take the key");
    QTest::keyClick(focus, key, modifiers);
}

void retype(QWidget* box, const QString& text, bool enter) {
    click(box);
    pressKey(Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        pressKey(Qt::Key_Delete);
    else
        typeKeys(text);
    if (enter) pressKey(Qt::Key_Return);
}

void wheel(QWidget* widget, int notches) {
    const QPoint at = widget->rect().center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

void clickRow(QTableView* grid, int row, int column) {
    bringUp(grid);
    const QModelIndex index = grid->model()->index(row, column);
    QVERIFY(index.isValid());
    QScrollBar* bar = grid->verticalScrollBar();
    // A person drags the scroll bar: each step moves the view, as the bar's own steps do.
    for (int guard = 0;
         guard < 100000 && !grid->viewport()->rect().contains(grid->visualRect(index).center());
         ++guard) {
        const int before = bar->value();
        bar->triggerAction(grid->visualRect(index).top() < 0 ? QAbstractSlider::SliderPageStepSub
                                                             : QAbstractSlider::SliderPageStepAdd);
        if (bar->value() == before) break;
    }
    const QRect cell = grid->visualRect(index);
    QVERIFY2(grid->viewport()->rect().contains(cell.center()), "row not scrolled into view");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void clickHeading(QTableView* grid, int column) {
    bringUp(grid);
    QHeaderView* header = grid->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void pickEntry(QComboBox* box, int position) {
    bringUp(box);
    // The arrow sits at the right end of the box.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 6, box->height() / 2));
    QAbstractItemView* list = box->view();
    QTRY_VERIFY(list->isVisible());
    // The open list ignores a click at once after opening (it takes it for the opening click's
    // release), so the entry is reached with the arrow keys, as a person may too.
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus && (focus == list || list->isAncestorOf(focus)), "the open list has no focus");
    for (int guard = 0; list->currentIndex().row() != position && guard < 100000; ++guard)
        QTest::keyClick(QApplication::focusWidget(),
                        list->currentIndex().row() < position ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(list->currentIndex().row(), position);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
}

}  // namespace testsupport
