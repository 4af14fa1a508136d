#include <QHeaderView>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <thread>
#include "windowtest.h"

#include "platform/longwork.h"
#include "platform/twips.h"
#include "store/clientfile.h"
#include "store/longwork.h"

namespace {

const std::vector<std::vector<std::string>> kThree = {
    {"A1", "王小明"}, {"A2", "李四"}, {"A3", "張三"}};

}  // namespace

class PlatformTest : public QObject {
    Q_OBJECT
  private slots:

    void boundBoxesShowTheCurrentRecordAndTypeIntoThePendingOne() {
        testsupport::GuiFixture f;
        f.writeClients(kThree);
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
        testsupport::pickEntry(no, 2);
        QCOMPARE(testsupport::value(*control->recordSet(), store::NO), QStringLiteral("Z9"));
        control->recordSet()->cancelUpdate();
        QCOMPARE(name->text(), QStringLiteral("李四"));
        QCOMPARE(no->currentText(), QStringLiteral("A2"));
    }

    void gridShowsAnExtraColumnOnlyWhereTheTableHasIt() {
        testsupport::GuiFixture f;
        f.writeClients(kThree);
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
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
        control.moveNext();
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toString(), QString());

        // With no records at all (an empty table lends none) the headings still show.
        platform::DataControl empty;
        platform::RecordGrid bare;
        bare.setDataControl(&empty);
        bare.setColumns({{"NO", 855, {}}, {"NAME", 1095, {}}});
        QCOMPARE(bare.model()->columnCount(), 2);
        QCOMPARE(bare.model()->rowCount(), 0);
        QCOMPARE(bare.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    }

    // Long work runs beside the event loop: the windows repaint and show the busy cursor while
    // it runs, and its failure reaches the caller.
    void longWorkKeepsTheEventLoopRunning() {
        platform::keepPaintingDuringLongWork(std::chrono::milliseconds(0));
        std::atomic<bool> served{false};
        Qt::CursorShape cursor = Qt::ArrowCursor;
        QTimer::singleShot(0, [&] {
            if (QApplication::overrideCursor()) cursor = QApplication::overrideCursor()->shape();
            served = true;
        });
        store::runLong([&] {
            for (int i = 0; i < 500 && !served; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        QVERIFY(served);
        QCOMPARE(cursor, Qt::WaitCursor);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 store::runLong([] { throw std::runtime_error("x"); }));
        platform::keepPaintingDuringLongWork();
    }
};

VELKARD_GUI_TEST(PlatformTest)
#include "platform_test.moc"
