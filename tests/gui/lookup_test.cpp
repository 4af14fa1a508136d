#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "editor/form11.h"
#include "editor/form112.h"
#include "guifixture.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/forms.h"
#include "platform/recordgrid.h"
#include "shell/form1.h"
#include "shell/form12.h"
#include "shell/mdiform1.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "userinput.h"

using platform::forms::get;

namespace {

std::vector<std::vector<std::string>> clients() {
    const char* rows[][3] = {{"C03", "王小明", "統一企業"}, {"C01", "李大同", "宏碁電腦"},
                             {"C05", "陳美玲", "大同公司"}, {"C02", "林志明", "中國鋼鐵"},
                             {"C04", "O'Neil", "長榮海運"}, {"X'1", "張三", "華碩電腦"}};
    std::vector<std::vector<std::string>> out;
    for (auto& r : rows) {
        std::vector<std::string> c(store::kFieldCount);
        c[store::NO] = r[0];
        c[store::NAME] = r[1];
        c[store::COMPANY] = r[2];
        c[store::DATE] = "101.01.01";
        out.push_back(c);
    }
    return out;
}

using testsupport::activate;
using testsupport::click;
using testsupport::column;
using testsupport::pressKey;
using testsupport::typeKeys;
using testsupport::value;
int headingOf(platform::RecordGrid* grid, const QString& field) {
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (grid->model()->headerData(c, Qt::Horizontal).toString() == field) return c;
    return -1;
}
void clickHeading(platform::RecordGrid* grid, const QString& field) {
    testsupport::clickHeading(grid, headingOf(grid, field));
}

}  // namespace

class LookupTest : public QObject {
    Q_OBJECT
  private slots:
    void fullListSortsByAClickedHeadingKeepingTheRecord() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        get<MDIForm1>().item("menu_MOD_PROCESS")->trigger();
        QVERIFY(!platform::forms::loaded<Form1>());
        Form12& w = get<Form12>();
        QCOMPARE(w.windowTitle(), QStringLiteral("察看瀏覽"));
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("NO"));
        store::RecordSet& rs = *w.Adodc1->recordSet();
        QCOMPARE(value(rs, store::NO), QStringLiteral("C03"));  // stored order, no sort
        QCOMPARE(w.DataGrid1->model()->columnCount(), 20);      // no CTRL column in this file

        click(w.Adodc1->findChild<QToolButton*>("Next"));  // 李大同
        QCOMPARE(w.LabBROWSE1[1]->text(), QStringLiteral("李大同"));
        QCOMPARE(w.LabBROWSE[8]->text(), QStringLiteral("ADDR_2"));
        clickHeading(w.DataGrid1, "COMPANY");
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("COMPANY"));
        QCOMPARE(column(rs, store::NO).first(),
                 QStringLiteral("C03"));  // the click alone sorts nothing
        click(w.Command1[1]);             // LOWER
        QCOMPARE(column(rs, store::COMPANY).first(), QStringLiteral("華碩電腦"));
        QCOMPARE(value(rs, store::NAME), QStringLiteral("李大同"));
        QCOMPARE(w.LabBROWSE1[9]->text(), QStringLiteral("宏碁電腦"));
        QCOMPARE(w.DataGrid1->currentIndex().row(), static_cast<int>(rs.absolutePosition()) - 1);

        // With no current record HOIST sorts and stands on the first record.
        click(w.Adodc1->findChild<QToolButton*>("Last"));
        click(w.Adodc1->findChild<QToolButton*>("Next"));
        click(w.Command1[0]);
        QCOMPARE(rs.absolutePosition(), 1L);
        QCOMPARE(value(rs, store::COMPANY), QStringLiteral("大同公司"));
        click(w.Command1[2]);  // PRINTER: nothing
        QCOMPARE(rs.absolutePosition(), 1L);
    }

    void hoistWithoutAClickSortsByCodeAndCtrlHeadingChangesNothing() {
        testsupport::GuiFixture f;
        f.writeClients(clients());
        testsupport::execSql(f.clientFile(), "ALTER TABLE VELKARD ADD COLUMN CTRL TEXT");
        QVERIFY(f.start());
        get<MDIForm1>().item("menu_MOD_PROCESS")->trigger();
        Form12& w = get<Form12>();
        QCOMPARE(w.DataGrid1->model()->columnCount(), 21);
        clickHeading(w.DataGrid1, "CTRL");
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("NO"));
        click(w.Command1[0]);
        QCOMPARE(column(*w.Adodc1->recordSet(), store::NO),
                 (QStringList{"C01", "C02", "C03", "C04", "C05", "X'1"}));
    }

    void closingTheFullListBringsTheBrowseListBackAndClosesTheEditor_data() {
        QTest::addColumn<bool>("byEnd");
        QTest::newRow("END") << true;
        QTest::newRow("close box") << false;
    }
    void closingTheFullListBringsTheBrowseListBackAndClosesTheEditor() {
        QFETCH(bool, byEnd);
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        get<MDIForm1>().item("menu_MOD_PROCESS")->trigger();
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        QVERIFY(platform::forms::loaded<Form11>());
        // A pending change in the editor is asked about; Cancel stops the closing.
        get<Form11>().records()->setValue(store::NAME, "改過");
        f.dialogs().answers = {platform::Answer::Cancel};
        if (byEnd)
            click(get<Form12>().Command1[3]);
        else
            get<Form12>().close();
        QVERIFY(platform::forms::loaded<Form12>());
        QVERIFY(platform::forms::loaded<Form11>());
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral("資料尚未儲存，是否儲存？"));

        f.dialogs().answers = {platform::Answer::No};
        if (byEnd)
            click(get<Form12>().Command1[3]);
        else
            get<Form12>().close();
        QVERIFY(!platform::forms::loaded<Form12>());
        QVERIFY(!platform::forms::loaded<Form11>());
        QVERIFY(platform::forms::loaded<Form1>());
        QVERIFY(get<Form1>().isVisible());
        QCOMPARE(value(*get<Form1>().AdodcMENU->recordSet(), store::NAME),
                 QStringLiteral("李大同"));
    }

    void quickLookupFindsByCodeAndExecuteMovesTheEditor() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        Form11& editor = get<Form11>();
        click(editor.AdodcVELKARD->findChild<QToolButton*>("Next"));  // on C01
        click(editor.COMMAND1[5]);                                    // QUICK
        Form112& w = get<Form112>();
        QCOMPARE(w.windowTitle(), QStringLiteral("泛查資料"));
        QCOMPARE(w.RS2, editor.records());
        activate(&w);
        store::RecordSet& copy = *w.Adodc1->recordSet();
        QCOMPARE(w.DataCombo1->count(), 6);

        // A typed code (any letter case) and Enter: found, and the focus moves on to EXECUTE.
        click(w.DataCombo1);
        typeKeys("c05");
        pressKey(Qt::Key_Return);
        QCOMPARE(value(copy, store::NAME), QStringLiteral("陳美玲"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command1[0]));
        QCOMPARE(value(*editor.records(), store::NO), QStringLiteral("C01"));  // the editor waits

        // Each key searches with the text as it stood before the key.
        testsupport::retype(w.DataCombo1, QString());
        typeKeys("C");
        QCOMPARE(copy.absolutePosition(), 1L);  // empty text: back on the first
        typeKeys("0");
        QVERIFY(copy.eof());  // "C" matches no whole code

        // A code that matches nothing leaves no client to take: EXECUTE keeps the editor where it
        // was (it once moved it to the client the lookup stood on before).
        testsupport::retype(w.DataCombo1, "ZZZ");
        pressKey(Qt::Key_Return);
        QVERIFY(copy.eof());
        pressKey(Qt::Key_Space);  // on EXECUTE
        QVERIFY(platform::forms::loaded<Form112>());
        QCOMPARE(value(*editor.records(), store::NO), QStringLiteral("C01"));

        // A code with a quote is found as typed; a pick from the list finds at once.
        testsupport::retype(w.DataCombo1, "X'1");
        pressKey(Qt::Key_Return);
        QCOMPARE(value(copy, store::NAME), QStringLiteral("張三"));
        testsupport::pickEntry(w.DataCombo1, 3);
        QCOMPARE(value(copy, store::NO), QStringLiteral("C02"));
        QVERIFY(f.dialogs().messages().empty());

        click(w.Command1[0]);  // EXECUTE
        QVERIFY(!platform::forms::loaded<Form112>());
        QCOMPARE(value(*editor.records(), store::NO), QStringLiteral("C02"));
        QCOMPARE(editor.TexVELKARD[store::NAME]->text(), QStringLiteral("林志明"));
    }

    void lookupSortsResetsItsFieldOnActivationAndEndLeavesTheEditor() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        Form11& editor = get<Form11>();
        click(editor.COMMAND1[5]);
        Form112& w = get<Form112>();
        activate(&w);
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("NO"));
        clickHeading(w.DataGrid1, "NAME");
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("NAME"));
        store::RecordSet& copy = *w.Adodc1->recordSet();
        testsupport::clickRow(w.DataGrid1, 1);  // C01 李大同
        click(w.Command1[1]);                   // HOIST by NAME
        QCOMPARE(column(copy, store::NAME).first(), QStringLiteral("O'Neil"));
        QCOMPARE(value(copy, store::NO), QStringLiteral("C01"));
        QCOMPARE(value(*editor.records(), store::NO), QStringLiteral("C03"));

        // After a code that matched nothing, EXECUTE does nothing and LOWER stands on the first.
        testsupport::retype(w.DataCombo1, "ZZZ");  // the click into the box searches, then each key
        click(w.Command1[0]);
        QVERIFY(platform::forms::loaded<Form112>());
        click(w.Command1[2]);
        QCOMPARE(copy.absolutePosition(), 1L);
        QCOMPARE(w.DataCombo1->currentText(), QStringLiteral("ZZZ"));

        // Leaving for the editor and coming back resets the sort field.
        clickHeading(w.DataGrid1, "COMPANY");
        activate(&get<MDIForm1>());
        activate(&w);
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("NO"));

        click(w.Command1[4]);  // END
        QVERIFY(!platform::forms::loaded<Form112>());
        QCOMPARE(value(*editor.records(), store::NO), QStringLiteral("C03"));
    }

    void emptyTableAtLoadLeavesBothWindowsInert() {
        testsupport::GuiFixture f;
        QVERIFY(f.start({}));
        get<MDIForm1>().item("menu_MOD_PROCESS")->trigger();
        Form12& list = get<Form12>();
        QCOMPARE(list.DATAGRID1_FIELD, QString());
        click(list.Command1[0]);
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        click(get<Form11>().COMMAND1[5]);
        Form112& w = get<Form112>();
        QVERIFY(w.RS2 == nullptr);
        QCOMPARE(w.DataGrid1->model()->columnCount(), 21);  // the headings show, the rows do not
        QCOMPARE(w.DataGrid1->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("NAME"));
        for (int i : {0, 1, 2}) click(w.Command1[static_cast<std::size_t>(i)]);
        QVERIFY(platform::forms::loaded<Form112>());
        QVERIFY(f.dialogs().messages().size() <= 1);  // at most the editor's empty-table beeps
        click(w.Command1[4]);
        QVERIFY(!platform::forms::loaded<Form112>());
    }
};

VELKARD_GUI_TEST(LookupTest)
#include "lookup_test.moc"
