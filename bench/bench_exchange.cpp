// Clients out to CSV and back in, against the sqlite3 shell doing the same with the same file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "benchfiles.h"
#include "exchange/csvimport.h"
#include "exchange/export.h"
#include "store/clientfile.h"
#include "store/fields.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

double shell(const std::string& command) {
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return seconds(start);
}

fs::path scratch(const std::string& name) {
    return fs::temp_directory_path() / ("velkard-exchange-" + name);
}

std::vector<int> allFields() {
    std::vector<int> all(store::kFieldCount);
    for (int i = 0; i < store::kFieldCount; ++i) all[static_cast<std::size_t>(i)] = i;
    return all;
}

// Every client to a CSV file, from the open file's rows (read once before, as the program
// has them), against `sqlite3 -csv "select * from VELKARD"` into a file.
void ExportCsv(benchmark::State& state) {
    const fs::path file = bench::clientFile(state.range(0)), csv = scratch("out.csv");
    auto records = store::ClientFile::open(file)->records(store::kClientTable);
    double ours = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        exchange::writeFile(
            csv, [&](std::ostream& out) { exchange::writeCsv(*records, allFields(), out); });
        const double t = seconds(start);
        ours += t;
        state.SetIterationTime(t);
    }
    const double raw = shell("sqlite3 -csv '" + file.string() + "' 'select * from VELKARD' > '" +
                             scratch("raw.csv").string() + "'");
    state.counters["sqlite3_s"] = raw;
    state.counters["x_sqlite3"] = ours / static_cast<double>(state.iterations()) / raw;
    fs::remove(csv);
    fs::remove(scratch("raw.csv"));
}

// The same CSV read, checked and appended to an empty client file, against `sqlite3 .import`
// of it into the same empty table.
void ImportCsv(benchmark::State& state) {
    const fs::path csv = scratch("in.csv"), target = scratch("in.db");
    exchange::writeFile(csv, [&](std::ostream& out) {
        exchange::writeCsv(*store::ClientFile::open(bench::clientFile(state.range(0)))
                                ->records(store::kClientTable),
                           allFields(), out);
    });
    double ours = 0, raw = 0;
    for (auto _ : state) {
        fs::remove(target);
        store::clientfile::create(target);
        const auto start = Clock::now();
        {
            std::ifstream in(csv, std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            const auto checked = exchange::readClientsCsv(bytes.str(), exchange::Encoding::Utf8);
            store::ClientFile::open(target)->appendClients(checked.clients);
        }
        const double t = seconds(start);
        ours += t;
        state.SetIterationTime(t);
        fs::remove(target);
        store::clientfile::create(target);
        raw += shell("sqlite3 '" + target.string() + "' '.import --csv --skip 1 " + csv.string() +
                     " VELKARD'");
    }
    state.counters["sqlite3_s"] = raw / static_cast<double>(state.iterations());
    state.counters["x_sqlite3"] = ours / raw;
    fs::remove(target);
    fs::remove(csv);
}

}  // namespace

BENCHMARK(ExportCsv)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(ImportCsv)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
