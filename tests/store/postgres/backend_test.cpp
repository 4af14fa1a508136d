#include "store/postgres/postgres.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include "places.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/recordset.h"

namespace {

using store::ErrorKind;
using testsupport::Backend;
using testsupport::Place;

class Server : public ::testing::Test {
  protected:
    void SetUp() override {
        if (testsupport::pgCluster().empty()) GTEST_SKIP() << "no PostgreSQL server programs";
    }
    // The kind and message of the error `act` gives.
    static std::pair<ErrorKind, std::string> errorOf(const std::function<void()>& act) {
        try {
            act();
        } catch (const store::StoreError& e) {
            return {e.kind(), e.what()};
        }
        ADD_FAILURE() << "no error";
        return {ErrorKind::Io, ""};
    }
    static std::vector<std::string> dump(const std::filesystem::path& file) {
        std::vector<std::string> rows;
        for (const char* select :
             {"SELECT rowid || quote(NO) || quote(NAME) || quote(MEMO) || quote(CTRL) FROM VELKARD",
              "SELECT rowid || quote(company_field) FROM COMBOX_COMPANY",
              "SELECT rowid || quote(FIELD1) FROM FIELD1"})
            for (auto& row : testsupport::query(file, select + std::string(" ORDER BY rowid")))
                rows.push_back(row);
        return rows;
    }
};

// Every value, NULL kept apart from empty text, and every row address crosses to the server and
// back: the backup of a server database is the SQLite file it came from.
TEST_F(Server, ImportThenBackupGivesTheSameRowsAndAFullDatabaseIsNeverOverwritten) {
    testsupport::TempDir dir;
    const auto source = dir.file("source.db");
    testsupport::writeClients(source, {{"1", "許功蓋"}, {"2", ""}});
    testsupport::execSql(source,
                         "ALTER TABLE VELKARD ADD COLUMN CTRL TEXT;"
                         "INSERT INTO VELKARD (rowid, NO, NAME, MEMO, CTRL) VALUES "
                         "(7, '3', 'a\\b\tc', '第一行\r\n第二行', 'x');"
                         "DELETE FROM VELKARD WHERE NO = '2';"
                         "INSERT INTO COMBOX_COMPANY VALUES ('台積電'), (NULL);"
                         "INSERT INTO FIELD1 VALUES ('f')");
    const std::string db = testsupport::newPgDatabase();
    long shown = 0;
    store::postgres::importFile(db, source, [&](long done, long) { shown = done; });
    EXPECT_EQ(shown, 2);

    auto file = std::make_shared<store::ClientFile>(store::postgres::connect(db));
    const auto copy = dir.file("backup.db");
    file->backup(copy);
    EXPECT_EQ(dump(copy), dump(source));
    EXPECT_NO_THROW(store::clientfile::open(copy)) << "a backup opens alone";

    // A new client follows the copied row addresses.
    auto rs = file->records(store::kClientTable);
    rs->addNew();
    rs->setValue(store::NO, "4");
    rs->update();
    EXPECT_EQ(testsupport::pgQuery(db, "SELECT velkard_row FROM velkard WHERE no = '4'"),
              std::vector<std::string>{"8"});

    auto [kind, message] = errorOf([&] { store::postgres::importFile(db, source); });
    EXPECT_NE(message.find("已經有資料表"), std::string::npos) << message;
    EXPECT_EQ(testsupport::pgQuery(db, "SELECT count(*) FROM velkard"),
              std::vector<std::string>{"3"});
}

// What goes wrong with a server is said with the server and the cause, and nothing is written
// half: the table afterwards holds what it held.
TEST_F(Server, FaultsNameTheServerAndTheCauseAndLeaveTheTableAsItWas) {
    Place place(Backend::Postgres);
    place.write({{"A1", "王小明"}});
    const std::string db = place.conninfo;
    // Roles belong to the whole cluster: one of this test's own.
    const std::string reader = "reader_" + testsupport::pgQuery(db, "SELECT current_database()")[0];
    testsupport::pgQuery(db, "CREATE ROLE " + reader +
                                 " LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA public TO " +
                                 reader);
    auto save = [](const std::string& conninfo, const std::string& name) {
        auto rs = store::ClientFile(store::postgres::connect(conninfo)).records("VELKARD");
        rs->setValue(store::NAME, name);
        rs->update();
    };
    auto empty = testsupport::newPgDatabase();
    const struct {
        const char* what;
        std::function<void()> act;
        ErrorKind kind;
        std::string named;
    } cases[] = {
        {"unreachable", [] { store::postgres::connect("host=/nowhere/velkard dbname=x"); },
         ErrorKind::Io, "/nowhere/velkard"},
        {"no tables", [&] { store::postgres::connect(empty); }, ErrorKind::Missing, "還沒有"},
        {"permission", [&] { save(db + " user=" + reader, "讀者"); }, ErrorKind::ReadOnly,
         "使用者存檔（權限不足）"},  // a refused write named a write
        {"connection lost",
         [&] {
             auto rs = store::ClientFile(store::postgres::connect(db)).records("VELKARD");
             rs->setValue(store::NAME, "斷線");
             testsupport::pgQuery(db,
                                  "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                  "datname = current_database() AND pid <> pg_backend_pid()");
             std::optional<store::StoreError> first;
             try {
                 rs->update();
             } catch (const store::StoreError& e) {
                 first = e;
             }
             rs->update();  // the next save opens the connection again
             if (first) throw *first;
         },
         ErrorKind::Io, "連線中斷"},
    };
    for (const auto& c : cases) {
        const auto got = errorOf(c.act);
        EXPECT_EQ(got.first, c.kind) << c.what << ": " << got.second;
        EXPECT_NE(got.second.find(c.named), std::string::npos) << c.what << ": " << got.second;
        EXPECT_NE(got.second.find("資料庫"), std::string::npos) << c.what << ": " << got.second;
    }
    EXPECT_EQ(place.query("SELECT name FROM velkard"), std::vector<std::string>{"斷線"})
        << "only the save after reconnecting went through";

    // A desk that may only read is known on connecting; each desk names itself to the server,
    // so that one sees how many others hold the clients open.
    const auto readerDesk = store::postgres::connect(db + " user=" + reader);
    const auto writerDesk = store::postgres::connect(db);
    EXPECT_TRUE(readerDesk->readOnly());
    EXPECT_FALSE(writerDesk->readOnly());
    EXPECT_EQ(writerDesk->otherDesks(), 1);

    place.exec("DROP TABLE field1");
    auto [kind, message] = errorOf([&] { store::postgres::connect(db); });
    EXPECT_EQ(kind, ErrorKind::NotClientFile);
    EXPECT_NE(message.find("FIELD1"), std::string::npos) << message;
}

// Another desk holding the table makes a save wait, then give up with nothing written.
TEST_F(Server, ASaveWhileAnotherDeskHoldsTheTableGivesUpAsLocked) {
    Place place(Backend::Postgres);
    place.write({{"A1", "王小明"}});
    PGconn* other = PQconnectdb(place.conninfo.c_str());
    PQclear(PQexec(other, "BEGIN; LOCK TABLE velkard IN EXCLUSIVE MODE"));
    auto file = place.open();
    file->backend().setWaitLimit(200);
    auto rs = file->records("VELKARD");
    rs->setValue(store::NAME, "等不到");
    EXPECT_EQ(errorOf([&] { rs->update(); }).first, ErrorKind::Locked);
    PQfinish(other);
    EXPECT_EQ(place.query("SELECT name FROM velkard"), std::vector<std::string>{"王小明"});
    rs->update();  // free again: the pending change was kept
    EXPECT_EQ(place.query("SELECT name FROM velkard"), std::vector<std::string>{"等不到"});
}

}  // namespace
