#include "store/clientfile.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "generator.h"
#include "places.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "store/rowstore.h"
#include "store/text.h"
#include "tempdir.h"

namespace {

using store::ErrorKind;
using testsupport::TempDir;

// The kind and message of the error that opening `path` gives.
std::pair<ErrorKind, std::string> openError(const std::filesystem::path& path,
                                            store::OpenOptions options = {}) {
    try {
        store::clientfile::open(path, options);
    } catch (const store::StoreError& e) {
        return {e.kind(), e.what()};
    }
    ADD_FAILURE() << "opened " << path;
    return {ErrorKind::Io, ""};
}

TEST(ClientFile, CreateMakesTheFolderAndThreeTablesAndNeverReplacesAFile) {
    TempDir dir;
    auto path = dir.path() / "VELKARD" / "velkard.db";
    store::clientfile::create(path);
    EXPECT_TRUE(store::problems(*store::sqliteBackend(store::clientfile::open(path))).empty());
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".new"));

    testsupport::execSql(path, "INSERT INTO VELKARD (NO) VALUES ('keep')");
    const std::string before = testsupport::readBytes(path);
    EXPECT_THROW(store::clientfile::create(path), store::StoreError);
    EXPECT_EQ(testsupport::readBytes(path), before);
}

// A file that cannot serve as the client file is refused with what is wrong, and left as it was.
TEST(ClientFile, FilesThatAreNoClientFileAreNamedAndLeftAlone) {
    // Row ids are reached by rowid, _rowid_ or oid; a further column may take any of those
    // names, and a table without row ids answers to none.
    const std::string fields =
        "NO, NAME, BIRTH, SEX, BLOOD, SELF_NO, MARRY, TEL_1, PHONE, CALL, ADDR_1, COMPANY, TEL_2,"
        " ADDR_2, VOCATION, POSITION, FAX, UNITY_NO, DATE";
    const std::string others =
        "; CREATE TABLE COMBOX_COMPANY (company_field); CREATE TABLE FIELD1 (FIELD1)";
    const struct {
        std::string schema;             // "": no file; "jet": another program's file
        std::optional<ErrorKind> kind;  // none: the file serves
        std::vector<std::string> named;
    } cases[] = {
        {"", ErrorKind::Missing, {"velkard.db"}},
        {"jet", ErrorKind::NotSqlite, {"不是 SQLite"}},
        {"folder", ErrorKind::NotClientFile, {"velkard.db 是資料夾，不是客戶資料檔"}},
        {"pipe", ErrorKind::NotClientFile, {"velkard.db 不是一般的檔案"}},
        {"CREATE TABLE other (x)",
         ErrorKind::NotClientFile,
         {"缺少資料表 VELKARD", "缺少資料表 COMBOX_COMPANY", "缺少資料表 FIELD1"}},
        {"CREATE TABLE VELKARD (NO, NAME, SEX); CREATE TABLE COMBOX_COMPANY (name);"
         "CREATE TABLE FIELD1 (a)",
         ErrorKind::NotClientFile,
         {"資料表 VELKARD 缺少欄位 BIRTH、BLOOD、SELF_NO", "DATE、MEMO",
          "資料表 COMBOX_COMPANY 缺少欄位 company_field"}},
        {"CREATE TABLE velkard (" + fields +
             "); CREATE TABLE combox_company (COMPANY_FIELD); CREATE VIEW FIELD1 AS SELECT 1",
         ErrorKind::NotClientFile,
         {"資料表 VELKARD 缺少欄位 MEMO", "缺少資料表 FIELD1"}},
        {"CREATE TABLE VELKARD (" + fields + ", MEMO, rowid, _ROWID_, oid)" + others,
         ErrorKind::NotClientFile,
         {"VELKARD 的記錄無法逐筆存取"}},
        {"CREATE TABLE VELKARD (" + fields + ", MEMO, PRIMARY KEY (NO)) WITHOUT ROWID" + others,
         ErrorKind::NotClientFile,
         {"VELKARD 的記錄無法逐筆存取"}},
        {"CREATE TABLE VELKARD (" + fields + ", MEMO, ROWID, _rowid_)" + others, std::nullopt, {}}};
    for (const auto& c : cases) {
        TempDir dir;
        auto path = dir.file("velkard.db");
        const bool special = c.schema == "folder" || c.schema == "pipe";  // not to be read
        if (c.schema == "jet")
            std::ofstream(path) << "Standard Jet DB\n" << std::string(4000, 'x');
        else if (c.schema == "folder")
            std::filesystem::create_directory(path);
        else if (c.schema == "pipe")
            mkfifo(path.c_str(), 0600);
        else if (!c.schema.empty())
            testsupport::execSql(path, c.schema);
        if (!c.kind) {
            EXPECT_NO_THROW(store::clientfile::open(path)) << c.schema;
            continue;
        }
        const std::string before = special ? "" : testsupport::readBytes(path);
        auto [kind, message] = openError(path);
        EXPECT_EQ(kind, *c.kind) << c.schema;
        for (const auto& part : c.named)
            EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
        if (!special) {
            EXPECT_EQ(testsupport::readBytes(path), before) << c.schema;
        }
        EXPECT_EQ(std::filesystem::exists(path), !c.schema.empty());
    }
}

TEST(ClientFile, ReadOnlyFileOrFolderIsNamedAsReadOnlyAtOpeningAndUnchanged) {
    // SQLite writes its journal beside the file, so a folder that takes no new file is as
    // read-only as the file itself, and must be found before the first save.
    const struct { mode_t folder, file; } cases[] = {{0755, 0444}, {0555, 0666}};
    for (const auto& c : cases) {
        TempDir dir;
        auto path = dir.file("velkard.db");
        store::clientfile::create(path);
        const std::string before = testsupport::readBytes(path);
        chmod(path.c_str(), c.file);
        chmod(dir.path().c_str(), c.folder);
        EXPECT_TRUE(testsupport::asNobody([&] {
            try {
                store::clientfile::open(path);
            } catch (const store::StoreError& e) {
                return e.kind() == ErrorKind::ReadOnly &&
                       std::string(e.what()).find(path.string() + " 是唯讀的") == 0;
            }
            return false;
        })) << std::oct
            << c.folder << " " << c.file;
        chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(testsupport::readBytes(path), before);
        EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
    }
}

// The open client file holds each table's rows once: every window's record set is a view on
// them, and the tables are read again only when another program changed them. The same on an
// SQLite file and on a server database.
class OpenClientFile : public ::testing::TestWithParam<testsupport::Backend> {
  protected:
    void SetUp() override {
        if (GetParam() == testsupport::Backend::Postgres && testsupport::pgCluster().empty())
            GTEST_SKIP() << "no PostgreSQL server programs";
        place.write({{"A1", "王小明"}, {"A2", "李四"}, {"A3", "張三"}});
        file = place.open();
    }
    testsupport::Place place{GetParam()};
    std::shared_ptr<store::ClientFile> file;
};

TEST_P(OpenClientFile, ViewsShareTheRowsAndSeeAnotherProgramsChangesOnlyWhenReopened) {
    auto list = file->records("VELKARD");
    auto editor = file->records("velkard");
    ASSERT_EQ(editor->fieldName(store::NAME), "NAME");
    editor->moveNext();
    editor->setValue(store::NAME, "李小四");
    editor->update();
    EXPECT_EQ(list->valueAt(1, store::NAME), "李小四");  // one set of rows, no reload
    auto again = file->records("VELKARD");
    EXPECT_EQ(again->valueAt(1, store::NAME), "李小四");
    EXPECT_EQ(&again->valueAt(1, store::NAME)[0], &list->valueAt(1, store::NAME)[0])
        << "our own save must not make the next view read the table again";

    // (A server keeps an updated row after the others: read again, it is still first.)
    place.exec("UPDATE VELKARD SET NAME = '別人' WHERE NO = 'A1'");
    EXPECT_EQ(list->valueAt(0, store::NAME), "王小明");  // an open view keeps what it showed
    EXPECT_EQ(file->records("VELKARD")->valueAt(0, store::NAME), "別人");  // a new one reads

    EXPECT_EQ(file->records("combox_company")->fieldName(0), "company_field");

    // The open view still on the older rows saves: a view opened afterwards shows that too.
    list->setAbsolutePosition(3);
    list->setValue(store::NAME, "王大明");
    list->update();
    EXPECT_EQ(file->records("VELKARD")->valueAt(2, store::NAME), "王大明");
    EXPECT_EQ(file->records("VELKARD")->valueAt(0, store::NAME), "別人");
}

TEST_P(OpenClientFile, BulkOperationsReachEveryViewWithoutAReload) {
    auto list = file->records("VELKARD");
    list->setSort("NAME DESC");
    list->moveLast();
    auto other = place.open();  // another desk, browsing
    auto theirs = other->records("VELKARD");
    EXPECT_THROW(file->renumber("999998"), store::StoreError) << "a third code of seven digits";
    EXPECT_EQ(place.query("SELECT NO FROM VELKARD WHERE rowid = 3"),
              std::vector<std::string>{"A3"});
    file->renumber("100");
    EXPECT_EQ(list->absolutePosition(), 1);  // started again, in its own order
    std::vector<std::string> codes;
    for (long i = 0; i < list->recordCount(); ++i) codes.emplace_back(list->valueAt(i, store::NO));
    EXPECT_EQ(codes, (std::vector<std::string>{"102", "101", "100"}));  // 張, 李, 王: strokes down
    EXPECT_EQ(place.query("SELECT NO FROM VELKARD ORDER BY rowid"),
              (std::vector<std::string>{"100", "101", "102"}));
    EXPECT_EQ(theirs->valueAt(0, store::NO), "A1") << "another desk's open list keeps its rows";
    EXPECT_EQ(other->records("VELKARD")->valueAt(0, store::NO), "100") << "until it reloads";

    // Renumbering on rows older than the table (the other desk saved since) reaches every view
    // all the same, each on the record it stood on, and the other desk's change shows.
    auto editor = file->records("VELKARD");
    editor->moveLast();
    theirs = other->records("VELKARD");
    theirs->setValue(store::NAME, "趙");
    theirs->update();
    file->renumber("A0001");
    EXPECT_EQ(editor->value(store::NO), "A0003");
    EXPECT_EQ(list->valueAt(0, store::NAME), "趙");  // the most strokes, first in its order
    other->reload();
    EXPECT_EQ(theirs->value(store::NO), "A0001") << "the other desk, reloaded, on its record";

    file->clearClients();
    EXPECT_EQ(list->recordCount(), 0);
    EXPECT_EQ(file->records("VELKARD")->recordCount(), 0);
    EXPECT_EQ(place.query("SELECT count(*) FROM VELKARD"), std::vector<std::string>{"0"});
    EXPECT_EQ(place.query("SELECT count(*) FROM COMBOX_COMPANY"), std::vector<std::string>{"0"});
}

INSTANTIATE_TEST_SUITE_P(Backends, OpenClientFile,
                         ::testing::Values(testsupport::Backend::Sqlite,
                                           testsupport::Backend::Postgres),
                         [](const auto& info) { return testsupport::backendName(info.param); });

// A large table is read in two halves at once; what comes out is the same rows in the same order,
// also when the row ids have gaps and one is the largest there is.
TEST(LargeTable, ALoadInTwoHalvesGivesTheSameRows) {
    TempDir dir;
    auto path = dir.file("velkard.db");
    std::vector<std::vector<std::string>> clients;
    for (int i = 0; i < 500; ++i)
        clients.push_back({"C" + std::to_string(i), "客戶" + std::to_string(i), "", "M"});
    testsupport::writeClients(path, clients);
    testsupport::execSql(path,
                         "DELETE FROM VELKARD WHERE rowid % 7 = 0;"
                         "UPDATE VELKARD SET rowid = 9223372036854775807 WHERE rowid = 500");
    auto rows = [&] {
        auto rs = store::RecordSet::openClients(store::clientfile::open(path));
        std::vector<std::string> out;
        for (long i = 0; i < rs->recordCount(); ++i)
            out.push_back(std::string(rs->valueAt(i, store::NO)) + "|" +
                          std::string(rs->valueAt(i, store::NAME)));
        return out;
    };
    const auto whole = rows();
    const int64_t saved = store::sqliteParallelReadFrom;
    store::sqliteParallelReadFrom = 1;
    EXPECT_EQ(rows(), whole);
    // Past the first gap each row still writes to its own row id.
    auto rs = store::RecordSet::openClients(store::clientfile::open(path));
    store::sqliteParallelReadFrom = saved;
    rs->moveLast();  // the largest id
    const std::string no(rs->value(store::NO));
    rs->setValue(store::NAME, "改");
    rs->update();
    EXPECT_EQ(testsupport::query(path, "SELECT NO FROM VELKARD WHERE NAME = '改'"),
              std::vector<std::string>{no});
    EXPECT_EQ(whole.size(), 500u - 500u / 7u);
}

// Renumbering, reading again and clearing keep one copy of the rows: the texts they replaced go
// at once, not one whole copy per renumber or reload.
TEST(LargeTable, RenumbersReloadsAndClearsLeaveNoEarlierRowsBehind) {
    TempDir dir;
    auto path = dir.file("velkard.db");
    sample::writeClientFile(path, 20000);
    auto file = store::ClientFile::open(path);
    auto list = file->records("VELKARD");
    const std::size_t held = file->heldBytes();
    ASSERT_GT(held, std::size_t{3} << 20);  // several blocks, so that a second copy would show
    for (const char* start : {"A00001", "B00001", "C00001"}) {
        file->renumber(start);
        file->reload();
        EXPECT_LE(file->heldBytes(), held) << start;
    }
    file->clearClients();
    EXPECT_EQ(file->heldBytes(), 0u);
}

// A large sort runs on two threads, each half sorted, then merged: every row comes out once, in
// the program's text order, ties in table order, both ways, for codes and for names.
TEST(LargeTable, SortsOnTwoThreadsGiveEveryRowOnceInOrder) {
    TempDir dir;
    auto path = dir.file("velkard.db");
    sample::writeClientFile(path, 120000, true);
    auto rs = store::ClientFile::open(path)->records("VELKARD");
    const struct {
        const char* sort;
        int field;
        bool descending;
    } sorts[] = {{"NO ASC", store::NO, false}, {"NAME DESC", store::NAME, true}};
    for (const auto& s : sorts) {
        rs->setSort(s.sort);
        std::vector<store::Bookmark> rows{rs->bookmarkAt(0)};
        for (long i = 1; i < rs->recordCount(); ++i) {
            const int c =
                store::text::compare(rs->valueAt(i - 1, s.field), rs->valueAt(i, s.field));
            ASSERT_TRUE(s.descending ? c >= 0 : c <= 0) << s.sort << " at " << i;
            if (c == 0) {
                ASSERT_LT(rs->bookmarkAt(i - 1), rs->bookmarkAt(i)) << s.sort << " at " << i;
            }
            rows.push_back(rs->bookmarkAt(i));
        }
        std::sort(rows.begin(), rows.end());
        for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i], i) << s.sort;
        EXPECT_EQ(rows.size(), 120000u);
    }
}

}  // namespace
