// Clients out to CSV and back in, against the sqlite3 shell doing the same with the same file; a
// workbook against CSV, the command line's peak memory against the file, vCard in against CSV.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
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

const char* benchArgv0 = "";

// The import as the window does it (checked keeping the preview's 20 rows, then parsed again
// straight into the file's one transaction): what `--import-child CSV TARGET` runs.
void importAsTheWindowDoes(const fs::path& csv, const fs::path& target) {
    const long size = static_cast<long>(fs::file_size(csv));
    const auto checked =
        exchange::readClientsCsv(exchange::filePieces(csv), size, exchange::Encoding::Utf8, {}, 20,
                                 [](long, const exchange::ClientValues&) {});
    store::ClientFile::open(target)->appendClients(
        [&](const std::function<void(const store::NewClient&)>& add) {
            exchange::readClientsCsv(exchange::filePieces(csv), size, exchange::Encoding::Utf8, {},
                                     0, [&](long, const exchange::ClientValues& c) { add(c); });
        },
        checked.passed);
}

// Runs `work` in a child process; the child's peak resident memory in MB, or -1 when it failed.
template <class Work>
double inChild(const Work& work) {
    const pid_t child = fork();
    if (child == 0) {
        try {
            work();
            _exit(0);
        } catch (...) {
            _exit(1);
        }
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A CSV file of every client, read, checked and appended to an empty client file as the import
// window does it, in a fresh process whose peak memory is held against the CSV's size; its time
// against `sqlite3 .import` of it into the same empty table. The CSV is written by a child, so
// that the rows it is written from are never in this process.
void ImportCsv(benchmark::State& state) {
    const fs::path csv = scratch("in.csv"), target = scratch("in.db");
    const fs::path file = bench::clientFile(state.range(0));
    if (inChild([&] {
            exchange::writeFile(csv, [&](std::ostream& out) {
                exchange::writeCsv(*store::ClientFile::open(file)->records(store::kClientTable),
                                   allFields(), out);
            });
        }) < 0)
        state.SkipWithError("no CSV written");
    const long size = static_cast<long>(fs::file_size(csv));
    double ours = 0, raw = 0, peakMb = 0;
    for (auto _ : state) {
        fs::remove(target);
        store::clientfile::create(target);
        const auto start = Clock::now();
        // A fresh process, which says its own peak: a forked child's would count the parent's.
        FILE* out = popen(("'" + std::string(benchArgv0) + "' --import-child '" + csv.string() +
                           "' '" + target.string() + "'")
                              .c_str(),
                          "r");
        char said[64] = "";
        if (!out || !std::fgets(said, sizeof said, out) || pclose(out) != 0)
            state.SkipWithError("the import failed");
        peakMb = std::atof(said);
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
    state.counters["peak_rss_MB"] = peakMb;
    state.counters["csv_MB"] = static_cast<double>(size) / (1024.0 * 1024.0);
    state.counters["x_csv"] = peakMb / (static_cast<double>(size) / (1024.0 * 1024.0));
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
// (range 1: 0 CSV, 1 workbook), against the size of the client file. GNU time starts it and reads
// its peak: a child forked from this process would count this process's memory as its own.
void ExportCommandMemory(benchmark::State& state) {
    const fs::path file = bench::clientFile(state.range(0));
    const fs::path out = scratch(state.range(1) ? "command.xlsx" : "command.csv");
    double peakMb = 0;
    for (auto _ : state) {
        fs::remove(out);
        const auto start = Clock::now();
        FILE* said = popen(("/usr/bin/time -f 'peak_kb %M' '" VELKARD_PROGRAM "' --export '" +
                            out.string() + "' '" + file.string() + "' 2>&1 >/dev/null")
                               .c_str(),
                           "r");
        char line[256];
        peakMb = -1;
        while (said && std::fgets(line, sizeof line, said))
            if (std::string(line).rfind("peak_kb ", 0) == 0) peakMb = std::atof(line + 8) / 1024.0;
        if (!said || pclose(said) != 0 || peakMb < 0)
            state.SkipWithError("velkard --export failed");
        state.SetIterationTime(seconds(start));
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

int main(int argc, char** argv) {
    benchArgv0 = argv[0];
    if (argc == 4 && std::string(argv[1]) == "--import-child") {
        try {
            importAsTheWindowDoes(argv[2], argv[3]);
            std::printf("%.1f\n", bench::ownMemoryMb("VmHWM"));
            return 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
