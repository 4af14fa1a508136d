#include <sqlite3.h>
#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
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
        QCOMPARE(f.dialogs().calls[0].kind, DialogCall::Beep);  // the beeps come first
        QCOMPARE(counter(), QStringLiteral("Record :  0 / 0"));
        QCOMPARE(visibleBox(), 0);
    }

    // Every sort item reloads the list sorted by its field, with that field's search box (the
    // last two items' names are crossed, as they always were).
    void everySortItemSortsAndSearchesByItsField() {
        const struct {
            const char* item;
            const char* field;
            const char* label;
        } items[] = {{"menu_VELKNO_SORT", "NO", "NO"},
                     {"menu_NAME_SORT", "NAME", "NAME"},
                     {"menu_BIRTH_SORT", "BIRTH", "BIRTH"},
                     {"menu_TEL_SORT", "TEL_2", "TEL_2"},
                     {"menu_ADDRESS_SORT", "ADDR_2", "ADDR_2"},
                     {"menu_COMPANY_SORT", "COMPANY", "COMPANY"},
                     {"menu_POSITION_SORT", "VOCATION", "VOCATION"},
                     {"menu_VOCATION_SORT", "POSITION", "POSITON"}};
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(42)));
        for (int code = 1; code <= 8; ++code) {
            const auto& it = items[code - 1];
            QPointer<Form1> before = &list();
            choose(it.item);
            testsupport::flushDeletes();
            QVERIFY2(before.isNull(), it.item);  // the list was closed and loaded again
            QCOMPARE(list().DATAGRID_FIELD, QString::fromLatin1(it.field));
            QCOMPARE(visibleBox(), code - 1);
            QCOMPARE(list().LabMENU[static_cast<std::size_t>(code - 1)]->text(),
                     QString::fromLatin1(it.label));
            QCOMPARE(currentValue(store::NO),
                     QString::fromStdString(codeOfClient(code == 1 ? 0 : code - 1, 42)));
            // The field stays in force for later reloads.
            choose("menu_FILE_LAST_PAGE");
            QCOMPARE(list().DATAGRID_FIELD, QString::fromLatin1(it.field));
            QCOMPARE(counter(), QStringLiteral("Record :  42 / 42"));
        }
    }

    // Each page command through the menu: the list is built anew on its page, or, for a refused
    // or cancelled page, left alone. The list stood on record 7 of 40.
    void pagesPositionTheReloadedListOrChangeNothing() {
        const struct {
            const char* item;
            const char* typed;  // CHOICE PAGE's answer; "" is Cancel
            const char* shown;
            bool reloaded;
        } cases[] = {{"menu_FILE_FIRST_PAGE", "", "Record :  1 / 40", true},
                     {"menu_FILE_LAST_PAGE", "", "Record :  40 / 40", true},
                     {"mnu_CHOICE_PAGE", "2", "Record :  14 / 40", true},
                     {"mnu_CHOICE_PAGE", "5", "Record :  -3 / 40", true},
                     {"mnu_CHOICE_PAGE", "", "Record :  7 / 40", false},
                     {"mnu_CHOICE_PAGE", "2522", "Record :  7 / 40", false}};
        for (const auto& c : cases) {
            testsupport::GuiFixture f;
            QVERIFY(f.start(clients(40)));
            testsupport::clickRow(list().DataGridMENU, 6);
            QPointer<Form1> before = &list();
            f.dialogs().inputs.push_back(QString::fromLatin1(c.typed));
            choose(c.item);
            testsupport::flushDeletes();
            QCOMPARE(counter(), QString::fromLatin1(c.shown));
            QCOMPARE(before.isNull(), c.reloaded);
            QCOMPARE(f.dialogs().messages().size(), std::size_t(c.typed == std::string("2522")));
            // A chosen page shows from its first record, at the top of the grid.
            if (std::string(c.typed) == "2") QTRY_COMPARE(list().DataGridMENU->rowAt(0), 13);
        }
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
        } steps[] = {{"王小", "", "王小"},
                     {"王小明", "", "王小明"},
                     {"王", "Record :  -3 / 6", ""},
                     {"O'Neil", "", "O'Neil"},
                     {"", "Record :  1 / 6", ""}};
        for (const auto& s : steps) {
            testsupport::retype(box, s.typed);
            testsupport::pressKey(Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(list().DataGridMENU));
            if (!s.name.isEmpty()) QCOMPARE(currentValue(store::NAME), s.name);
            if (!s.counter.isEmpty()) QCOMPARE(counter(), s.counter);
        }
        QVERIFY(f.dialogs().messages().empty());  // a quote in the text is no error
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
        QCOMPARE(testsupport::readBytes(file), before);
        QVERIFY(!platform::forms::loaded<MDIForm1>());
        QVERIFY(!platform::forms::loaded<Form1>());
    }
};

VELKARD_GUI_TEST(ShellTest)
#include "shell_test.moc"
