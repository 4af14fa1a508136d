#include "store/sqlite/bulk.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "generator.h"
#include "places.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "tempdir.h"

namespace {

namespace bulk = store::bulk;
using testsupport::TempDir;

using testsupport::query;

// The names in a folder, sorted.
std::vector<std::string> folderListing(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::vector<std::string>> clients(int n) {
    std::vector<std::vector<std::string>> out;
    for (int i = 0; i < n; ++i)
        out.push_back({"OLD" + std::to_string(i), "客戶" + std::to_string(i)});
    return out;
}

// A client file of `n` clients coded OLD0, OLD1, ... in `dir`, and the program's connection.
std::pair<std::filesystem::path, std::shared_ptr<store::Database>> clientFile(const TempDir& dir,
                                                                              int n) {
    const auto file = dir.file("velkard.db");
    testsupport::writeClients(file, clients(n));
    return {file, store::clientfile::open(file)};
}

// Renumbering gives the first client the start value and each next one the code after.
TEST(Bulk, CodesFollowTheStartValue) {
    const std::vector<std::vector<std::string>> runs = {
        {"1", "2", "3"},      {"871001", "871002"},   {"0001", "0002"},
        {"A00001", "A00002"}, {"A9", "A10", "A11"},   {"C0998", "C0999", "C1000"},
        {"客01", "客02"},     {"1.9", "1.10", "1.11"}};
    for (const auto& run : runs)
        for (std::size_t i = 1; i < run.size(); ++i)
            EXPECT_EQ(bulk::nextCode(run[i - 1]), run[i]) << run[0];
}

TEST(Bulk, FurtherColumnsNamedLikeTheRowIdDoNotTakeItsPlace) {
    // Such a column once made every record get the same code.
    const std::vector<std::vector<std::string>> cases = {{"rowid"}, {"ROWID", "_rowid_"}};
    for (const auto& columns : cases) {
        TempDir dir;
        auto file = dir.file("velkard.db");
        testsupport::writeClients(file, clients(4));
        for (const auto& name : columns)
            testsupport::execSql(file, "ALTER TABLE VELKARD ADD COLUMN " + name +
                                           " TEXT; UPDATE VELKARD SET " + name + " = '7'");
        auto db = store::clientfile::open(file);
        bulk::renumber(*db, "100");
        EXPECT_EQ(query(file, "SELECT NO FROM VELKARD ORDER BY oid"),
                  (std::vector<std::string>{"100", "101", "102", "103"}))
            << columns.size();
        bulk::clearClients(*db);
        EXPECT_EQ(query(file, "SELECT count(*) FROM VELKARD"), std::vector<std::string>{"0"});
    }
}

TEST(Bulk, CodesWiderThanTheFieldAreRefusedWithNothingChanged) {
    TempDir dir;
    const auto [file, db] = clientFile(dir, 3);
    for (const char* start : {"", "ABC", "999998", "A99998", "ABCDE9", "王小明王"}) {
        ASSERT_TRUE(bulk::renumberRefusal(start, 3)) << start;
        EXPECT_THROW(bulk::renumber(*db, start), store::StoreError) << start;
    }
    EXPECT_FALSE(bulk::renumberRefusal("999997", 3));
    EXPECT_EQ(query(file, "SELECT NO FROM VELKARD ORDER BY rowid"),
              (std::vector<std::string>{"OLD0", "OLD1", "OLD2"}));
}

TEST(Bulk, AFailurePartWayLeavesEveryRecordAsItWas) {
    TempDir dir;
    const auto [file, db] = clientFile(dir, 50);
    auto failAt25 = [](long i, long) {
        if (i == 25) throw std::runtime_error("disk gone");
    };
    EXPECT_THROW(bulk::renumber(*db, "1", failAt25), std::runtime_error);
    EXPECT_EQ(query(file, "SELECT NO FROM VELKARD WHERE rowid = 1"),
              std::vector<std::string>{"OLD0"});
    EXPECT_THROW(bulk::clearClients(*db, failAt25), std::runtime_error);
    EXPECT_EQ(query(file, "SELECT count(*) FROM VELKARD"), std::vector<std::string>{"50"});
}

// The code index is set aside while every client is written and built again before the commit:
// after a renumber, a failed one and a clear the file has it, in the order of the new codes.
TEST(Bulk, TheCodeIndexIsThereAfterEveryBulkWriteAndFollowsTheNewCodes) {
    TempDir dir;
    const auto [file, db] = clientFile(dir, 50);
    const auto index = [&] {
        return query(file, "SELECT name FROM sqlite_master WHERE type = 'index'");
    };
    const std::vector<std::string> only{"VELKARD_NO"};
    bulk::renumber(*db, "Z01");
    EXPECT_EQ(index(), only);
    EXPECT_EQ(query(file,
                    "SELECT NO FROM VELKARD INDEXED BY VELKARD_NO ORDER BY NO COLLATE "
                    "NOCASE LIMIT 2"),
              (std::vector<std::string>{"Z01", "Z02"}));
    EXPECT_THROW(bulk::renumber(*db, "1",
                                [](long i, long) {
                                    if (i == 25) throw std::runtime_error("disk gone");
                                }),
                 std::runtime_error);
    EXPECT_EQ(index(), only);
    bulk::clearClients(*db);
    EXPECT_EQ(index(), only);
}

TEST(Bulk, ClearingDeletesEveryClientAndNothingElse) {
    TempDir dir;
    auto file = dir.file("velkard.db");
    testsupport::writeClients(file, clients(250));
    testsupport::execSql(
        file, "INSERT INTO COMBOX_COMPANY VALUES ('大同'); INSERT INTO FIELD1 VALUES ('x')");
    auto db = store::clientfile::open(file);
    long last = 0;
    bulk::clearClients(*db, [&](long i, long n) { last = i == last + 1 && n == 250 ? i : -1; });
    EXPECT_EQ(last, 250);  // each record told, in order
    EXPECT_EQ(query(file, "SELECT count(*) FROM VELKARD"), std::vector<std::string>{"0"});
    EXPECT_EQ(query(file, "SELECT company_field FROM COMBOX_COMPANY"),
              std::vector<std::string>{"大同"});
    EXPECT_EQ(query(file, "SELECT count(*) FROM FIELD1"), std::vector<std::string>{"1"});
}

TEST(Bulk, BackupHoldsTheThreeTablesWholeAndReplacesOnlyWhenComplete) {
    TempDir dir;
    auto file = dir.file("velkard.db");
    testsupport::writeClients(file, clients(20));
    testsupport::execSql(
        file, "INSERT INTO COMBOX_COMPANY VALUES ('大同'); INSERT INTO FIELD1 VALUES (NULL)");
    auto db = store::clientfile::open(file);
    const auto target = dir.path() / "備份 O'Neil's copy.db";
    bulk::backup(*db, target);
    for (const char* table : {"VELKARD", "COMBOX_COMPANY", "FIELD1"}) {
        const std::string sql = std::string("SELECT quote(") +
                                (std::string(table) == "VELKARD" ? "NO) || quote(NAME" : "*") +
                                ") FROM " + table + " ORDER BY rowid";
        EXPECT_EQ(query(target, sql), query(file, sql)) << table;
        const std::string schema =
            std::string("SELECT sql FROM sqlite_master WHERE name = '") + table + "'";
        EXPECT_EQ(query(target, schema), query(file, schema)) << table;
    }
    EXPECT_NO_THROW(store::clientfile::open(target));

    // A second backup to the same name replaces it; a failing one leaves the earlier file.
    testsupport::execSql(file, "DELETE FROM VELKARD WHERE rowid > 10");
    bulk::backup(*db, target);
    EXPECT_EQ(query(target, "SELECT count(*) FROM VELKARD"), std::vector<std::string>{"10"});
    // Another program holding the client file makes the backup fail: the earlier copy stays,
    // nothing of ours is left beside it, and the message names the client file.
    auto before = folderListing(dir.path());
    sqlite3* other = nullptr;
    sqlite3_open(file.string().c_str(), &other);
    sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db->handle(), 50);
    try {
        bulk::backup(*db, target);
        ADD_FAILURE() << "backed up a locked file";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(e.kind(), store::ErrorKind::Locked);
        EXPECT_EQ(std::string(e.what()).find(file.string() + " 正被其他程式鎖定"), 0u) << e.what();
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(folderListing(dir.path()), before);
    EXPECT_EQ(query(target, "SELECT count(*) FROM VELKARD"), std::vector<std::string>{"10"});
}

TEST(Bulk, ACopyThatABackupLeftBehindIsRemovedUnlessAnotherBackupIsWritingIt) {
    TempDir dir;
    const auto [file, db] = clientFile(dir, 5);
    const std::string temp = dir.file("copy.db").string() + ".velkard-tmp-";
    // A killed backup's copy with its journal, a journal alone, a copy being written now (it is
    // locked), and a file of the user's that only looks like ours.
    std::ofstream(temp + "0123456789abcdef") << "half a copy";
    std::ofstream(temp + "0123456789abcdef-journal") << "journal";
    std::ofstream(temp + "fedcba9876543210-journal") << "journal";
    const std::string busy = temp + "00000000000000ff";
    testsupport::execSql(busy, "CREATE TABLE t (x)");
    sqlite3* writer = nullptr;
    sqlite3_open(busy.c_str(), &writer);
    sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    std::ofstream(temp + "notes") << "mine";

    bulk::backup(*db, dir.file("copy.db"));
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_EQ(folderListing(dir.path()),
              (std::vector<std::string>{"copy.db", "copy.db.velkard-tmp-00000000000000ff",
                                        "copy.db.velkard-tmp-notes", "velkard.db"}));
}

TEST(Bulk, TheClientFileItselfIsNeverTheTarget) {
    TempDir dir;
    auto file = dir.file("velkard.db");
    testsupport::writeClients(file, clients(5));
    std::filesystem::create_symlink(file, dir.file("link.db"));
    auto db = store::clientfile::open(file);
    const std::string before = testsupport::readBytes(file);
    for (auto target : {file, dir.file("link.db"), dir.path() / "." / "velkard.db"}) {
        EXPECT_TRUE(bulk::sameFile(target, file)) << target;
        EXPECT_THROW(bulk::backup(*db, target), store::StoreError) << target;
    }
    // Nor is its journal: SQLite would delete such a backup as a leftover at the next start.
    for (const char* companion : {"-journal", "-wal", "-shm"}) {
        const std::filesystem::path target = file.string() + companion;
        EXPECT_THROW(bulk::backup(*db, target), store::StoreError) << target;
        EXPECT_FALSE(std::filesystem::exists(target)) << target;
    }
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{"link.db", "velkard.db"}));
    EXPECT_FALSE(bulk::sameFile(dir.file("other.db"), file));
    EXPECT_EQ(testsupport::readBytes(file), before);
}

// The program killed with SIGKILL in the middle of a bulk operation: the file's journal, or the
// server, rolls the transaction back, so the clients are all old or all new.
class BulkCrash : public ::testing::TestWithParam<std::tuple<testsupport::Backend, int, int>> {
  protected:
    static void SetUpTestSuite() {
        original_ = new TempDir;
        sample::writeClientFile(original_->file("sample.db"), 100000);
    }
    static void TearDownTestSuite() { delete original_; }
    static TempDir* original_;
};
TempDir* BulkCrash::original_ = nullptr;

TEST_P(BulkCrash, KilledPartWayLeavesAllOrNothing) {
    const auto [backend, operation, killPercent] = GetParam();
    if (backend == testsupport::Backend::Postgres && testsupport::pgCluster().empty())
        GTEST_SKIP() << "no PostgreSQL server programs";
    TempDir dir;
    std::filesystem::copy_file(original_->file("sample.db"), dir.file("velkard.db"));
    testsupport::Place place(backend, dir.file("velkard.db"));
    place.serve();
    const auto codesBefore = place.query("SELECT NO FROM VELKARD ORDER BY rowid");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        auto file = place.open();
        auto progress = [&, percent = killPercent](long i, long n) {
            if (i == n * percent / 100) {
                char c = 1;
                if (write(ready[1], &c, 1) != 1) _exit(3);
                pause();  // killed here, mid-transaction
            }
        };
        operation == 0 ? file->renumber("0", progress) : file->clearClients(progress);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    ASSERT_TRUE(WIFSIGNALED(status));

    place.open();  // rolls the journal back
    if (backend == testsupport::Backend::Sqlite) {
        EXPECT_EQ(place.query("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    }
    EXPECT_EQ(place.query("SELECT NO FROM VELKARD ORDER BY rowid"), codesBefore);
}

INSTANTIATE_TEST_SUITE_P(RenumberAndClear, BulkCrash,
                         ::testing::Combine(::testing::Values(testsupport::Backend::Sqlite,
                                                              testsupport::Backend::Postgres),
                                            ::testing::Values(0, 1),
                                            ::testing::Values(10, 50, 95)));

}  // namespace
