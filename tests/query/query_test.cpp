#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QWindow>
#include "windowtest.h"

#include "editor/form11.h"
#include "query/form111.h"
#include "query/form17.h"

namespace {

std::vector<std::vector<std::string>> clients() {
    return testsupport::clientsWith(
        {store::NO, store::NAME, store::SEX, store::BLOOD, store::VOCATION},
        {{"C01", "王小明", "M", "O", "經理"},
         {"C02", "李大同", "F", "A", "工程師"},
         {"C03", "王大華", "M", "A", "會計"},
         {"C04", "陳美玲", "F", "O", "經理"},
         {"C05", "王美", "F", "O", "助理"},
         {"C06", "林志明", "M", "O", "課長"},
         {"C07", "張三", "M", "B", "工程師"}});
}

using testsupport::column;
store::RecordSet& browse() {
    return *get<Form1>().AdodcMENU->recordSet();
}
QString marker() {
    return get<Form1>().StatusBar1->panelText(2);
}

using testsupport::click;
using testsupport::pickEntry;
using testsupport::retype;

Form17& displaySet() {
    get<MDIForm1>().item("menu_DISP_SET")->trigger();
    testsupport::activate(&get<Form17>());
    return get<Form17>();
}

// Row r of the display set: field (a name in row 1, a title position below), operator, value.
void setRow(Form17& w, int r, int field, int op, const QString& value, int connector = 0) {
    if (r > 0) pickEntry(w.Combo6[static_cast<std::size_t>(r - 1)], connector);
    pickEntry(w.fieldBox[static_cast<std::size_t>(r)], field);
    pickEntry(w.operatorBox[static_cast<std::size_t>(r)], op);
    retype(w.Text1[static_cast<std::size_t>(r)], value);
}

Form111& conditionQuery() {
    click(get<Form11>().COMMAND1[4]);  // CONDIT
    testsupport::activate(&get<Form111>());
    return get<Form111>();
}

}  // namespace

class QueryTest : public QObject {
    Q_OBJECT
  private slots:
    void displaySetFiltersAndSortsTheBrowseListThenCloses() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        Form17& w = displaySet();
        // The list reloads under the open window (a sort command): EXECUTE still reaches it.
        get<MDIForm1>().item("menu_NAME_SORT")->trigger();
        testsupport::activate(&w);
        // An open list is as wide as its widest entry: no title is shown cut short.
        QComboBox* titles = w.fieldBox[1];
        QTest::mouseClick(titles, Qt::LeftButton, {}, QPoint(titles->width() - 6, 8));
        QTRY_VERIFY(titles->view()->isVisible());
        for (int i = 0; i < titles->count(); ++i)
            QVERIFY(titles->view()->viewport()->width() >=
                    titles->view()->fontMetrics().horizontalAdvance(titles->itemText(i)) + 6);
        testsupport::pressKey(Qt::Key_Escape);
        setRow(w, 0, store::SEX, 0, "M");
        setRow(w, 1, store::BLOOD, 0, "O", 0);  // 血型 picked
        click(w.COMMAND1[0]);
        QVERIFY(!platform::forms::loaded<Form17>());
        QCOMPARE(browse().filter(), std::string("SEX = 'M' And BLOOD = 'O'"));
        QCOMPARE(column(browse(), store::NO), (QStringList{"C01", "C06"}));
        QCOMPARE(marker(), QStringLiteral("  過濾 "));

        // The browse list's own search and sort see only the filtered rows.
        click(get<Form1>().ComMENU[1]);  // LOWER by NAME: 林 (8 strokes) before 王 (4)
        QCOMPARE(column(browse(), store::NO), (QStringList{"C06", "C01"}));
        retype(get<Form1>().TexMENU[1], "王大華", true);  // Enter leaves the box, which searches
        QVERIFY(browse().eof());
    }

    void row1MessageNoMatchAndRefusalsLeaveTheListAsItWas() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        testsupport::clickRow(get<Form1>().DataGridMENU, 3);
        QCOMPARE(browse().absolutePosition(), 4L);
        Form17& w = displaySet();
        setRow(w, 1, store::BLOOD, 0, "O", 0);  // lower rows filled, row 1 not
        click(w.COMMAND1[0]);
        QCOMPARE(f.dialogs().beeps(), 1);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("請設定篩選條件1"));

        // The refusal rules are the condition builder's (its own tests list them); here the
        // window shows one and keeps the list as it was.
        click(w.Command2);
        f.dialogs().clear();
        setRow(w, 0, store::SEX, 0, "M");
        pickEntry(w.Combo6[0], 0);
        retype(w.fieldBox[1], "血型");  // a typed title
        pickEntry(w.operatorBox[1], 0);
        retype(w.Text1[1], "O");
        testsupport::clickRow(get<Form1>().DataGridMENU, 3);
        click(w.COMMAND1[0]);
        QVERIFY(f.dialogs().messages()[0].text.contains("列"));
        QVERIFY(browse().filter().empty());
        QCOMPARE(browse().absolutePosition(), 4L);
        QVERIFY(marker().isEmpty());

        click(w.Command2);
        f.dialogs().clear();
        setRow(w, 0, store::NAME, 0, "沒有這個人");
        click(w.COMMAND1[0]);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("報歉,沒找到符合條件的資料"));
        QCOMPARE(browse().recordCount(), 0L);  // the empty result stays applied
        click(w.Command2);
        QCOMPARE(browse().recordCount(), 7L);
    }

    void conditionQueryNarrowsItsOwnCopyAndExecuteMovesTheEditor() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        Form11& editor = get<Form11>();
        click(editor.AdodcVELKARD->findChild<QToolButton*>("Last"));
        Form111& w = conditionQuery();
        store::RecordSet& copy = *w.Adodc1->recordSet();
        QCOMPARE(copy.recordCount(), 7L);

        pickEntry(w.Combo6, store::NAME);
        QCOMPARE(w.COMBO_SORT, QStringLiteral("NAME"));
        pickEntry(w.fieldBox[0], store::NAME);
        pickEntry(w.operatorBox[0], 6);  // begins with
        retype(w.Text1[0], "王");
        click(w.COMMAND1[0]);
        QCOMPARE(column(copy, store::NAME), (QStringList{"王大華", "王小明", "王美"}));
        QCOMPARE(testsupport::value(copy, store::NO),
                 QStringLiteral("C01"));  // current after filtering, kept
        QCOMPARE(testsupport::value(*editor.records(), store::NO),
                 QStringLiteral("C07"));  // editor untouched
        QCOMPARE(editor.records()->recordCount(), 7L);

        click(w.Command2);  // CANCEL keeps the sort field
        QCOMPARE(w.COMBO_SORT, QStringLiteral("NAME"));

        testsupport::clickRow(w.DataGrid1, 2);
        QCOMPARE(copy.absolutePosition(), 3L);
        const QString chosen = testsupport::value(copy, store::NO);
        click(w.Command3);  // EXECUTE
        QVERIFY(!platform::forms::loaded<Form111>());
        QCOMPARE(testsupport::value(*editor.records(), store::NO), chosen);
    }
};

VELKARD_GUI_TEST(QueryTest)
#include "query_test.moc"
