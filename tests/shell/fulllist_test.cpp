#include "windowtest.h"

#include "editor/form11.h"
#include "shell/form12.h"

using testsupport::click;
using testsupport::column;
using testsupport::value;

namespace {

std::vector<std::vector<std::string>> clients() {
    return testsupport::clientsWith({store::NO, store::NAME, store::COMPANY},
                                    {{"C03", "王小明", "統一企業"},
                                     {"C01", "李大同", "宏碁電腦"},
                                     {"C05", "陳美玲", "大同公司"},
                                     {"C02", "林志明", "中國鋼鐵"},
                                     {"C04", "O'Neil", "長榮海運"}});
}

}  // namespace

class FullListTest : public QObject {
    Q_OBJECT
  private slots:
    void aClickedHeadingSortsKeepingTheRecord() {
        testsupport::GuiFixture f;
        f.writeClients(clients());
        testsupport::execSql(f.clientFile(), "ALTER TABLE VELKARD ADD COLUMN CTRL TEXT");
        QVERIFY(f.start());
        get<MDIForm1>().item("menu_MOD_PROCESS")->trigger();
        QVERIFY(!platform::forms::loaded<Form1>());
        Form12& w = get<Form12>();
        store::RecordSet& rs = *w.Adodc1->recordSet();
        QCOMPARE(value(rs, store::NO), QStringLiteral("C03"));  // stored order, no sort
        testsupport::clickHeading(w.DataGrid1, 20);             // CTRL: no field to sort by
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("NO"));

        click(w.Adodc1->findChild<QToolButton*>("Next"));  // 李大同
        QCOMPARE(w.LabBROWSE1[1]->text(), QStringLiteral("李大同"));
        testsupport::clickHeading(w.DataGrid1, store::COMPANY);
        QCOMPARE(w.DATAGRID1_FIELD, QStringLiteral("COMPANY"));
        click(w.Command1[Form12::Lower]);
        QCOMPARE(column(rs, store::COMPANY).first(), QStringLiteral("統一企業"));  // most strokes
        QCOMPARE(value(rs, store::NAME), QStringLiteral("李大同"));
        QCOMPARE(w.LabBROWSE1[9]->text(), QStringLiteral("宏碁電腦"));
        QCOMPARE(w.DataGrid1->currentIndex().row(), static_cast<int>(rs.absolutePosition()) - 1);
    }
};

VELKARD_GUI_TEST(FullListTest)
#include "fulllist_test.moc"
