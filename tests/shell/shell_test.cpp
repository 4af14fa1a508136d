#include <sqlite3.h>
#include <QAction>
#include <QMdiArea>
#include <QPointer>
#include "places.h"
#include "windowtest.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "editor/form11.h"
#include "platform/longwork.h"
#include "platform/qtext.h"
#include "shell/browsestate.h"
#include "shell/startup.h"
#include "store/backend.h"
#include "store/longwork.h"

using testsupport::DialogCall;

namespace {

// Client i has code C<(17 i mod n) + 1>, so the codes are stored out of order; client k (1 to 7)
// holds the smallest value ("A") of the field of sort code k + 1, so each sort puts it first.
const int kSortFields[8] = {store::NO,     store::NAME,    store::BIRTH,    store::TEL_2,
                            store::ADDR_2, store::COMPANY, store::VOCATION, store::POSITION};
QString codeOfClient(int i, int n) {
    return QStringLiteral("C%1").arg((i * 17) % n + 1, 3, 10, QLatin1Char('0'));
}
std::vector<std::vector<std::string>> clients(int n) {
    std::vector<std::vector<std::string>> out;
    for (int i = 0; i < n; ++i) {
        std::vector<std::string> c(store::kFieldCount, "M" + std::to_string(i));
        c[store::NO] = codeOfClient(i, n).toStdString();
        if (i >= 1 && i < 8) c[static_cast<std::size_t>(kSortFields[i])] = "A";
        out.push_back(c);
    }
    return out;
}

Form1& list() {
    return get<Form1>();
}
QString counter() {
    return list().StatusBar1->panelText(platform::StatusBar::Counter);
}
QString current(int field) {
    return testsupport::value(*list().AdodcMENU->recordSet(), field);
}
// The one search box shown, by sort code less one; -2 for more than one.
int visibleBox() {
    int shown = -1;
    for (int i = 0; i < 8; ++i)
        if (list().TexMENU[static_cast<std::size_t>(i)]->isVisibleTo(&list()))
            shown = shown >= 0 ? -2 : i;
    return shown;
}
void choose(const char* item) {
    get<MDIForm1>().item(item)->trigger();
    testsupport::flushDeletes();
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT
  private slots:
    // What the start finds, what it says, and whether the program goes on. A client table that
    // cannot be read whole must not open as an empty list that invites clients into it. On a
    // server: one that cannot be reached ends the start with its name and the cause; a database
    // without client tables gets empty ones at the user's word.
    void startUpTellsWhatItFound() {
        enum File { None, Empty, DamagedPage, WithoutRowid, Server };
        const bool servers = !testsupport::pgCluster().empty();
        const std::string empty = servers ? testsupport::newPgDatabase() : "";
        const struct {
            File file;
            platform::Answer answer;  // to the offer of a new file or tables
            bool started;
            const char* said;  // a part of the last message
            std::string server = {};
        } cases[] = {{None, platform::Answer::No, false, "velkard.db"},
                     {None, platform::Answer::Yes, true, "檔案沒有記錄 ! "},
                     {Empty, platform::Answer::Yes, true, "檔案沒有記錄 ! "},
                     {DamagedPage, platform::Answer::Yes, false, "已經損壞"},
                     {WithoutRowid, platform::Answer::Yes, false, "無法逐筆存取"},
                     {Server, platform::Answer::Yes, false, "/nowhere/velkard",
                      "host=/nowhere/velkard dbname=x"},
                     {Server, platform::Answer::No, false, "還沒有客戶資料表", empty},
                     {Server, platform::Answer::Yes, true, "檔案沒有記錄 ! ", empty}};
        for (const auto& c : cases) {
            if (c.file == Server && !servers) continue;  // no PostgreSQL server programs
            testsupport::GuiFixture f;
            const auto file = f.clientFile();
            if (c.file != Server) f.writeClients(c.file == Empty ? clients(0) : clients(500));
            if (c.file == None) std::filesystem::remove(file);
            if (c.file == WithoutRowid) {
                std::string columns;
                for (auto name : store::kFieldNames) columns += std::string(name) + ", ";
                testsupport::execSql(file, "DROP TABLE VELKARD; CREATE TABLE VELKARD (" + columns +
                                               "PRIMARY KEY (NO)) WITHOUT ROWID");
            }
            if (c.file == DamagedPage) {  // the last page holds clients; type 0 is no page
                std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
                bytes.seekp(static_cast<long>(std::filesystem::file_size(file)) - 4096);
                bytes.put('\0');
            }
            const std::string before = testsupport::readBytes(file);
            f.dialogs().answers = {c.answer};
            QCOMPARE(c.file == Server ? shell::startProgram({file, c.server}) : f.start(),
                     c.started);
            const QString said = f.dialogs().messages().back().text;
            QVERIFY2(said.contains(QString::fromUtf8(c.said)), qPrintable(said));
            QCOMPARE(platform::forms::loaded<MDIForm1>(), c.started);
            if (c.file == None || c.file == Server)
                QCOMPARE(std::filesystem::exists(file), c.file == None && c.started);
            if (c.file == DamagedPage || c.file == WithoutRowid) {
                QVERIFY(said.endsWith(QStringLiteral("程式將結束。")));
                QCOMPARE(testsupport::readBytes(file), before);
            }
            if (!c.started) continue;
            QVERIFY(get<MDIForm1>().windowTitle().startsWith(
                c.file == Server
                    ? QStringLiteral("資料庫伺服器")
                    : QString::fromStdString(file.string()) + QStringLiteral(" — VELKARD DATA")));
            QCOMPARE(f.dialogs().beeps(), 2);
            QCOMPARE(counter(), QStringLiteral("Record :  0 / 0"));
        }
    }

    // A server that stops: a sort still shows the last list, with the server's name and the
    // cause, not an empty list that reads as an empty client file; once it serves again, F5.
    void aStoppedServerLeavesTheLastListOnScreen() {
        if (testsupport::pgCluster().empty()) QSKIP("no PostgreSQL server programs");
        testsupport::Place place(testsupport::Backend::Postgres);
        place.write(clients(3));
        testsupport::GuiFixture f;
        QVERIFY(shell::startProgram({f.clientFile(), place.conninfo}));
        const std::string name = place.conninfo.substr(place.conninfo.rfind('=') + 1);
        const std::string admin =
            place.conninfo.substr(0, place.conninfo.rfind('=') + 1) + "postgres";
        const auto serve = [&](bool on) {
            testsupport::pgQuery(
                admin, "ALTER DATABASE " + name + " ALLOW_CONNECTIONS " + (on ? "true" : "false"));
            if (!on)
                testsupport::pgQuery(admin,
                                     "SELECT pg_terminate_backend(pid) FROM "
                                     "pg_stat_activity WHERE datname = '" +
                                         name + "'");
        };
        serve(false);
        choose("menu_NAME_SORT");
        serve(true);
        QVERIFY(f.dialogs().messages().back().text.contains(QStringLiteral("資料庫伺服器")));
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 3"));
        QCOMPARE(list().DATAGRID_FIELD, QStringLiteral("NAME"));
        QVERIFY(get<MDIForm1>().notice()->isVisible());
        testsupport::activate(&get<MDIForm1>());
        testsupport::pressKey(Qt::Key_F5);
        QVERIFY(get<MDIForm1>().notice()->isHidden());
    }

    // A desk whose user may only read is told so once at the start; the commands that write are
    // off, and the editor shows the clients without taking typing.
    void aReadOnlyDeskIsToldAndCannotWrite() {
        if (testsupport::pgCluster().empty()) QSKIP("no PostgreSQL server programs");
        testsupport::Place place(testsupport::Backend::Postgres);
        place.write(clients(3));
        const std::string reader = "reader_" + place.query("SELECT current_database()")[0];
        place.exec("CREATE ROLE " + reader +
                   " LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + reader);
        testsupport::GuiFixture f;
        QVERIFY(shell::startProgram({f.clientFile(), place.conninfo + " user=" + reader}));
        QVERIFY(f.dialogs().messages().back().text.contains(QStringLiteral("只能讀取")));
        for (const char* name : {"menu_VELKNO_REBUID", "menu_FILE_CLEAR", "menu_FILE_IMPORT"})
            QVERIFY2(!get<MDIForm1>().item(name)->isEnabled(), name);
        choose("menu_ADD_PROCESS");
        Form11& editor = get<Form11>();
        testsupport::activate(&get<MDIForm1>());
        QCOMPARE(editor.COMMAND1[0]->isEnabled() || editor.COMMAND1[1]->isEnabled(), false);
        QVERIFY(editor.COMMAND1[7]->isEnabled());  // END
        testsupport::retype(editor.TexVELKARD[store::NAME], QStringLiteral("改"));
        QCOMPARE(editor.TexVELKARD[store::NAME]->text(), QStringLiteral("M0"));
        QVERIFY(!editor.records()->editing());
    }

    // A client file another program holds: the start waits for it, and says so meanwhile.
    void startUpWaitsVisiblyForAFileAnotherProgramHolds() {
        testsupport::GuiFixture f;
        f.writeClients(clients(3));
        sqlite3* other = nullptr;
        sqlite3_open(f.clientFile().string().c_str(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release([other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        });
        const bool started = f.start();
        release.join();
        sqlite3_close(other);
        QVERIFY(started);
        QCOMPARE(f.dialogs().calls.front().kind, DialogCall::Busy);
        QVERIFY(f.dialogs().calls.front().text.contains(
            QString::fromStdString(f.clientFile().string())));
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 3"));
    }

    // A large file's list shows the first screen by code at once and reads the whole table after
    // its first paint: the same rows in the same order, the counter saying meanwhile that it
    // reads.
    void aLargeFilesListShowsItsFirstScreenBeforeTheWholeTable() {
        const int64_t usual = store::sqliteFirstRowsFrom;
        store::sqliteFirstRowsFrom = 100;
        struct Restore {
            int64_t usual;
            ~Restore() { store::sqliteFirstRowsFrom = usual; }
        } restore{usual};
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(300)));  // codes stored out of order
        QStringList codes;
        for (int i = 0; i < 300; ++i) codes << codeOfClient(i, 300);
        codes.sort();
        QVERIFY(list().loadingWhole());
        QCOMPARE(counter(), QStringLiteral("讀取全部客戶⋯"));
        QCOMPARE(testsupport::column(*list().AdodcMENU->recordSet(), store::NO), codes.mid(0, 200));
        QTRY_VERIFY(!list().loadingWhole());
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 300"));
        QCOMPARE(testsupport::column(*list().AdodcMENU->recordSet(), store::NO), codes);
    }

    // While a sort or a page command makes the new list (long work on a large file), the client
    // area shows the old list rather than an empty area; then the new one, with no picture left.
    void theOldListStaysOnScreenWhileTheNewOneIsMade() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        MDIForm1& frame = get<MDIForm1>();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const auto* area = frame.findChild<QMdiArea*>("MDIClient");
        auto shown = [&] { return frame.grab(area->geometry()).toImage(); };
        QImage during;
        store::setLongWorkRunner([&](const store::LongWork& work) {
            during = shown();
            work();
        });
        struct Restore {
            ~Restore() { platform::keepPaintingDuringLongWork(); }
        } restore;
        for (const char* item : {shell::kSortCodes[1].menuItem, "menu_FILE_LAST_PAGE"}) {
            const QImage before = shown();
            during = QImage();
            choose(item);
            QVERIFY2(!during.isNull() && during == before, item);
            QVERIFY(!frame.findChild<QLabel*>("ClientAreaPicture"));
            QVERIFY2(shown() != before, item);
        }
    }

    // Every sort item reloads the list sorted by its field, with that field's search box (the
    // last two items' names are crossed, as they always were).
    void everySortItemSortsAndSearchesByItsField() {
        auto items = [](int code) { return shell::kSortCodes[std::size_t(code) - 1].menuItem; };
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        for (int code = 1; code <= 8; ++code) {
            const QString field =
                platform::toQ(store::kFieldNames[static_cast<std::size_t>(kSortFields[code - 1])]);
            QPointer<Form1> before = &list();
            choose(items(code));
            QVERIFY2(before.isNull(), items(code));  // the list was closed and loaded again
            QCOMPARE(list().DATAGRID_FIELD, field);
            QCOMPARE(visibleBox(), code - 1);
            QCOMPARE(current(store::NO), codeOfClient(code == 1 ? 0 : code - 1, 42));
            choose("menu_FILE_LAST_PAGE");  // the field stays in force for later reloads
            QCOMPARE(list().DATAGRID_FIELD, field);
        }
        // A whole code and a date with a three-digit year go into their boxes and show whole.
        for (const auto& [code, value] : {std::pair{1, "WA0001"}, std::pair{3, "115.12.06"}}) {
            choose(items(code));
            platform::TextBox* box = list().TexMENU[static_cast<std::size_t>(code - 1)];
            testsupport::retype(box, QString::fromLatin1(value));
            QCOMPARE(box->text(), QString::fromLatin1(value));
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) + 2 * 2 <=
                         box->contentsRect().width(),
                     value);  // QLineEdit keeps 2 pixels each side
        }
    }

    // Each page command: the list is built anew on its page, or, for a refused or cancelled
    // page, left alone. The list stood on record 7 of 40.
    void pagesPositionTheReloadedListOrChangeNothing() {
        const struct {
            const char* item;
            const char* typed;  // CHOICE PAGE's answer; "" is Cancel
            const char* shown;
            bool reloaded;
        } cases[] = {{"menu_FILE_FIRST_PAGE", "", "Record :  1 / 40", true},
                     {"menu_FILE_LAST_PAGE", "", "Record :  40 / 40", true},
                     {"mnu_CHOICE_PAGE", "2", "Record :  14 / 40", true},
                     {"mnu_CHOICE_PAGE", "5", "Record :  0 / 40", true},
                     {"mnu_CHOICE_PAGE", "", "Record :  7 / 40", false},
                     {"mnu_CHOICE_PAGE", "2522", "Record :  7 / 40", false}};
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(40)));
        for (const auto& c : cases) {
            choose("menu_FILE_FIRST_PAGE");
            testsupport::clickRow(list().DataGridMENU, 6);
            f.dialogs().clear();
            QPointer<Form1> before = &list();
            f.dialogs().inputs = {QString::fromLatin1(c.typed)};
            choose(c.item);
            QCOMPARE(counter(), QString::fromLatin1(c.shown));
            QCOMPARE(before.isNull(), c.reloaded);
            QCOMPARE(f.dialogs().messages().size(), std::size_t(c.typed == std::string("2522")));
            // A chosen page shows from its first record, at the top of the grid.
            if (c.typed == std::string("2")) QTRY_COMPARE(list().DataGridMENU->rowAt(0), 13);
        }
    }
};

VELKARD_GUI_TEST(ShellTest)
#include "shell_test.moc"
