#include <sqlite3.h>
#include <QAction>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "guifixture.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/forms.h"
#include "platform/recordgrid.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "shell/browsestate.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "store/fields.h"
#include "userinput.h"

using platform::forms::get;
using testsupport::DialogCall;

namespace {

std::string code(int number) {
    std::string digits = std::to_string(number);
    return "C" + std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits;
}

// Clients whose codes are stored out of order; client k holds the smallest value of the field
// of sort code k + 1 ("A..." against "M..." elsewhere), so each sort puts a known client first.
std::vector<std::vector<std::string>> clients(int n) {
    const int sortFields[8] = {store::NO,     store::NAME,    store::BIRTH,    store::TEL_2,
                               store::ADDR_2, store::COMPANY, store::VOCATION, store::POSITION};
    std::vector<std::vector<std::string>> out;
    for (int i = 0; i < n; ++i) {
        int number = (i * 17) % n + 1;
        std::vector<std::string> c(store::kFieldCount);
        c[store::NO] = code(number);
        for (int k = 1; k < 8; ++k)
            c[static_cast<std::size_t>(sortFields[k])] = "M" + std::to_string(i);
        if (i >= 1 && i < 8) c[static_cast<std::size_t>(sortFields[i])] = "A";
        out.push_back(c);
    }
    return out;
}

std::string codeOfClient(int i, int n) {
    return code((i * 17) % n + 1);
}

Form1& list() {
    return get<Form1>();
}
QString counter() {
    return list().StatusBar1->panelText(1);
}
store::RecordSet& records() {
    return *list().AdodcMENU->recordSet();
}
QString currentValue(int field) {
    return testsupport::value(records(), field);
}
int visibleBox() {
    int shown = -1;
    for (int i = 0; i < 8; ++i)
        if (list().TexMENU[static_cast<std::size_t>(i)]->isVisibleTo(&list())) {
            if (shown >= 0) return -2;  // more than one
            shown = i;
        }
    return shown;
}
void choose(const char* item) {
    get<MDIForm1>().item(item)->trigger();
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT
  private slots:
    void startUpOnAnEmptyTableBeepsTwiceAndSaysSo() {
        testsupport::GuiFixture f;
        QVERIFY(f.start({}));
        QCOMPARE(f.dialogs().beeps(), 2);
        auto messages = f.dialogs().messages();
        QCOMPARE(messages.size(), std::size_t(1));
        QCOMPARE(messages[0].text, QStringLiteral("檔案沒有記錄 ! "));
        QCOMPARE(messages[0].title, QStringLiteral("VELKARD"));
        QCOMPARE(messages[0].buttons, platform::Buttons::Ok);
        QCOMPARE(f.dialogs().calls[0].kind, DialogCall::Beep);  // the beeps come first
        QCOMPARE(counter(), QStringLiteral("Record :  0 / 0"));
        QCOMPARE(visibleBox(), 0);
    }

    void startUpOnAFilledTableListsByCodeOnTheFirstRecord() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        QVERIFY(f.dialogs().calls.empty());
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 42"));
        QCOMPARE(currentValue(store::NO), QStringLiteral("C001"));
        QCOMPARE(list().DATAGRID_FIELD, QStringLiteral("NO"));
        QCOMPARE(visibleBox(), 0);
        QCOMPARE(list().LabMENU[0]->text(), QStringLiteral("NO"));
        QCOMPARE(list().DataGridMENU->model()->rowCount(), 42);
        QCOMPARE(list().DataGridMENU->model()->columnCount(), 20);  // no 選擇 column in this file
        QCOMPARE(get<MDIForm1>().windowTitle(),
                 QStringLiteral("VELKARD DATA MANAGEMENT SYSTEM   Version 1.0  For  Windows 95") +
                     QString(37, ' ') + "ORBEL Creator");
    }

    void everySortItemSortsAndSearchesByItsField_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("label");
        QTest::newRow("VELKNO SORT") << "menu_VELKNO_SORT" << 1 << "NO"
                                     << "NO";
        QTest::newRow("NAME SORT") << "menu_NAME_SORT" << 2 << "NAME"
                                   << "NAME";
        QTest::newRow("BIRTH SORT") << "menu_BIRTH_SORT" << 3 << "BIRTH"
                                    << "BIRTH";
        QTest::newRow("TEL SORT") << "menu_TEL_SORT" << 4 << "TEL_2"
                                  << "TEL_2";
        QTest::newRow("ADDRESS SORT") << "menu_ADDRESS_SORT" << 5 << "ADDR_2"
                                      << "ADDR_2";
        QTest::newRow("COMPANY SORT") << "menu_COMPANY_SORT" << 6 << "COMPANY"
                                      << "COMPANY";
        QTest::newRow("VOCATION SORT (crossed name)") << "menu_POSITION_SORT" << 7 << "VOCATION"
                                                      << "VOCATION";
        QTest::newRow("POSITION (crossed name)") << "menu_VOCATION_SORT" << 8 << "POSITION"
                                                 << "POSITON";
    }
    void everySortItemSortsAndSearchesByItsField() {
        QFETCH(QString, item);
        QFETCH(int, code);
        QFETCH(QString, field);
        QFETCH(QString, label);
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        QPointer<Form1> before = &list();
        choose(item.toLatin1().constData());
        testsupport::flushDeletes();
        QVERIFY(before.isNull());  // the list was closed and loaded again
        QCOMPARE(get<MDIForm1>().FIELDVAR, code);
        QCOMPARE(list().DATAGRID_FIELD, field);
        QCOMPARE(visibleBox(), code - 1);
        QCOMPARE(list().LabMENU[static_cast<std::size_t>(code - 1)]->text(), label);
        QCOMPARE(currentValue(store::NO),
                 QString::fromStdString(codeOfClient(code == 1 ? 0 : code - 1, 42)));
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 42"));
        // The field stays in force for later reloads.
        choose("menu_FILE_LAST_PAGE");
        QCOMPARE(list().DATAGRID_FIELD, field);
    }

    // The typed page, as CHOICE PAGE reads it: a number (a half to the even page), or refused.
    void choicePageReadsNumbersAndRefusesTheRest() {
        const struct {
            const char* typed;
            int page;  // 0 with `refused`
            bool refused;
        } cases[] = {{"3", 3, false},    {" 3 ", 3, false},       {"2.5", 2, false},
                     {"3.5", 4, false},  {"-2519", -2519, false}, {"2521", 2521, false},
                     {"abc", 0, true},   {"   ", 0, true},        {"2522", 0, true},
                     {"-2520", 0, true}, {"1e9", 0, true},        {"nan", 0, true}};
        for (const auto& c : cases) {
            QString refusal;
            const auto page = shell::parsePage(QString::fromLatin1(c.typed), &refusal);
            QVERIFY2(page.has_value() != c.refused, c.typed);
            if (page) QCOMPARE(int(*page), c.page);
            QVERIFY2(refusal.contains(QStringLiteral("頁數")) == c.refused, c.typed);
        }
    }

    // Each page command through the menu: the list is built anew on its page, or, for a refused
    // or cancelled page, left alone.
    void pagesPositionTheReloadedListOrChangeNothing_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("typed");  // CHOICE PAGE's answer; "" is Cancel
        QTest::addColumn<QString>("shown");  // the counter afterwards (it stood on record 7)
        QTest::addColumn<bool>("refused");
        const QString page = "mnu_CHOICE_PAGE";
        QTest::newRow("first page") << "menu_FILE_FIRST_PAGE"
                                    << ""
                                    << "Record :  1 / 40" << false;
        QTest::newRow("last page") << "menu_FILE_LAST_PAGE"
                                   << ""
                                   << "Record :  40 / 40" << false;
        QTest::newRow("2") << page << "2"
                           << "Record :  14 / 40" << false;
        QTest::newRow("4 of 40") << page << "4"
                                 << "Record :  40 / 40" << false;
        QTest::newRow("5 of 40") << page << "5"
                                 << "Record :  -3 / 40" << false;
        QTest::newRow("0") << page << "0"
                           << "Record :  -2 / 40" << false;
        QTest::newRow("cancel") << page << ""
                                << "Record :  7 / 40" << false;
        QTest::newRow("past 2521") << page << "2522"
                                   << "Record :  7 / 40" << true;
    }
    void pagesPositionTheReloadedListOrChangeNothing() {
        QFETCH(QString, item);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, refused);
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(40)));
        testsupport::clickRow(list().DataGridMENU, 6);
        QPointer<Form1> before = &list();
        f.dialogs().inputs.push_back(typed);
        choose(item.toLatin1().constData());
        testsupport::flushDeletes();
        QCOMPARE(counter(), shown);
        const MDIForm1& frame = get<MDIForm1>();
        QVERIFY(!frame.FIRSTPAGE && !frame.LASTPAGE && !frame.CHOICEPAGE);  // each acts once
        QCOMPARE(frame.CHOICEPAGE1, qint16(0));
        if (item == "mnu_CHOICE_PAGE") {
            QCOMPARE(f.dialogs().calls[0].text, QStringLiteral("請輸入頁數 : "));
            QCOMPARE(f.dialogs().calls[0].title, QStringLiteral("VELKARD"));
        }
        QCOMPARE(before.isNull(), shown != "Record :  7 / 40");  // reloaded, or left alone
        // A chosen page shows from its first record, at the top of the grid.
        // (At the end of the list the grid can only scroll as far as its last row.)
        const long position = records().absolutePosition();
        if (item == "mnu_CHOICE_PAGE" && before.isNull() && position > 0) {
            auto* grid = list().DataGridMENU;
            QScrollBar* bar = grid->verticalScrollBar();
            QTRY_VERIFY(grid->rowAt(0) == position - 1 ||
                        (bar->value() == bar->maximum() && grid->rowAt(0) < position - 1 &&
                         bar->maximum() > 0));
        }
        QCOMPARE(f.dialogs().messages().size(), std::size_t(refused ? 1 : 0));
        if (refused) QVERIFY(f.dialogs().messages()[0].text.contains("頁數"));
    }

    void searchFindsWholeValuesFromTheTopAndEnterMovesIntoTheGrid() {
        testsupport::GuiFixture f;
        auto data = clients(6);
        data[0][store::NAME] = "王小明";
        data[1][store::NAME] = "王小";
        data[2][store::NAME] = "O'Neil";
        data[3][store::NAME] = "王小明";
        QVERIFY(f.start(data));
        choose("menu_NAME_SORT");
        platform::TextBox* box = list().TexMENU[1];

        struct Step {
            QString typed;
            QString counter;
            QString name;
        } steps[] = {
            {"王小", "", "王小"},     {"王小明", "", "王小明"},    {"王", "Record :  -3 / 6", ""},
            {"O'Neil", "", "O'Neil"}, {"", "Record :  1 / 6", ""},
        };
        for (const auto& s : steps) {
            testsupport::retype(box, s.typed);
            testsupport::pressKey(Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(list().DataGridMENU));
            if (!s.name.isEmpty()) QCOMPARE(currentValue(store::NAME), s.name);
            if (!s.counter.isEmpty()) QCOMPARE(counter(), s.counter);
        }
        QVERIFY(f.dialogs().messages().empty());  // a quote in the text is no error
        // The first 王小明 in name order is the first stored one.
        testsupport::retype(box, "王小明");
        testsupport::pressKey(Qt::Key_Return);
        QCOMPARE(currentValue(store::NO), QString::fromStdString(codeOfClient(0, 6)));
    }

    void hoistAndLowerKeepTheRecordAtItsNewPlace() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        testsupport::clickRow(list().DataGridMENU, 4);
        QCOMPARE(currentValue(store::NO), QStringLiteral("C005"));
        testsupport::click(list().ComMENU[1]);
        QCOMPARE(currentValue(store::NO), QStringLiteral("C005"));
        QCOMPARE(counter(), QStringLiteral("Record :  38 / 42"));
        QCOMPARE(testsupport::column(records(), store::NO).first(), QStringLiteral("C042"));
        testsupport::click(list().ComMENU[0]);
        QCOMPARE(counter(), QStringLiteral("Record :  5 / 42"));

        // With no current record the sort stands on the first one.
        testsupport::click(list().AdodcMENU->findChild<QToolButton*>("Last"));
        testsupport::click(list().AdodcMENU->findChild<QToolButton*>("Next"));
        QCOMPARE(counter(), QStringLiteral("Record :  -3 / 42"));
        testsupport::click(list().ComMENU[1]);
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 42"));
        QCOMPARE(currentValue(store::NO), QStringLiteral("C042"));
    }

    void reloadClearsTheSearchBoxButPartiDataKeepsAnOpenList() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        testsupport::retype(list().TexMENU[0], "C010");
        testsupport::clickRow(list().DataGridMENU, 8);
        QPointer<Form1> before = &list();
        choose("menu_PARTI_DATA");
        testsupport::flushDeletes();
        QVERIFY(!before.isNull());
        QCOMPARE(list().TexMENU[0]->text(), QStringLiteral("C010"));
        QCOMPARE(counter(), QStringLiteral("Record :  9 / 42"));
        choose("menu_FILE_FIRST_PAGE");
        QCOMPARE(list().TexMENU[0]->text(), QString());
    }

    void inertItemsDoNothing() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        testsupport::clickRow(list().DataGridMENU, 2);
        QPointer<Form1> before = &list();
        for (const char* item : {"menu_CLEAR_CHOICE", "menu_PERSON_DATA", "menu_INDEX_REBUID"}) {
            QAction* a = get<MDIForm1>().item(item);
            QVERIFY(a && a->isEnabled() && a->isVisible());
            a->trigger();
        }
        testsupport::flushDeletes();
        QVERIFY(!before.isNull());
        QCOMPARE(counter(), QStringLiteral("Record :  3 / 42"));
        QVERIFY(f.dialogs().calls.empty());
        // Separators are plain lines, with no text of their own to show.
        for (const char* separator : {"menu_11", "menu_12", "menu_41", "menu_42"}) {
            QAction* a = get<MDIForm1>().item(separator);
            QVERIFY(a->isSeparator() && a->text().isEmpty());
        }
    }

    // BIRTH SORT orders by the day: a three-digit year comes after every two-digit one.
    void birthSortOrdersDatesByDay() {
        auto data = clients(4);
        const char* births[] = {"105.01.02", "20.09.20", "不詳", "88.04.03"};
        for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)][store::BIRTH] = births[i];
        testsupport::GuiFixture f;
        QVERIFY(f.start(data));
        choose("menu_BIRTH_SORT");
        QCOMPARE(testsupport::column(records(), store::BIRTH),
                 (QStringList{"20.09.20", "88.04.03", "105.01.02", "不詳"}));
    }

    void theListSitsAtItsPlaceInTwipsAndGoesBackThere() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(3)));
        QWidget* frame = list().parentWidget();
        QVERIFY(qobject_cast<QMdiSubWindow*>(frame));
        const QRect home(0, platform::px(500), platform::px(9400), platform::px(5600));
        QCOMPARE(frame->geometry(), home);
        frame->setGeometry(40, 60, 300, 200);
        choose("menu_PARTI_DATA");
        QCOMPARE(frame->geometry(), home);
        QCOMPARE(list().TexMENU[0]->geometry(), platform::rectTwips(1080, 120, 735, 375));
    }

    void gridCounterAndArrowsFollowEachOther() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        platform::DataControl* arrows = list().AdodcMENU;
        auto arrow = [&](const char* name) {
            testsupport::click(arrows->findChild<QToolButton*>(name));
        };
        arrow("Next");
        QCOMPARE(counter(), QStringLiteral("Record :  2 / 42"));
        QCOMPARE(list().DataGridMENU->currentIndex().row(), 1);
        auto* grid = list().DataGridMENU;
        testsupport::clickRow(grid, 9, 3);
        QCOMPARE(counter(), QStringLiteral("Record :  10 / 42"));
        QCOMPARE(currentValue(store::NO), QStringLiteral("C010"));
        arrow("Last");
        QCOMPARE(grid->currentIndex().row(), 41);
        arrow("Next");
        QCOMPARE(counter(), QStringLiteral("Record :  -3 / 42"));
        QVERIFY(!grid->currentIndex().isValid());
        arrow("First");
        arrow("Previous");
        QCOMPARE(counter(), QStringLiteral("Record :  -2 / 42"));
    }

    void missingClientFileIsCreatedOnlyWhenTheUserSaysSo() {
        {
            testsupport::GuiFixture f;
            f.dialogs().answers.push_back(platform::Answer::No);
            QVERIFY(!f.start());
            QVERIFY(!std::filesystem::exists(f.clientFile()));
            QVERIFY(f.dialogs().messages()[0].text.contains(
                QString::fromStdString(f.clientFile().string())));
        }
        testsupport::GuiFixture f;
        QVERIFY(f.start());  // the recorder answers Yes
        QVERIFY(std::filesystem::exists(f.clientFile()));
        auto messages = f.dialogs().messages();
        QCOMPARE(messages.size(), std::size_t(2));
        QCOMPARE(messages[1].text, QStringLiteral("檔案沒有記錄 ! "));
        QCOMPARE(counter(), QStringLiteral("Record :  0 / 0"));
    }

    void brokenClientFileIsNamedAndTheProgramEndsWithTheFileUntouched() {
        testsupport::GuiFixture f;
        std::filesystem::create_directories(f.clientFile().parent_path());
        testsupport::execSql(
            f.clientFile(),
            "CREATE TABLE VELKARD (NO, NAME); CREATE TABLE COMBOX_COMPANY (company_field);");
        const std::string before = testsupport::readBytes(f.clientFile());
        QVERIFY(!f.start());
        auto messages = f.dialogs().messages();
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY(messages[0].text.contains("MEMO"));
        QVERIFY(messages[0].text.contains("FIELD1"));
        QCOMPARE(testsupport::readBytes(f.clientFile()), before);
        QVERIFY(!platform::forms::loaded<MDIForm1>());
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
        QVERIFY(!get<MDIForm1>().windowIcon().isNull());  // the program's own card-file icon
        QVERIFY(get<MDIForm1>().windowIcon().availableSizes().contains(QSize(256, 256)));
    }

    // A client table that cannot be read whole must not open as an empty list that invites
    // new clients into a broken file.
    void damagedClientTableEndsTheProgramWithTheFileUntouched_data() {
        QTest::addColumn<bool>("withoutRowid");
        QTest::addColumn<QString>("cause");
        QTest::newRow("a damaged page") << false << QStringLiteral("已經損壞");
        QTest::newRow("WITHOUT ROWID") << true << QStringLiteral("無法逐筆存取");
    }
    void damagedClientTableEndsTheProgramWithTheFileUntouched() {
        QFETCH(bool, withoutRowid);
        QFETCH(QString, cause);
        testsupport::GuiFixture f;
        f.writeClients(clients(500));
        const auto file = f.clientFile();
        if (withoutRowid) {
            std::string columns;
            for (auto name : store::kFieldNames) columns += std::string(name) + ", ";
            testsupport::execSql(file, "DROP TABLE VELKARD; CREATE TABLE VELKARD (" + columns +
                                           "PRIMARY KEY (NO)) WITHOUT ROWID");
        } else {
            // The last page holds clients; a page type of zero is no page of a table.
            std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
            const auto size = static_cast<long>(std::filesystem::file_size(file));
            bytes.seekp(size - 4096);
            bytes.put('\0');
        }
        const std::string before = testsupport::readBytes(file);
        QVERIFY(!f.start());
        auto messages = f.dialogs().messages();
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY2(messages[0].text.contains(cause), qPrintable(messages[0].text));
        QVERIFY(messages[0].text.endsWith(QStringLiteral("程式將結束。")));
        QCOMPARE(messages[0].icon, platform::Icon::Critical);
        QCOMPARE(testsupport::readBytes(file), before);
        QVERIFY(!platform::forms::loaded<MDIForm1>());
        QVERIFY(!platform::forms::loaded<Form1>());
    }
};

VELKARD_GUI_TEST(ShellTest)
#include "shell_test.moc"
