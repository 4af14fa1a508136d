// The client tables on a local PostgreSQL server (a throwaway cluster on a Unix socket, started
// here), each figure beside what the server does alone in the same run: psql copying the table
// out, one UPDATE, one DELETE.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "benchfiles.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "store/postgres/postgres.h"
#include "store/recordset.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

void sql(const std::string& conninfo, const std::string& text) {
    PGconn* c = PQconnectdb(conninfo.c_str());
    PGresult* r = PQexec(c, text.c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    const std::string error = PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
    if (!ok) throw std::runtime_error(error + " in " + text);
}

// The cluster, and per client count a database holding the sample clients, made once.
struct Cluster {
    std::string dir = "/tmp/velkard-pg-bench";
    Cluster() {
        if (std::system((std::string(VELKARD_PGCLUSTER) + " start " + dir).c_str()) != 0)
            dir.clear();
    }
    ~Cluster() {
        // A cluster that will not stop is left for the next start to reuse.
        if (!dir.empty() && std::system((std::string(VELKARD_PGCLUSTER) + " stop " + dir).c_str()))
            std::fprintf(stderr, "the server at %s did not stop\n", dir.c_str());
    }
    std::string database(const std::string& name) const {
        return "host=" + dir + " user=velkard dbname=" + name;
    }
    // The database of `count` sample clients, vacuumed as a table in use would be.
    std::string clients(long count) {
        const std::string name = "clients" + std::to_string(count);
        if (!made[count]) {
            sql(database("postgres"), "CREATE DATABASE " + name);
            store::postgres::importFile(database(name), bench::clientFile(count));
            sql(database(name), "VACUUM ANALYZE");
            made[count] = true;
        }
        return database(name);
    }
    // A fresh copy of it, for work that changes every client.
    std::string copy(long count) {
        const std::string source = "clients" + std::to_string(count);
        clients(count);
        sql(database("postgres"), "DROP DATABASE IF EXISTS scratch");
        sql(database("postgres"), "CREATE DATABASE scratch TEMPLATE " + source);
        sql(database("scratch"), "VACUUM ANALYZE");
        return database("scratch");
    }
    std::map<long, bool> made;
};

Cluster& cluster() {
    static Cluster c;
    return c;
}

// psql copying the whole client table out, output thrown away: the floor for reading it.
double psqlCopy(long count) {
    static std::map<long, double> best;
    if (!best.count(count)) {
        const std::string command = "psql -q '" + cluster().clients(count) +
                                    "' -c 'copy (select * from velkard) to stdout' > /dev/null";
        double fastest = 1e9;
        for (int i = 0; i < 3; ++i) {
            const auto start = Clock::now();
            if (std::system(command.c_str()) != 0) return 0;
            fastest = std::min(fastest, seconds(start));
        }
        best[count] = fastest;
    }
    return best[count];
}

void OpenServerList(benchmark::State& state) {
    if (cluster().dir.empty()) return state.SkipWithError("no PostgreSQL server programs");
    const long count = state.range(0);
    const std::string db = cluster().clients(count);
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        auto rs = store::ClientFile(store::postgres::connect(db)).records(store::kClientTable);
        const double t = seconds(start);
        if (rs->recordCount() != count) state.SkipWithError("wrong count");
        state.SetIterationTime(t);
        total += t;
    }
    state.counters["psql_copy_s"] = psqlCopy(count);
    state.counters["x_psql_copy"] =
        total / static_cast<double>(state.iterations()) / psqlCopy(count);
}

// One client changed and saved through the editor's record set: the optimistic write and the
// row read back, on the open list of all clients.
void SaveRoundTrip(benchmark::State& state) {
    if (cluster().dir.empty()) return state.SkipWithError("no PostgreSQL server programs");
    const long count = state.range(0);
    auto file =
        std::make_shared<store::ClientFile>(store::postgres::connect(cluster().clients(count)));
    auto rs = file->records(store::kClientTable);
    rs->setAbsolutePosition(count / 2);
    long i = 0;
    for (auto _ : state) {
        rs->setValue(store::MEMO, "來訪 " + std::to_string(++i));
        const auto start = Clock::now();
        rs->update();
        state.SetIterationTime(seconds(start));
    }
}

// A move in the open list of all clients: one read of the server's change count while nobody
// else wrote; once another desk did (`stale`), the record moved to is read again as well.
void MoveOnServer(benchmark::State& state, bool stale) {
    if (cluster().dir.empty()) return state.SkipWithError("no PostgreSQL server programs");
    const long count = state.range(0);
    const std::string db = cluster().clients(count);
    auto file = std::make_shared<store::ClientFile>(store::postgres::connect(db));
    auto rs = file->records(store::kClientTable);
    if (stale) sql(db, "UPDATE velkard SET memo = memo WHERE velkard_row = 1");
    rs->moveFirst();
    for (auto _ : state) {
        const auto start = Clock::now();
        rs->moveNext();
        state.SetIterationTime(seconds(start));
    }
}

// Renumbering and clearing every client against the one statement the server needs for the
// same change, each on a fresh copy of the table.
void BulkOnServer(benchmark::State& state, int which) {
    if (cluster().dir.empty()) return state.SkipWithError("no PostgreSQL server programs");
    const long count = state.range(0);
    const std::string statement =
        which == 0 ? "UPDATE velkard SET no = velkard_row::text" : "DELETE FROM velkard";
    double ours = 0, alone = 0;
    for (auto _ : state) {
        const std::string db = cluster().copy(count);
        auto start = Clock::now();
        sql(db, statement);
        alone += seconds(start);
        const std::string again = cluster().copy(count);
        store::ClientFile file(store::postgres::connect(again));
        start = Clock::now();
        which == 0 ? file.renumber("0") : file.clearClients();  // codes 0 to 999999 fit
        const double t = seconds(start);
        ours += t;
        state.SetIterationTime(t);
    }
    state.counters["one_statement_s"] = alone / static_cast<double>(state.iterations());
    state.counters["x_one_statement"] = ours / alone;
}

#define CLIENT_COUNTS ->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)
BENCHMARK(OpenServerList) CLIENT_COUNTS->Iterations(3);
BENCHMARK(SaveRoundTrip) CLIENT_COUNTS->Iterations(50);
BENCHMARK_CAPTURE(MoveOnServer, unchanged, false) CLIENT_COUNTS->Iterations(200);
BENCHMARK_CAPTURE(MoveOnServer, changed_by_another_desk, true) CLIENT_COUNTS->Iterations(200);
BENCHMARK_CAPTURE(BulkOnServer, renumber, 0) CLIENT_COUNTS->Iterations(2);
BENCHMARK_CAPTURE(BulkOnServer, clear, 1) CLIENT_COUNTS->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
