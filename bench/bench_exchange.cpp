// Clients out to CSV and back in, against the sqlite3 shell doing the same with the same file; a
// workbook against CSV, the command line's peak memory against the file, vCard in against CSV.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "benchfiles.h"
#include "exchange/csvimport.h"
#include "exchange/export.h"
#include "exchange/vcardimport.h"
#include "exchange/workbook.h"
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

// Every client to an Excel workbook against every client to CSV, from the same open rows, each
// measured in the same iteration.
void ExportWorkbook(benchmark::State& state) {
    const fs::path file = bench::clientFile(state.range(0)), xlsx = scratch("out.xlsx");
    auto records = store::ClientFile::open(file)->records(store::kClientTable);
    double workbook = 0, csv = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        exchange::writeWorkbook(*records, allFields(), xlsx);
        const double t = seconds(start);
        workbook += t;
        state.SetIterationTime(t);
        start = Clock::now();
        exchange::writeFile(scratch("same.csv"), [&](std::ostream& out) {
            exchange::writeCsv(*records, allFields(), out);
        });
        csv += seconds(start);
    }
    state.counters["csv_s"] = csv / static_cast<double>(state.iterations());
    state.counters["x_csv"] = workbook / csv;
    state.counters["xlsx_MB"] = static_cast<double>(fs::file_size(xlsx)) / (1024.0 * 1024.0);
    fs::remove(xlsx);
    fs::remove(scratch("same.csv"));
}

// Peak resident memory of the whole program writing every client with `velkard --export`
// (range 1: 0 CSV, 1 workbook), against the size of the client file.
void ExportCommandMemory(benchmark::State& state) {
    const fs::path file = bench::clientFile(state.range(0));
    const fs::path out = scratch(state.range(1) ? "command.xlsx" : "command.csv");
    double peakMb = 0;
    for (auto _ : state) {
        fs::remove(out);
        const auto start = Clock::now();
        const pid_t child = fork();
        if (child == 0) {
            execl(VELKARD_PROGRAM, VELKARD_PROGRAM, "--export", out.c_str(), file.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            state.SkipWithError("velkard --export failed");
        state.SetIterationTime(seconds(start));
        peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    const double fileMb = static_cast<double>(fs::file_size(file)) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = peakMb;
    state.counters["file_MB"] = fileMb;
    state.counters["x_file"] = peakMb / fileMb;
    state.SetLabel(state.range(1) ? "--export .xlsx" : "--export .csv");
    fs::remove(out);
}

// The same clients as vCard and as CSV, each read, checked and appended to an empty client file.
void ImportVcard(benchmark::State& state) {
    const auto records =
        store::ClientFile::open(bench::clientFile(state.range(0)))->records(store::kClientTable);
    std::ostringstream cards, csv;
    exchange::writeVcards(*records, cards);
    exchange::writeCsv(*records, allFields(), csv);
    const fs::path target = scratch("cards.db");
    const auto timed = [&](auto read) {
        fs::remove(target);
        store::clientfile::create(target);
        const auto start = Clock::now();
        store::ClientFile::open(target)->appendClients(read().clients);
        return seconds(start);
    };
    double vcard = 0, fromCsv = 0;
    for (auto _ : state) {
        const double t = timed([&] { return exchange::readClientsVcard(cards.str()); });
        vcard += t;
        state.SetIterationTime(t);
        fromCsv +=
            timed([&] { return exchange::readClientsCsv(csv.str(), exchange::Encoding::Utf8); });
    }
    state.counters["csv_s"] = fromCsv / static_cast<double>(state.iterations());
    state.counters["x_csv"] = vcard / fromCsv;
    fs::remove(target);
}

}  // namespace

BENCHMARK(ExportWorkbook)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(ExportCommandMemory)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(ImportVcard)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ExportCsv)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(ImportCsv)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
