#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "guifixture.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/forms.h"
#include "platform/recordgrid.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "userinput.h"

namespace {

// Two small windows to exercise the registry: one child of the MDI area, one free-standing.
int childLoads = 0, childUnloads = 0;
bool childMayClose = true;

class ChildForm : public platform::Form {
  public:
    ChildForm() { setObjectName("ChildForm"); }
    bool isMdiChild() const override { return true; }
    void Form_Load() override { ++childLoads; }
    void Form_Unload() override { ++childUnloads; }
    bool Form_QueryUnload() override { return childMayClose; }
};

class FreeForm : public platform::Form {
  public:
    FreeForm() { setObjectName("FreeForm"); }
};

std::vector<std::vector<std::string>> three() {
    return {{"A1", "王小明"}, {"A2", "李四"}, {"A3", "張三"}};
}

}  // namespace

class PlatformTest : public QObject {
    Q_OBJECT
  private slots:
    void registryCreatesOnceAndPlacesInTwips() {
        QMdiArea area;  // outlives the fixture, which closes the windows inside it
        testsupport::GuiFixture f;
        area.resize(800, 600);
        area.show();
        platform::forms::setMdiArea(&area);
        childLoads = childUnloads = 0;

        platform::forms::place<ChildForm>(1000, 1200, 7100, 5500);
        platform::forms::place<ChildForm>(1000, 1200, 7100, 5500);
        QCOMPARE(childLoads, 1);
        auto* sub = qobject_cast<QMdiSubWindow*>(platform::forms::get<ChildForm>().parentWidget());
        QVERIFY(sub);
        QCOMPARE(sub->geometry(), QRect(67, 80, 473, 367));
        sub->move(5, 5);
        platform::forms::place<ChildForm>(1000, 1200, 7100, 5500);
        QCOMPARE(sub->pos(), QPoint(67, 80));

        platform::forms::place<FreeForm>(1500, 1200, 6500, 3800);
        QVERIFY(platform::forms::get<FreeForm>().isWindow());
        // Where the frame's border lies is the desktop's business: a few pixels either way.
        QVERIFY((platform::forms::get<FreeForm>().pos() - QPoint(100, 80)).manhattanLength() <= 4);

        // Choosing the window again brings it back from the task bar or a maximized state.
        for (auto state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
            sub->setWindowState(state);
            platform::forms::get<FreeForm>().setWindowState(state);
            platform::forms::place<ChildForm>(1000, 1200, 7100, 5500);
            platform::forms::place<FreeForm>(1500, 1200, 6500, 3800);
            QCOMPARE(sub->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), 0);
            QCOMPARE(sub->geometry(), QRect(67, 80, 473, 367));
            QVERIFY(!platform::forms::get<FreeForm>().isMinimized());
            QVERIFY(!platform::forms::get<FreeForm>().isMaximized());
        }

        // The close box asks first; a refusal keeps the window.
        childMayClose = false;
        QVERIFY(!platform::forms::get<ChildForm>().close());
        QVERIFY(platform::forms::loaded<ChildForm>());
        childMayClose = true;
        QPointer<ChildForm> old = &platform::forms::get<ChildForm>();
        QVERIFY(old->close());
        QVERIFY(!platform::forms::loaded<ChildForm>());
        QCOMPARE(childUnloads, 1);
        testsupport::flushDeletes();
        QVERIFY(old.isNull());
        platform::forms::unload<ChildForm>();  // not loaded: nothing happens
        QCOMPARE(childUnloads, 1);
        platform::forms::get<ChildForm>();
        QCOMPARE(childLoads, 2);
        platform::forms::destroyAll();
        QCOMPARE(childUnloads, 1);  // ending the program runs no unload handling
        platform::forms::setMdiArea(nullptr);
    }

    void dataControlKeepsTheEndsWhenAsked() {
        testsupport::GuiFixture f;
        f.writeClients(three());
        f.open();
        platform::DataControl control;
        control.openTable("velkard");
        auto* rs = control.recordSet();
        control.movePrevious();
        QCOMPARE(rs->absolutePosition(), store::RecordSet::kBeforeFirst);
        control.setKeepEnds(true);
        control.moveFirst();
        control.movePrevious();
        QCOMPARE(rs->absolutePosition(), 1L);
        control.moveLast();
        control.moveNext();
        QCOMPARE(rs->absolutePosition(), 3L);
        int moves = 0;
        connect(&control, &platform::DataControl::moveComplete, [&] { ++moves; });
        control.findChild<QToolButton*>("First")->click();
        QCOMPARE(rs->absolutePosition(), 1L);
        QVERIFY(moves >= 1);
    }

    void boundBoxesShowTheCurrentRecordAndTypeIntoThePendingOne() {
        testsupport::GuiFixture f;
        f.writeClients(three());
        f.open();
        QWidget window;
        auto* control = new platform::DataControl(&window);
        control->openTable("VELKARD");
        auto* name = new platform::BoundTextBox(&window);
        name->bind(control, "name");
        name->setByteLimit(8);
        name->setGeometry(10, 40, 120, 24);
        auto* no = new platform::BoundComboBox(&window);
        no->addItems({"B1", "A2", "Z9"});
        no->bind(control, "NO");
        no->setGeometry(10, 70, 120, 24);
        window.resize(200, 120);
        testsupport::activate(&window);
        QCOMPARE(name->text(), QStringLiteral("王小明"));
        QCOMPARE(no->currentIndex(), -1);  // A1 is no entry: the list stands on none
        control->moveNext();
        QCOMPARE(name->text(), QStringLiteral("李四"));
        QCOMPARE(no->currentText(), QStringLiteral("A2"));
        QCOMPARE(no->currentIndex(), 1);  // the list stands on the shown entry

        testsupport::retype(name, "歐陽小明五");  // the fifth character is one too many
        QCOMPARE(name->text(), QStringLiteral("歐陽小明"));
        QVERIFY(control->recordSet()->editing());
        QCOMPARE(testsupport::value(*control->recordSet(), store::NAME),
                 QStringLiteral("歐陽小明"));
        testsupport::pickEntry(no, 2);
        QCOMPARE(testsupport::value(*control->recordSet(), store::NO), QStringLiteral("Z9"));
        control->recordSet()->cancelUpdate();
        QCOMPARE(name->text(), QStringLiteral("李四"));
        QCOMPARE(no->currentText(), QStringLiteral("A2"));
    }

    void inputMethodIsRefusedOnlyWhereSwitchedOff() {
        platform::TextBox box;
        QCOMPARE(box.inputMethodQuery(Qt::ImEnabled).toBool(), true);
        box.setImeMode(platform::ImeMode::Off);
        QCOMPARE(box.inputMethodQuery(Qt::ImEnabled).toBool(), false);
        box.setImeMode(platform::ImeMode::On);
        QCOMPARE(box.inputMethodQuery(Qt::ImEnabled).toBool(), true);
    }

    void gridShowsAnExtraColumnOnlyWhereTheTableHasIt() {
        testsupport::GuiFixture f;
        f.writeClients(three());
        testsupport::execSql(f.clientFile(), "ALTER TABLE VELKARD ADD COLUMN 選擇 TEXT");
        f.open();
        platform::DataControl control;
        control.openTable("VELKARD");
        platform::RecordGrid grid;
        grid.setDataControl(&control);
        grid.setColumns({{"NO", 855, {}},
                         {"NAME", 1095, {}},
                         {"選擇", 555, {}},
                         {"CTRL", 555, {}},
                         {"BIRTH", 300, {}}});
        QCOMPARE(grid.model()->columnCount(), 4);
        // A date column is as wide as a three-digit date needs, whatever its design says.
        QVERIFY(grid.horizontalHeader()->sectionSize(3) >=
                grid.fontMetrics().horizontalAdvance("115.12.06"));
        QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("選擇"));
        QCOMPARE(grid.horizontalHeader()->sectionSize(1), platform::px(1095));
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
        QSignalSpy marker(grid.model(), &QAbstractItemModel::headerDataChanged);
        control.moveNext();
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toString(), QString());
        QCOMPARE(marker.size(), 2);  // the old row and the new one are repainted
        control.moveFirst();
        QSignalSpy clicks(&grid, &platform::RecordGrid::headingClicked);
        grid.resize(400, 200);
        testsupport::activate(&grid);
        testsupport::clickHeading(&grid, 1);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks[0][0].toInt(), 1);

        control.recordSet()->setFilter("NAME <> '李四'");
        QCOMPARE(grid.model()->rowCount(), 2);
        control.recordSet()->setSort("NAME DESC");
        QCOMPARE(grid.model()->data(grid.model()->index(0, 1)).toString(), QStringLiteral("張三"));

        // With no records at all (an empty table lends none) the headings still show.
        platform::DataControl empty;
        platform::RecordGrid bare;
        bare.setDataControl(&empty);
        bare.setColumns({{"NO", 855, {}}, {"NAME", 1095, {}}});
        QCOMPARE(bare.model()->columnCount(), 2);
        QCOMPARE(bare.model()->rowCount(), 0);
        QCOMPARE(bare.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    }

    void statusBarHasSevenPanelsWithTheirTips() {
        platform::StatusBar bar;
        QCOMPARE(bar.panelText(5), QStringLiteral("INS"));
        QCOMPARE(bar.panelText(7), QDate::currentDate().toString("yyyy/MM/dd"));
        QCOMPARE(bar.panelText(3), QString());  // offscreen the lock state is unknown: blank
        bar.resize(platform::px(9360), platform::px(375));
        const QString million = QStringLiteral("Record :  1000000 / 1000000");
        bar.setPanelText(1, million);
        bar.setPanelText(2, QStringLiteral("  過濾 "));
        bar.show();
        bar.layout()->activate();
        // The whole count shows, the marker too, and every panel stays inside the bar.
        for (int panel : {1, 2}) {
            QLabel* label = bar.panel(panel);
            QVERIFY2(label->contentsRect().width() >=
                         label->fontMetrics().horizontalAdvance(label->text()),
                     qPrintable(label->text()));
        }
        QVERIFY(bar.panel(1)->width() >= platform::px(2005));
        QVERIFY(bar.panel(7)->geometry().right() <= bar.width());
    }

    void fontsMapToFacesWithTraditionalForms() {
        QFontInfo ming(QFont("新細明體", 12));
        QVERIFY2(ming.family().contains("UMing TW") || ming.family().contains("PMingLiU") ||
                     ming.family().contains("CJK TC"),
                 qPrintable(ming.family()));
        QFontInfo kai(QFont("標楷體", 12));
        QVERIFY2(kai.family().contains("UKai TW") || kai.family().contains("DFKai") ||
                     kai.family().contains("CJK TC"),
                 qPrintable(kai.family()));
    }
};

VELKARD_GUI_TEST(PlatformTest)
#include "platform_test.moc"
