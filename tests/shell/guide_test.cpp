#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QMdiArea>
#include <QRegularExpression>
#include <QTextBrowser>
#include <functional>
#include "windowtest.h"

#include "editor/form11.h"
#include "maintenance/form42.h"
#include "maintenance/form43.h"
#include "maintenance/form44.h"
#include "platform/help.h"
#include "platform/qtext.h"
#include "query/form17.h"
#include "reports/form28.h"
#include "shell/form12.h"

namespace {

QWidget* viewer() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "HelpViewer" && w->isVisible()) return w;
    return nullptr;
}

// The page the viewer shows after F1 at the focus.
QString pageAfterF1() {
    testsupport::pressKey(Qt::Key_F1);
    QWidget* v = viewer();
    if (!v) return QStringLiteral("no viewer");
    const QString page = v->findChild<QTextBrowser*>("GuideText")->source().toLocalFile();
    v->close();
    return QFileInfo(page).fileName();
}

}  // namespace

class GuideTest : public QObject {
    Q_OBJECT
  private slots:
    // F1 in each window opens the guide at that window's chapter: the window as the menu opens
    // it, the key at the focus it gives.
    void f1OpensTheChapterOfTheWindowInUse() {
        const struct {
            const char* item;
            std::function<QWidget*()> window;
            const char* page;
        } cases[] = {
            {"menu_PARTI_DATA", [] { return &get<Form1>(); }, "browse-list.html"},
            {"menu_ADD_PROCESS", [] { return &get<Form11>(); }, "editing.html"},
            {"menu_MOD_PROCESS", [] { return &get<Form12>(); }, "browse-list.html"},
            {"menu_DISP_SET", [] { return &get<Form17>(); }, "display-set.html"},
            {"menu_SYNTHE_DATA", [] { return &get<Form28>(); }, "printing.html"},
            {"menu_VELKNO_REBUID", [] { return &get<Form42>(); }, "maintenance.html"},
            {"menu_FILE_BACKUP", [] { return &get<Form43>(); }, "maintenance.html"},
            {"menu_FILE_CLEAR", [] { return &get<Form44>(); }, "maintenance.html"},
        };
        testsupport::GuiFixture f;
        QVERIFY(f.start({{"A00001", "王小明"}}));
        for (const auto& c : cases) {
            get<MDIForm1>().item(c.item)->trigger();
            testsupport::flushDeletes();
            QWidget* window = c.window();
            testsupport::activate(window->window());
            QTRY_VERIFY2(window->isAncestorOf(QApplication::focusWidget()), c.item);
            QCOMPARE(pageAfterF1(), QString::fromLatin1(c.page));
        }
        // Outside any child window: the frame's own chapter.
        platform::forms::unload<Form1>();
        platform::forms::unload<Form11>();
        testsupport::flushDeletes();
        get<MDIForm1>().mdiArea()->setFocus();
        testsupport::activate(&get<MDIForm1>());
        QCOMPARE(pageAfterF1(), QStringLiteral("starting.html"));
    }

    // Alt with a menu's underlined letter opens that menu, F10 the first; Tab goes round each
    // window's controls, every one of them named for a screen reader.
    void everyMenuAndControlIsReachedByKeys() {
        testsupport::GuiFixture f;
        QVERIFY(f.start({{"A00001", "王小明"}}));
        MDIForm1& frame = get<MDIForm1>();
        testsupport::activate(&frame);
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* menu;
        } menus[] = {{Qt::Key_D, Qt::AltModifier, "menu_DATA_PORCESS"},
                     {Qt::Key_P, Qt::AltModifier, "menu_PRINT_OPER"},
                     {Qt::Key_S, Qt::AltModifier, "menu_SORT_SET"},
                     {Qt::Key_Y, Qt::AltModifier, "menu_SYSTEM_PROTECT"},
                     {Qt::Key_F10, Qt::NoModifier, "menu_DATA_PORCESS"}};
        for (const auto& m : menus) {
            testsupport::pressKey(m.key, m.modifiers);
            QTRY_VERIFY2(QApplication::activePopupWidget(), m.menu);
            QCOMPARE(QApplication::activePopupWidget()->objectName(), QString::fromLatin1(m.menu));
            testsupport::pressKey(Qt::Key_Escape);  // the menu closes
            QTRY_VERIFY(!QApplication::activePopupWidget());
            testsupport::pressKey(Qt::Key_Escape);  // and the menu bar lets the keys go
        }
        const struct {
            const char* item;
            std::function<QWidget*()> window;
            int boxes;  // the field boxes (named by the field's title) Tab must reach
        } windows[] = {
            {"menu_PARTI_DATA", [] { return &get<Form1>(); }, 0},
            {"menu_ADD_PROCESS", [] { return &get<Form11>(); }, store::kFieldCount},
            {"menu_FILE_BACKUP", [] { return &get<Form43>(); }, 0},
        };
        for (const auto& w : windows) {
            frame.item(w.item)->trigger();
            testsupport::flushDeletes();
            QWidget* window = w.window();
            testsupport::activate(window->window());
            QTRY_VERIFY2(window->isAncestorOf(QApplication::focusWidget()), w.item);
            QWidget* first = QApplication::focusWidget();
            QSet<QWidget*> seen;
            int fieldBoxes = 0;
            for (int i = 0; i < 80; ++i) {
                QWidget* at = QApplication::focusWidget();
                if (i > 0 && at == first) break;
                QVERIFY2(window->isAncestorOf(at), qPrintable(at->objectName()));
                QVERIFY2(!seen.contains(at), qPrintable(at->objectName()));
                seen.insert(at);
                const auto* button = qobject_cast<QAbstractButton*>(at);
                QVERIFY2(!at->accessibleName().isEmpty() || (button && !button->text().isEmpty()),
                         qPrintable(at->objectName()));
                for (const auto& field : store::kFields)
                    if (at->accessibleName() == platform::toQ(field.title)) ++fieldBoxes;
                testsupport::pressKey(Qt::Key_Tab);
            }
            QCOMPARE(QApplication::focusWidget(), first);  // round, not stuck
            QCOMPARE(fieldBoxes, w.boxes);
        }
    }

    // Every page the rendered guide links to, and every picture it shows, is there.
    void theGuideHasEveryPageAndPictureItNames() {
        const QDir guide(platform::help::folder());
        QVERIFY(guide.exists(QStringLiteral("index.html")));
        const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\":#]+)\""));
        int references = 0;
        for (const QString& name : guide.entryList({QStringLiteral("*.html")})) {
            QFile page(guide.filePath(name));
            QVERIFY(page.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(page.readAll());
            for (const auto& m : reference.globalMatch(html)) {
                ++references;
                QVERIFY2(guide.exists(m.captured(1)), qPrintable(name + ": " + m.captured(1)));
            }
        }
        QVERIFY(references > 20);
    }
};

VELKARD_GUI_TEST(GuideTest)
#include "guide_test.moc"
