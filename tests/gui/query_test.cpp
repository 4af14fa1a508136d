#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "editor/form11.h"
#include "guifixture.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/forms.h"
#include "platform/statusbar.h"
#include "query/form111.h"
#include "query/form17.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "store/fields.h"
#include "store/recordset.h"

using platform::forms::get;

namespace {

// NO, NAME, SEX, BLOOD, VOCATION in a readable table; the other fields stay empty.
std::vector<std::vector<std::string>> clients() {
    const char* rows[][5] = {
        {"C01", "王小明", "M", "O", "經理"}, {"C02", "李大同", "F", "A", "工程師"},
        {"C03", "王大華", "M", "A", "會計"}, {"C04", "陳美玲", "F", "O", "經理"},
        {"C05", "王美", "F", "O", "助理"},   {"C06", "林志明", "M", "O", "課長"},
        {"C07", "張三", "M", "B", "工程師"},
    };
    std::vector<std::vector<std::string>> out;
    for (auto& r : rows) {
        std::vector<std::string> c(store::kFieldCount);
        c[store::NO] = r[0];
        c[store::NAME] = r[1];
        c[store::SEX] = r[2];
        c[store::BLOOD] = r[3];
        c[store::VOCATION] = r[4];
        c[store::DATE] = "101.01.01";
        out.push_back(c);
    }
    return out;
}

using testsupport::column;
QString current(store::RecordSet& rs, int field) {
    return testsupport::value(rs, field);
}

store::RecordSet& browse() {
    return *get<Form1>().AdodcMENU->recordSet();
}
QString marker() {
    return get<Form1>().StatusBar1->panelText(2);
}

void pick(QComboBox* box, int position) {
    box->setCurrentIndex(position);
    emit box->activated(position);
}
void pickOperator(QComboBox* box, int position) {
    box->setCurrentIndex(position);
}

Form17& displaySet() {
    get<MDIForm1>().item("menu_DISP_SET")->trigger();
    return get<Form17>();
}

// Row r of the display set: field (a name in row 1, a title position below), operator, value.
void setRow(Form17& w, int r, int field, int op, const QString& value, int connector = 0) {
    if (r > 0) w.Combo6[static_cast<std::size_t>(r - 1)]->setCurrentIndex(connector);
    w.fieldBox[static_cast<std::size_t>(r)]->setCurrentIndex(field);
    pickOperator(w.operatorBox[static_cast<std::size_t>(r)], op);
    w.Text1[static_cast<std::size_t>(r)]->setText(value);
}

}  // namespace

class QueryTest : public QObject {
    Q_OBJECT
  private slots:
    void displaySetFiltersAndSortsTheBrowseListThenCloses() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        Form17& w = displaySet();
        QCOMPARE(w.windowTitle(), QStringLiteral("顯示設定"));
        QCOMPARE(w.Combo7->currentText(), QStringLiteral("NO"));
        QCOMPARE(get<Form1>().FIELDSORT, QStringLiteral("NO"));
        QCOMPARE(w.fieldBox[0]->itemText(3), QStringLiteral("SEX"));
        QCOMPARE(w.fieldBox[1]->itemText(4), QStringLiteral("血型"));
        setRow(w, 0, store::SEX, 0, "M");
        setRow(w, 1, store::BLOOD, 0, "O", 0);  // 血型 picked
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QVERIFY(!platform::forms::loaded<Form17>());
        QCOMPARE(browse().filter(), std::string("SEX = 'M' And BLOOD = 'O'"));
        QCOMPARE(column(browse(), store::NO), (QStringList{"C01", "C06"}));
        QCOMPARE(marker(), QStringLiteral("  過濾 "));
        QCOMPARE(get<Form1>().StatusBar1->panelText(1), QStringLiteral("Record :  1 / 2"));

        // The browse list's own search and sort see only the filtered rows.
        get<Form1>().ComMENU_Click(1);
        QCOMPARE(column(browse(), store::NO), (QStringList{"C06", "C01"}));
        get<Form1>().TexMENU[0]->setText("C03");
        get<Form1>().TexMENU_LostFocus(0);
        QVERIFY(browse().eof());

        // Reopening shows empty boxes, sets the sort field back to NO and keeps the display set.
        Form17& again = displaySet();
        QCOMPARE(again.Text1[0]->text(), QString());
        QCOMPARE(get<Form1>().FIELDSORT, QStringLiteral("NO"));
        QCOMPARE(marker(), QStringLiteral("  過濾 "));
    }

    void aValueThatFoldsIntoManyCharactersFiltersLikeAnyOther() {
        // U+FDFA folds into eighteen characters; it once ended the program at EXECUTE.
        auto rows = clients();
        rows[2][store::NAME] = "ﷺ";
        testsupport::GuiFixture f;
        QVERIFY(f.start(rows));
        Form17& w = displaySet();
        setRow(w, 0, store::NAME, 0, QStringLiteral("ﷺ"));
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QVERIFY(!platform::forms::loaded<Form17>());
        QCOMPARE(column(browse(), store::NO), QStringList{"C03"});
        QVERIFY(f.dialogs().messages().empty());
    }

    void aPickedTitleSortsAndCancelKeepsTheSortField() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        Form17& w = displaySet();
        pick(w.Combo7, store::VOCATION);  // 職稱
        QCOMPARE(get<Form1>().FIELDSORT, QStringLiteral("VOCATION"));
        setRow(w, 0, store::SEX, 0, "F");
        QTest::mouseClick(w.Command2, Qt::LeftButton);  // CANCEL empties every box...
        QCOMPARE(w.Combo7->currentText(), QString());
        QCOMPARE(w.Text1[0]->text(), QString());
        QCOMPARE(get<Form1>().FIELDSORT, QStringLiteral("VOCATION"));  // ...but not the field
        QVERIFY(platform::forms::loaded<Form17>());
        setRow(w, 0, store::SEX, 0, "F");
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QCOMPARE(column(browse(), store::VOCATION), (QStringList{"工程師", "助理", "經理"}));
        QCOMPARE(browse().sort(), std::string("VOCATION ASC"));

        Form17& again = displaySet();
        QTest::mouseClick(again.Command2, Qt::LeftButton);
        QCOMPARE(marker(), QString());
        QCOMPARE(browse().recordCount(), 7L);
        QCOMPARE(browse().sort(), std::string("VOCATION ASC"));  // the sort stays
    }

    void row1MessageNoMatchAndRefusalsLeaveTheListAsItWas() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        browse().setAbsolutePosition(4);
        Form17& w = displaySet();
        setRow(w, 1, store::BLOOD, 0, "O", 0);  // lower rows filled, row 1 not
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QCOMPARE(f.dialogs().beeps(), 1);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("請設定篩選條件1"));
        QCOMPARE(f.dialogs().messages()[0].title, QStringLiteral("設定篩選條件1"));
        QCOMPARE(f.dialogs().messages()[0].buttons, platform::Buttons::OkCancel);
        QCOMPARE(f.dialogs().messages()[0].icon, platform::Icon::Exclamation);

        struct Refusal {
            const char* what;
            std::function<void(Form17&)> set;
        } refusals[] = {
            {"typed title",
             [](Form17& w) {
                 setRow(w, 0, store::SEX, 0, "M");
                 w.fieldBox[1]->setEditText("血型");
                 pickOperator(w.operatorBox[1], 0);
                 w.Text1[1]->setText("O");
                 w.Combo6[0]->setCurrentIndex(0);
             }},
            {"row below a skipped row",
             [](Form17& w) {
                 setRow(w, 0, store::SEX, 0, "M");
                 setRow(w, 1, store::BLOOD, 0, "");
                 setRow(w, 2, store::NAME, 0, "x", 1);
             }},
            {"typed operator in row 3",
             [](Form17& w) {
                 setRow(w, 0, store::SEX, 0, "M");
                 setRow(w, 1, store::BLOOD, 0, "O");
                 setRow(w, 2, store::NAME, 0, "x", 1);
                 w.operatorBox[2]->setEditText("~");
             }},
        };
        for (const auto& r : refusals) {
            QTest::mouseClick(w.Command2, Qt::LeftButton);
            f.dialogs().clear();
            r.set(w);
            browse().setAbsolutePosition(4);
            QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
            QVERIFY2(f.dialogs().beeps() == 1, r.what);
            QVERIFY2(f.dialogs().messages().size() == 1, r.what);
            QVERIFY2(f.dialogs().messages()[0].text.contains("列"), r.what);
            QVERIFY2(browse().filter().empty(), r.what);
            QVERIFY2(browse().absolutePosition() == 4, r.what);
            QVERIFY2(browse().sort() == "NO ASC", r.what);
            QVERIFY2(marker().isEmpty(), r.what);
            QVERIFY2(platform::forms::loaded<Form17>(), r.what);
        }

        QTest::mouseClick(w.Command2, Qt::LeftButton);
        f.dialogs().clear();
        setRow(w, 0, store::NAME, 0, "沒有這個人");
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("報歉,沒找到符合條件的資料"));
        QCOMPARE(f.dialogs().messages()[0].title, QStringLiteral("沒找到"));
        QCOMPARE(browse().recordCount(), 0L);  // the empty result stays applied
        QVERIFY(platform::forms::loaded<Form17>());
        f.dialogs().clear();
        setRow(w, 0, store::SEX, 0, "M");
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QVERIFY(f.dialogs().calls.empty());  // nothing to select from until CANCEL
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(browse().recordCount(), 7L);
    }

    void conditionQueryNarrowsItsOwnCopyAndExecuteMovesTheEditor() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        Form11& editor = get<Form11>();
        editor.AdodcVELKARD->moveLast();
        QTest::mouseClick(editor.COMMAND1[4], Qt::LeftButton);  // CONDIT
        Form111& w = get<Form111>();
        QCOMPARE(w.windowTitle(), QStringLiteral("條件查詢"));
        QCOMPARE(w.COMBO_SORT, QStringLiteral("NO"));
        QCOMPARE(w.fieldBox[0]->currentText(), QStringLiteral("NO"));
        QCOMPARE(w.RS1, editor.records());
        store::RecordSet& copy = *w.Adodc1->recordSet();
        QCOMPARE(copy.recordCount(), 7L);

        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);  // row 1 has no operator yet
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral("請設定篩選條件1"));

        pick(w.Combo6, store::NAME);
        QCOMPARE(w.COMBO_SORT, QStringLiteral("NAME"));
        w.fieldBox[0]->setCurrentIndex(store::NAME);
        pickOperator(w.operatorBox[0], 6);  // begins with
        w.Text1[0]->setText("王");
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QCOMPARE(column(copy, store::NAME), (QStringList{"王大華", "王小明", "王美"}));
        QCOMPARE(current(copy, store::NO), QStringLiteral("C01"));  // current after filtering, kept
        QCOMPARE(current(*editor.records(), store::NO), QStringLiteral("C07"));  // editor untouched
        QCOMPARE(editor.records()->recordCount(), 7L);

        QTest::mouseClick(w.Command2, Qt::LeftButton);  // CANCEL keeps the sort field
        QCOMPARE(w.Combo6->currentText(), QString());
        QCOMPARE(w.COMBO_SORT, QStringLiteral("NAME"));
        QCOMPARE(copy.recordCount(), 7L);

        copy.setAbsolutePosition(3);
        const QString chosen = current(copy, store::NO);
        QTest::mouseClick(w.Command3, Qt::LeftButton);  // EXECUTE
        QVERIFY(!platform::forms::loaded<Form111>());
        QCOMPARE(current(*editor.records(), store::NO), chosen);
    }

    void executeAfterANoMatchDoesNothingAndExtraColumnsDoNotSort() {
        testsupport::GuiFixture f;
        f.writeClients(clients());
        testsupport::execSql(f.clientFile(), "ALTER TABLE VELKARD ADD COLUMN CTRL TEXT");
        QVERIFY(f.start());
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        QTest::mouseClick(get<Form11>().COMMAND1[4], Qt::LeftButton);
        Form111& w = get<Form111>();
        QCOMPARE(w.Combo6->count(), 21);
        pick(w.Combo6, 20);  // CTRL
        QCOMPARE(w.COMBO_SORT, QStringLiteral("NO"));
        pickOperator(w.operatorBox[0], 0);
        w.Text1[0]->setText("無");
        QTest::mouseClick(w.COMMAND1[0], Qt::LeftButton);
        QCOMPARE(f.dialogs().messages().back().title, QStringLiteral("沒找到"));
        QTest::mouseClick(w.Command3, Qt::LeftButton);
        QVERIFY(platform::forms::loaded<Form111>());
        QCOMPARE(current(*get<Form11>().records(), store::NO), QStringLiteral("C01"));
        QTest::mouseClick(w.Command4, Qt::LeftButton);  // END
        QVERIFY(!platform::forms::loaded<Form111>());
    }
};

VELKARD_GUI_TEST(QueryTest)
#include "query_test.moc"
