#include <QCheckBox>
#include <QTableWidget>
#include <QTreeWidget>

#include "store/clientfile.h"
#include "tidy/form52.h"
#include "tidy/form53.h"
#include "windowtest.h"

namespace {

std::vector<std::vector<std::string>> twins() {
    std::vector<std::vector<std::string>> clients(3, std::vector<std::string>(store::kFieldCount));
    clients[0][store::NO] = "A1", clients[0][store::NAME] = "王小明";
    clients[0][store::BIRTH] = "70.05.20", clients[0][store::DATE] = "101.01.01";
    clients[0][store::MEMO] = "老客戶";
    clients[1][store::NO] = "A2", clients[1][store::NAME] = "王小明";
    clients[1][store::BIRTH] = "700520", clients[1][store::DATE] = "105.01.01";
    clients[1][store::TEL_1] = "02-2222222", clients[1][store::MEMO] = "搬家了";
    clients[2][store::NO] = "A3", clients[2][store::NAME] = "李大同";
    return clients;
}

// Every client as stored now, field by field, in code order.
std::vector<std::string> stored(const testsupport::GuiFixture& f) {
    auto rs = f.openAgain()->records(store::kClientTable);
    rs->setSort("NO ASC");
    std::vector<std::string> out;
    for (long i = 0; i < rs->recordCount(); ++i) {
        std::string row;
        for (int c = 0; c < store::kFieldCount; ++c) row += std::string(rs->valueAt(i, c)) + "|";
        out.push_back(row);
    }
    return out;
}

}  // namespace

class DuplicatesWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { platform::forms::destroyAll(); }

    // The same name and birthday written two ways make a group; the merge keeps the values
    // chosen cell by cell and both remarks; the undo puts every client back as it was.
    void aGroupIsMergedAsChosenAndTheMergeUndone() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(twins()));
        const auto before = stored(f);
        get<MDIForm1>().item("menu_DUPLICATES")->trigger();
        testsupport::activate(&get<Form52>());
        Form52& dupes = get<Form52>();
        QCOMPARE(dupes.Groups->topLevelItemCount(), 1);
        QCOMPARE(dupes.Groups->topLevelItem(0)->text(0),
                 QStringLiteral("姓名和生日相同：王小明 70.05.20（2 位）"));
        testsupport::click(dupes.Command[Form52::Merge]);

        Form53& merge = get<Form53>();
        testsupport::activate(&merge);
        QCOMPARE(merge.Fields->horizontalHeaderItem(1)->text(), QStringLiteral("A2（留下）"));
        testsupport::clickRow(merge.Fields, store::NO, 0);  // keep the older code
        const auto values = merge.mergedValues();
        QCOMPARE(values[store::NO], std::string("A1"));
        QCOMPARE(values[store::TEL_1], std::string("02-2222222"));
        QCOMPARE(values[store::MEMO], std::string("老客戶\n搬家了"));
        f.dialogs().answers = {platform::Answer::Cancel};
        testsupport::click(merge.MergeButton);
        QCOMPARE(stored(f), before);  // nothing without the user's word

        f.dialogs().answers = {platform::Answer::Ok};
        testsupport::click(merge.MergeButton);
        const auto after = stored(f);
        QCOMPARE(after.size(), std::size_t(2));
        QVERIFY(QString::fromStdString(after[0]).startsWith(QStringLiteral("A1|王小明|700520|")));
        QCOMPARE(dupes.Groups->topLevelItemCount(), 0);
        QCOMPARE(get<Form1>().listRecords()->recordCount(), 2);

        testsupport::click(dupes.Command[Form52::Undo]);
        QCOMPARE(stored(f), before);
        QCOMPARE(get<Form1>().listRecords()->recordCount(), 3);
        QCOMPARE(dupes.Groups->topLevelItemCount(), 1);
    }

    // Switching a rule off leaves its groups out.
    void rulesAreSwitchedByTheUser() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(twins()));
        get<MDIForm1>().item("menu_DUPLICATES")->trigger();
        testsupport::activate(&get<Form52>());
        Form52& dupes = get<Form52>();
        testsupport::click(dupes.RuleBox[2]);  // name and birthday
        testsupport::click(dupes.FindButton);
        QCOMPARE(dupes.Groups->topLevelItemCount(), 0);
        QCOMPARE(dupes.Summary->text(), QStringLiteral("沒有找到可能重複的客戶。"));
    }
};

VELKARD_GUI_TEST(DuplicatesWindowTest)
#include "duplicates_window_test.moc"
