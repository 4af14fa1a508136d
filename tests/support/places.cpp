#include "places.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <stdexcept>

#include "store/clientfile.h"
#include "store/postgres/postgres.h"

namespace testsupport {
namespace {

bool run(const std::string& action, const std::string& dir) {
    return std::system((std::string(VELKARD_PGCLUSTER) + " " + action + " " + dir).c_str()) == 0;
}

// The cluster this process started itself, stopped when the process ends.
struct OwnCluster {
    std::string dir;
    OwnCluster() {
        std::string pattern = "/tmp/velkard-pg-XXXXXX";
        if (!mkdtemp(pattern.data())) return;
        if (run("start", pattern)) dir = pattern;
    }
    ~OwnCluster() {
        if (!dir.empty()) run("stop", dir);
    }
};

}  // namespace

std::string pgCluster() {
    if (const char* shared = std::getenv("VELKARD_TEST_PG"))
        if (std::filesystem::exists(std::filesystem::path(shared) / "data")) return shared;
    static OwnCluster own;
    return own.dir;
}

std::vector<std::string> pgQuery(const std::string& conninfo, const std::string& sql) {
    PGconn* c = PQconnectdb(conninfo.c_str());
    PGresult* r = PQexec(c, sql.c_str());
    // Of several statements, PQexec gives the last one's result.
    const auto status = PQresultStatus(r);
    std::string error = status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK
                            ? ""
                            : std::string(PQerrorMessage(c));
    std::vector<std::string> out;
    for (int i = 0; error.empty() && i < PQntuples(r); ++i)
        out.emplace_back(PQgetisnull(r, i, 0) ? "<null>" : PQgetvalue(r, i, 0));
    PQclear(r);
    PQfinish(c);
    if (!error.empty()) throw std::runtime_error("SQL failed: " + error + " in " + sql);
    return out;
}

std::string newPgDatabase() {
    static int made = 0;
    const std::string cluster = pgCluster();
    if (cluster.empty()) throw std::runtime_error("no PostgreSQL cluster");
    const std::string base = "host=" + cluster + " user=velkard dbname=";
    const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(++made);
    pgQuery(base + "postgres", "CREATE DATABASE " + name);
    return base + name;
}

std::string backendName(Backend backend) {
    return backend == Backend::Sqlite ? "Sqlite" : "Postgres";
}

void Place::write(const std::vector<std::vector<std::string>>& clients) {
    writeClients(file_, clients);
    serve();
}

void Place::serve() {
    if (backend == Backend::Sqlite || !conninfo.empty()) return;
    conninfo = newPgDatabase();
    store::postgres::importFile(conninfo, file_);
}

std::shared_ptr<store::ClientFile> Place::open() const {
    if (conninfo.empty()) return store::ClientFile::open(file_);
    return std::make_shared<store::ClientFile>(store::postgres::connect(conninfo));
}

std::vector<std::string> Place::query(const std::string& sql) const {
    if (conninfo.empty()) return testsupport::query(file_, sql);
    return pgQuery(conninfo, std::regex_replace(sql, std::regex("\\browid\\b"), "velkard_row"));
}

void Place::exec(const std::string& sql) const {
    if (conninfo.empty()) return execSql(file_, sql);
    query(sql);
}

}  // namespace testsupport
