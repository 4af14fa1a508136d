#include <QAbstractButton>
#include <QAction>
#include <QMdiArea>
#include <QTextBrowser>
#include "windowtest.h"

#include "platform/help.h"
#include "platform/qtext.h"

namespace {

// The window of that name around the focus.
QWidget* windowWithFocus(const char* name) {
    QWidget* w = QApplication::focusWidget();
    while (w && w->objectName() != name) w = w->parentWidget();
    return w;
}

// The page the guide's viewer shows after F1 at the focus (the viewer closed again).
QString pageAfterF1() {
    testsupport::pressKey(Qt::Key_F1);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* text = w->findChild<QTextBrowser*>("GuideText");
        if (!text || !w->isVisible()) continue;
        w->close();  // deleted later: the page it shows is still there to read
        return QFileInfo(text->source().toLocalFile()).fileName();
    }
    return QStringLiteral("no viewer");
}

// Tab from the focus goes round the window's controls and back, each named for a screen reader;
// the field boxes among them (named by their field's title). -1: Tab left the window or stuck;
// -2: a control without a name.
int fieldBoxesRoundTheWindow(QWidget* window) {
    QWidget* first = QApplication::focusWidget();
    QSet<QWidget*> seen;
    int fieldBoxes = 0;
    for (QWidget* at = first; seen.size() < 80; at = QApplication::focusWidget()) {
        if (!seen.isEmpty() && at == first) return fieldBoxes;
        if (!window->isAncestorOf(at) || seen.contains(at)) return -1;
        seen.insert(at);
        const auto* button = qobject_cast<QAbstractButton*>(at);
        if (at->accessibleName().isEmpty() && !(button && !button->text().isEmpty())) return -2;
        for (const auto& field : store::kFields)
            if (at->accessibleName() == platform::toQ(field.title)) ++fieldBoxes;
        testsupport::pressKey(Qt::Key_Tab);
    }
    return -1;
}

}  // namespace

class GuideTest : public QObject {
    Q_OBJECT
  private slots:
    // Alt with a menu's underlined letter opens that menu, F10 the first. Each window as its menu
    // opens it: F1 at the focus it gives opens the guide at that window's chapter, and Tab
    // reaches every control, the field boxes included.
    void everyMenuAndWindowIsReachedByKeysAndHasItsChapter() {
        const struct {
            const char* item;
            const char* window;
            const char* page;
            int fieldBoxes;
        } cases[] = {
            {"menu_PARTI_DATA", "Form1", "browse-list.html", 0},
            {"menu_ADD_PROCESS", "Form11", "editing.html", store::kFieldCount},
            {"menu_MOD_PROCESS", "Form12", "browse-list.html", 0},
            {"menu_DISP_SET", "Form17", "display-set.html", 0},
            {"menu_SYNTHE_DATA", "Form28", "printing.html", 0},
            {"menu_BIRTHDAY_LIST", "Form61", "mailings.html", 0},
            {"menu_ADDRESS_LABELS", "Form62", "mailings.html", 0},
            {"menu_ENVELOPES", "Form63", "mailings.html", 0},
            {"menu_VELKNO_REBUID", "Form42", "maintenance.html", 0},
            {"menu_FILE_BACKUP", "Form43", "maintenance.html", 0},
            {"menu_FILE_CLEAR", "Form44", "maintenance.html", 0},
            {"menu_FIND_CLIENT", "Form51", "finding.html", 0},
            {"menu_DUPLICATES", "Form52", "tidying.html", 0},
            {"menu_HISTORY", "Form54", "tidying.html", 0},
            {"menu_DATA_CHECK", "Form55", "tidying.html", 0},
        };
        testsupport::GuiFixture f;
        QVERIFY(f.start({{"A00001", "王小明"}}));
        testsupport::activate(&get<MDIForm1>());
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* menu;
        } menus[] = {{Qt::Key_D, Qt::AltModifier, "menu_DATA_PORCESS"},
                     {Qt::Key_P, Qt::AltModifier, "menu_PRINT_OPER"},
                     {Qt::Key_S, Qt::AltModifier, "menu_SORT_SET"},
                     {Qt::Key_Y, Qt::AltModifier, "menu_SYSTEM_PROTECT"},
                     {Qt::Key_T, Qt::AltModifier, "menu_TOOLS"},
                     {Qt::Key_F10, Qt::NoModifier, "menu_DATA_PORCESS"}};
        for (const auto& m : menus) {
            testsupport::pressKey(m.key, m.modifiers);
            QTRY_VERIFY2(QApplication::activePopupWidget(), m.menu);
            QCOMPARE(QApplication::activePopupWidget()->objectName(), QString::fromLatin1(m.menu));
            testsupport::pressKey(Qt::Key_Escape);  // the menu closes
            QTRY_VERIFY(!QApplication::activePopupWidget());
            testsupport::pressKey(Qt::Key_Escape);  // and the menu bar lets the keys go
        }
        for (const auto& c : cases) {
            get<MDIForm1>().item(c.item)->trigger();
            testsupport::flushDeletes();
            QTRY_VERIFY2(windowWithFocus(c.window), c.item);
            QWidget* window = windowWithFocus(c.window);
            QCOMPARE(pageAfterF1(), QString::fromLatin1(c.page));
            QCOMPARE(fieldBoxesRoundTheWindow(window), c.fieldBoxes);
        }
        // Outside any child window: the frame's own chapter.
        testsupport::activate(&get<MDIForm1>());
        get<MDIForm1>().mdiArea()->setFocus();
        QCOMPARE(pageAfterF1(), QStringLiteral("starting.html"));
    }
};

VELKARD_GUI_TEST(GuideTest)
#include "guide_test.moc"
