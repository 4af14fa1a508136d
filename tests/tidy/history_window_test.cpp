#include <QCheckBox>
#include <QTableWidget>

#include "editor/form11.h"
#include "maintenance/form44.h"
#include "store/backend.h"
#include "store/clientfile.h"
#include "tidy/form54.h"
#include "windowtest.h"

namespace {

std::vector<std::vector<std::string>> three() {
    return {{"A1", "王小明", "70.05.20"}, {"A2", "李大同"}, {"A3", "陳美玲"}};
}

Form54& historyWindow() {
    get<MDIForm1>().item("menu_HISTORY")->trigger();
    testsupport::activate(&get<Form54>());
    return get<Form54>();
}

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        int n = 0;
        store::historyClock = [n]() mutable {
            return "2026-12-0" + std::to_string(++n) + " 09:00:00";
        };
    }
    void cleanup() {
        platform::forms::destroyAll();
        store::historyClock = nullptr;
    }

    // The editor's DELETE keeps the client; the history window lists it and puts it back.
    void aDeletedClientIsListedAndRestored() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(three()));
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        f.dialogs().answers = {platform::Answer::Ok};
        testsupport::click(get<Form11>().COMMAND1[Form11::Button::Delete]);
        QCOMPARE(get<Form11>().records()->recordCount(), 2);

        Form54& history = historyWindow();
        QCOMPARE(history.HistoryList->rowCount(), 1);
        QCOMPARE(history.HistoryList->item(0, 1)->text(), QStringLiteral("刪除"));
        QCOMPARE(history.HistoryList->item(0, 3)->text(), QStringLiteral("王小明"));
        QVERIFY(!history.Command[Form54::UndoMerge]->isEnabled());
        testsupport::click(history.Command[Form54::Restore]);
        QCOMPARE(history.HistoryList->rowCount(), 0);
        QCOMPARE(get<Form11>().records()->recordCount(), 3);
        QCOMPARE(f.openAgain()->records(store::kClientTable)->recordCount(), 3);
    }

    // FILE CLEAR keeps the cleared clients unless the box is cleared; HISTORY PURGE empties
    // what is older than the date typed, after saying how many.
    void clearedClientsAreKeptAndPurgedByDate() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(three()));
        get<MDIForm1>().item("menu_FILE_CLEAR")->trigger();
        testsupport::activate(&get<Form44>());
        f.dialogs().answers = {platform::Answer::Ok};
        QVERIFY(get<Form44>().KeepInHistory->isChecked());
        testsupport::click(get<Form44>().ComFORM42[0]);
        QCOMPARE(historyWindow().HistoryList->rowCount(), 3);

        f.dialogs().clear();
        f.dialogs().inputs = {QStringLiteral("115.12.02"), QStringLiteral("不是日期")};
        f.dialogs().answers = {platform::Answer::Ok};
        testsupport::click(get<Form54>().Command[Form54::Purge]);
        QVERIFY(f.dialogs().messages()[0].text.contains(QStringLiteral("有 3 位")));
        QCOMPARE(get<Form54>().HistoryList->rowCount(), 0);
        get<MDIForm1>().item("menu_HISTORY_PURGE")->trigger();
        QCOMPARE(f.dialogs().messages().back().text,
                 QStringLiteral("「不是日期」不是日期，沒有清除任何紀錄。"));
    }

    void aClearTheUserChoseNotToKeepLeavesNoHistory() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(three()));
        get<MDIForm1>().item("menu_FILE_CLEAR")->trigger();
        testsupport::activate(&get<Form44>());
        testsupport::click(get<Form44>().KeepInHistory);
        QVERIFY(!get<Form44>().KeepInHistory->isChecked());
        f.dialogs().answers = {platform::Answer::Ok};
        testsupport::click(get<Form44>().ComFORM42[0]);
        QCOMPARE(f.openAgain()->records(store::kClientTable)->recordCount(), 0);
        QCOMPARE(historyWindow().HistoryList->rowCount(), 0);
    }
};

VELKARD_GUI_TEST(HistoryWindowTest)
#include "history_window_test.moc"
