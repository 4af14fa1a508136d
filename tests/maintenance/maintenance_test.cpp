#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "guifixture.h"
#include "maintenance/form42.h"
#include "maintenance/form43.h"
#include "maintenance/form44.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/forms.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "userinput.h"

using platform::forms::get;

namespace {

std::vector<std::vector<std::string>> clients(int n) {
    std::vector<std::vector<std::string>> out;
    for (int i = 0; i < n; ++i)
        out.push_back({"OLD" + std::to_string(i), "客戶" + std::to_string(i)});
    return out;
}

QStringList codesInTheBrowseList() {
    return testsupport::column(*get<Form1>().AdodcMENU->recordSet(), store::NO);
}

bool inputMode(BulkWindow& w) {
    return !w.ComFORM42[0]->isHidden() && !w.ComFORM42[1]->isHidden() &&
           !w.LabFORM42[0]->isHidden() && w.LabFORM42[1]->isHidden() && w.ProgressBar1->isHidden();
}

}  // namespace

class MaintenanceTest : public QObject {
    Q_OBJECT
  private slots:
    void renumberingRewritesEveryCodeAndTheListShowsThem() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(7)));
        get<MDIForm1>().item("menu_VELKNO_REBUID")->trigger();
        Form42& w = get<Form42>();
        QVERIFY(inputMode(w));

        testsupport::retype(w.TexFORM42[1], "0001");
        f.dialogs().answers = {platform::Answer::Cancel};
        testsupport::click(w.ComFORM42[0]);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral(" 確定要重新編排代號 ?"));
        QCOMPARE(codesInTheBrowseList().first(), QStringLiteral("OLD0"));

        f.dialogs().clear();
        bool closeRefused = false;  // a run cannot be interrupted by the window's close box
        QTimer::singleShot(0, &w, [&] { closeRefused = w.isVisible() && !w.close(); });
        testsupport::click(w.ComFORM42[0]);
        QVERIFY(closeRefused);
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral("已完成代號重編 ! "));
        QVERIFY(inputMode(w));
        QCOMPARE(w.LabFORM42[2]->text(), QStringLiteral("98 %"));  // 7 records never reach 100

        testsupport::click(w.ComFORM42[1]);  // END rebuilds the browse list
        QVERIFY(!platform::forms::loaded<Form42>());
        QCOMPARE(codesInTheBrowseList(), (QStringList{"0001", "2", "3", "4", "5", "6", "7"}));
    }

    void clearingDeletesEveryClientAndKeepsTheCountShown() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(3)));
        get<MDIForm1>().item("menu_FILE_CLEAR")->trigger();
        Form44& w = get<Form44>();
        f.dialogs().answers = {platform::Answer::Cancel};
        testsupport::click(w.ComFORM42[0]);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral(" Do You delete record ?"));
        QCOMPARE(codesInTheBrowseList().size(), 3);

        testsupport::click(w.ComFORM42[0]);
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral("Completed delete record ! "));
        QCOMPARE(w.LabFORM42[2]->text(), QStringLiteral("99 %"));
        QCOMPARE(w.LabFORM42[0]->text(), QStringLiteral(" 檔案紀錄總筆數為 : 3"));
        QVERIFY(inputMode(w));
        w.close();
        QVERIFY(codesInTheBrowseList().isEmpty());
    }

    void backupAsksForANameAndForOverwriting() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(4)));
        get<MDIForm1>().item("menu_FILE_BACKUP")->trigger();
        Form43& w = get<Form43>();

        const auto folder = f.clientFile().parent_path();
        const QString name = QString::fromStdString((folder / "客戶 O'Neil 備份.db").string());
        f.dialogs().inputs = {name, name, name};
        testsupport::click(w.COMMAND1[0]);
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral("檔案名稱已完成備份"));
        QVERIFY(std::filesystem::exists(folder / "客戶 O'Neil 備份.db"));

        testsupport::execSql(f.clientFile(), "DELETE FROM VELKARD WHERE rowid > 1");
        f.dialogs().clear();
        f.dialogs().answers = {platform::Answer::No};
        testsupport::click(w.COMMAND1[0]);  // the second backup asks first
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("指定的檔案名稱已存在\r請重填"));
        QCOMPARE(f.dialogs().messages()[0].buttons, platform::Buttons::YesNo);
        auto count = [&] {
            return store::RecordSet::openClients(
                       store::Database::open(folder / "客戶 O'Neil 備份.db"))
                ->recordCount();
        };
        QCOMPARE(count(), 4L);  // No keeps the old file
        f.dialogs().answers = {platform::Answer::Yes};
        testsupport::click(w.COMMAND1[0]);
        QCOMPARE(count(), 1L);

        testsupport::click(w.COMMAND1[1]);
        QVERIFY(!platform::forms::loaded<Form43>());
    }
};

VELKARD_GUI_TEST(MaintenanceTest)
#include "maintenance_test.moc"
