#include <QProgressBar>
#include <QTimer>
#include "windowtest.h"

#include <QComboBox>
#include <QListWidget>
#include <QTableWidget>
#include <fstream>
#include "editor/form11.h"
#include "maintenance/form42.h"
#include "maintenance/form43.h"
#include "maintenance/form45.h"
#include "store/clientfile.h"

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
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();  // the editor stays open
        get<MDIForm1>().item("menu_VELKNO_REBUID")->trigger();
        Form42& w = get<Form42>();
        QVERIFY(inputMode(w));

        testsupport::retype(w.TexFORM42[1], "0001");
        // On a server, another desk holding the clients open is counted and said first.
        const auto otherDesk = f.openAgain();
        const bool server = qEnvironmentVariable("VELKARD_TEST_BACKEND") == "postgres";
        f.dialogs().answers = {platform::Answer::Cancel};
        if (server) f.dialogs().answers.push_front(platform::Answer::Ok);
        testsupport::click(w.ComFORM42[0]);
        QCOMPARE(f.dialogs().messages()[0].text.startsWith(QStringLiteral("現在還有 1 台電腦")),
                 server);
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral(" 確定要重新編排代號 ?"));
        QCOMPARE(codesInTheBrowseList().first(), QStringLiteral("OLD0"));

        f.dialogs().clear();
        bool closeRefused = false;  // a run cannot be interrupted by the window's close box
        QTimer::singleShot(0, &w, [&] { closeRefused = w.isVisible() && !w.close(); });
        testsupport::click(w.ComFORM42[0]);
        QVERIFY(closeRefused);
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral("已完成代號重編 ! "));
        QVERIFY(inputMode(w));
        QCOMPARE(w.LabFORM42[2]->text(), QStringLiteral("98 %"));  // 7 records never reach 100
        QCOMPARE(get<Form11>().TexVELKARD[store::NO]->text(), QStringLiteral("0001"));

        testsupport::click(w.ComFORM42[1]);  // END rebuilds the browse list
        QVERIFY(!platform::forms::loaded<Form42>());
        QCOMPARE(codesInTheBrowseList(),
                 (QStringList{"0001", "0002", "0003", "0004", "0005", "0006", "0007"}));
    }

    void backupAsksForANameAndForOverwriting() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(4)));
        get<MDIForm1>().item("menu_FILE_BACKUP")->trigger();
        Form43& w = get<Form43>();

        const auto folder = f.clientFile().parent_path();
        // The prompt's own example names no file here; ~ is the home folder; the message says
        // where the copy went.
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(folder.string()));
        f.dialogs().inputs = {QStringLiteral("C:\\KORT\\DB\\BACKUP.MDB"), QStringLiteral("~/b.db"),
                              QStringLiteral("c.db")};
        testsupport::click(w.COMMAND1[0]);
        QVERIFY(f.dialogs().messages().back().text.contains(QStringLiteral("/VELKARD/BACKUP.db")));
        QCOMPARE(f.dialogs().beeps(), 1);
        testsupport::click(w.COMMAND1[0]);
        QCOMPARE(f.dialogs().messages().back().text,
                 QStringLiteral("檔案名稱已完成備份\r") +
                     QString::fromStdString((folder / "b.db").string()));
        // A bare name goes beside the client file, or on a server into the documents folder.
        testsupport::click(w.COMMAND1[0]);
        qputenv("HOME", home);
        const bool server = qEnvironmentVariable("VELKARD_TEST_BACKEND") == "postgres";
        QCOMPARE(f.dialogs().messages().back().text,
                 QStringLiteral("檔案名稱已完成備份\r") +
                     QString::fromStdString(
                         ((server ? folder / "Documents" : folder) / "c.db").string()));

        const QString name = QString::fromStdString((folder / "客戶 O'Neil 備份.db").string());
        f.dialogs().inputs = {name, name, name};
        testsupport::click(w.COMMAND1[0]);
        QVERIFY(std::filesystem::exists(folder / "客戶 O'Neil 備份.db"));

        // A second backup to the same name asks first; No keeps the old copy.
        f.exec("DELETE FROM VELKARD WHERE rowid > 1");
        f.dialogs().clear();
        f.dialogs().answers = {platform::Answer::No};
        testsupport::click(w.COMMAND1[0]);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("指定的檔案名稱已存在\r請重填"));
        QCOMPARE(testsupport::query(folder / "客戶 O'Neil 備份.db", "SELECT count(*) FROM VELKARD"),
                 std::vector<std::string>{"4"});

        testsupport::click(w.COMMAND1[1]);
        QVERIFY(!platform::forms::loaded<Form43>());
    }

    // FILE IMPORT shows what a CSV file holds and stores the good rows only at IMPORT.
    void csvImportStoresTheGoodRowsWhenAsked() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(2)));
        const auto folder = f.clientFile().parent_path();
        std::ofstream(folder / "new.csv", std::ios::binary)
            << "\xEF\xBB\xBF代號,姓名,BIRTH\r\nN1,王小明,880403\r\nN2,李四,88.13.01\r\nN3,張三,"
               "\r\n";
        std::ofstream(folder / "odd.csv", std::ios::binary) << "NO\r\n\xFF\xFE\r\n";
        f.dialogs().openPaths = {QString::fromStdString((folder / "odd.csv").string()),
                                 QString::fromStdString((folder / "new.csv").string())};
        f.dialogs().answers = {platform::Answer::Cancel};  // to the question of the encoding
        get<MDIForm1>().item("menu_FILE_IMPORT")->trigger();
        QVERIFY(f.dialogs().messages().back().text.contains(QStringLiteral("無法確定")));
        QVERIFY(!platform::forms::loaded<Form45>());

        get<MDIForm1>().item("menu_FILE_IMPORT")->trigger();
        Form45& w = get<Form45>();
        QCOMPARE(w.Preview->item(0, store::BIRTH)->text(), QStringLiteral("88.04.03"));
        QVERIFY(w.Refusals->item(0)->text().startsWith(QStringLiteral("第 3 行：BIRTH")));
        f.dialogs().savePaths = {QString::fromStdString((folder / "problems.txt").string())};
        testsupport::click(w.COMMAND1[Form45::Report]);
        QVERIFY(testsupport::readBytes(folder / "problems.txt").find("第 3 行") == 0);
        QCOMPARE(codesInTheBrowseList().size(), 2);  // nothing stored before IMPORT
        testsupport::click(w.COMMAND1[Form45::Import]);
        QCOMPARE(f.dialogs().messages().back().text, QStringLiteral("已匯入 2 筆客戶資料。"));
        QVERIFY(!platform::forms::loaded<Form45>());
        QCOMPARE(codesInTheBrowseList(), (QStringList{"N1", "N3", "OLD0", "OLD1"}));

        // The same clients again, and one more: the known ones are marked before anything is
        // stored; a run stopped at its bar stores nothing; then the known ones are skipped.
        std::ofstream(folder / "again.csv", std::ios::binary)
            << "NO,NAME\r\nn1,王小明\r\nN4,趙六\r\n";
        f.dialogs().openPaths = {QString::fromStdString((folder / "again.csv").string())};
        get<MDIForm1>().item("menu_FILE_IMPORT")->trigger();
        Form45& again = get<Form45>();
        testsupport::activate(&again);
        QVERIFY(again.Label1->text().contains(QStringLiteral("其中 1 筆可能已經在客戶資料裡")));
        QCOMPARE(again.Preview->item(0, store::NAME)->toolTip(),
                 QStringLiteral("已經有：代號相同"));
        testsupport::pickEntry(again.KnownChoice, Form45::ImportAnyway);
        f.dialogs().cancelAt = 0;
        testsupport::click(again.COMMAND1[Form45::Import]);
        QCOMPARE(f.dialogs().messages().back().text,
                 QStringLiteral("匯入已取消，客戶資料沒有改變。"));
        QCOMPARE(codesInTheBrowseList().size(), 4);
        // The clients are read again to be stored: a file changed since its check is refused.
        const std::string checkedText = testsupport::readBytes(folder / "again.csv");
        std::ofstream(folder / "again.csv", std::ios::binary) << checkedText << "N5,錢七\r\n";
        testsupport::click(again.COMMAND1[Form45::Import]);
        QVERIFY(f.dialogs().messages().back().text.contains(QStringLiteral("檢查之後被改過了")));
        QCOMPARE(codesInTheBrowseList().size(), 4);
        std::ofstream(folder / "again.csv", std::ios::binary) << checkedText;
        testsupport::pickEntry(again.KnownChoice, Form45::Skip);
        testsupport::click(again.COMMAND1[Form45::Import]);
        QCOMPARE(f.dialogs().messages().back().text,
                 QStringLiteral("已匯入 1 筆客戶資料。略過已有的 1 筆。"));
        QCOMPARE(codesInTheBrowseList(), (QStringList{"N1", "N3", "N4", "OLD0", "OLD1"}));

        // A client met again by name and birthday is updated where the file has a value; its
        // code and the fields the file leaves empty stay.
        std::ofstream(folder / "update.csv", std::ios::binary)
            << "NO,NAME,BIRTH,TEL_1\r\nZ1,王小明,88.04.03,02-7654321\r\n";
        f.dialogs().openPaths = {QString::fromStdString((folder / "update.csv").string())};
        get<MDIForm1>().item("menu_FILE_IMPORT")->trigger();
        Form45& update = get<Form45>();
        testsupport::activate(&update);
        testsupport::pickEntry(update.KnownChoice, Form45::Update);
        testsupport::click(update.COMMAND1[Form45::Import]);
        QCOMPARE(f.dialogs().messages().back().text,
                 QStringLiteral(
                     "已匯入 0 筆客戶資料。更新了已有的 1 位客戶（更新前的資料留在紀錄裡）。"));
        auto rs = f.openAgain()->records(store::kClientTable);
        QVERIFY(rs->find("NO = 'N1'"));
        QCOMPARE(QString::fromStdString(std::string(rs->value(store::TEL_1))),
                 QStringLiteral("02-7654321"));
        QCOMPARE(codesInTheBrowseList().size(), 5);

        // A phone's card of the same person is marked too, by name and birthday.
        std::ofstream(folder / "card.vcf", std::ios::binary)
            << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王小明\r\nBDAY:1999-04-03\r\nEND:VCARD\r\n";
        f.dialogs().openPaths = {QString::fromStdString((folder / "card.vcf").string())};
        get<MDIForm1>().item("menu_FILE_IMPORT")->trigger();
        QCOMPARE(get<Form45>().Preview->item(0, store::NAME)->toolTip(),
                 QStringLiteral("已經有：姓名和生日相同"));
    }
};

VELKARD_GUI_TEST(MaintenanceTest)
#include "maintenance_test.moc"
