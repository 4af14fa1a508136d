// Measures the work that grows with the number of clients, each figure beside the raw sqlite3
// scan of the same file measured in the same run. Files come from the sample generator and are
// kept in $VELKARD_BENCH_DIR (default: bench-data beside the binary).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "benchfiles.h"
#include "query/conditions.h"
#include "store/clientfile.h"
#include "store/recordset.h"
#include "store/sqlite/bulk.h"
#include "store/text.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* benchArgv0 = "";

fs::path clientFile(long count) {
    return bench::clientFile(count);
}

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// The raw scan: the sqlite3 shell printing every row of the table, output thrown away.
double rawScan(long count) {
    static std::map<long, double> best;
    if (!best.count(count)) {
        std::string command =
            "sqlite3 '" + clientFile(count).string() + "' 'select * from VELKARD' > /dev/null";
        double fastest = 1e9;
        for (int i = 0; i < 3; ++i) {
            auto start = Clock::now();
            if (std::system(command.c_str()) != 0) return 0;
            fastest = std::min(fastest, seconds(start));
        }
        best[count] = fastest;
    }
    return best[count];
}

std::unique_ptr<store::RecordSet> openClients(long count) {
    return store::RecordSet::openClients(store::clientfile::open(clientFile(count)));
}

// Runs `work` once per iteration with manual timing and reports its time against the raw scan.
template <class Work>
double timed(benchmark::State& state, long count, Work work) {
    double total = 0;
    for (auto _ : state) {
        double t = work();
        state.SetIterationTime(t);
        total += t;
    }
    double mean = total / static_cast<double>(state.iterations());
    state.counters["raw_scan_s"] = rawScan(count);
    state.counters["x_raw_scan"] = mean / rawScan(count);
    return mean;
}

void RawSqliteScan(benchmark::State& state) {
    long count = state.range(0);
    std::string command =
        "sqlite3 '" + clientFile(count).string() + "' 'select * from VELKARD' > /dev/null";
    timed(state, count, [&] {
        auto start = Clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("sqlite3 failed");
        return seconds(start);
    });
}

// The bare single-thread scan through SQLite's C API: every row stepped, every column's text
// touched. The first load of the client table is held against it.
double bareScan(const fs::path& file) {
    static std::map<fs::path, double> best;
    if (!best.count(file)) {
        double fastest = 1e9;
        for (int i = 0; i < 3; ++i) {
            auto db = store::Database::open(file, {15000, true});
            auto start = Clock::now();
            store::Statement s(*db, "SELECT * FROM VELKARD");
            std::size_t bytes = 0;
            while (s.step())
                for (int c = 0; c < s.columnCount(); ++c) bytes += s.text(c).size();
            benchmark::DoNotOptimize(bytes);
            fastest = std::min(fastest, seconds(start));
        }
        best[file] = fastest;
    }
    return best[file];
}

void OpenRecordSet(benchmark::State& state) {
    long count = state.range(0);
    const double mean = timed(state, count, [&] {
        auto start = Clock::now();
        auto rs = openClients(count);
        benchmark::DoNotOptimize(rs->recordCount());
        return seconds(start);
    });
    state.counters["bare_scan_s"] = bareScan(clientFile(count));
    state.counters["x_bare_scan"] = mean / bareScan(clientFile(count));
}

// The first sort by NAME of freshly read rows: collation keys built and sorted.
void SortByName(benchmark::State& state) {
    long count = state.range(0);
    timed(state, count, [&] {
        auto rs = openClients(count);
        auto start = Clock::now();
        rs->setSort("NAME ASC");
        return seconds(start);
    });
}

// The sort the browse list runs when it opens, by NO, on a file stored in a random order of the
// codes (the usual case after years of adds and imports).
void SortByCodeShuffled(benchmark::State& state) {
    const long count = state.range(0);
    auto db = store::clientfile::open(bench::clientFile(count, true));
    timed(state, count, [&] {
        auto rs = store::RecordSet::openClients(db);
        auto start = Clock::now();
        rs->setSort("NO ASC");
        return seconds(start);
    });
}

// A later sort by NAME of the same rows (another window, or the list after a reload): the kept
// order serves.
void SortByNameAgain(benchmark::State& state) {
    long count = state.range(0);
    auto rs = openClients(count);
    rs->setSort("NAME ASC");
    timed(state, count, [&] {
        rs->setSort("");
        auto start = Clock::now();
        rs->setSort("NAME ASC");
        return seconds(start);
    });
}

// What the browse list does when a sort or page command reopens it on an unchanged file: a new
// view of the open client file's rows, sorted by the list's field (sorted once before).
void ReopenSortedList(benchmark::State& state) {
    long count = state.range(0);
    auto file = store::ClientFile::open(clientFile(count));
    file->records("VELKARD")->setSort("NAME ASC");
    timed(state, count, [&] {
        auto start = Clock::now();
        auto rs = file->records("VELKARD");
        rs->setSort("NAME ASC");
        rs->move(26);
        benchmark::DoNotOptimize(rs->value(0));
        return seconds(start);
    });
}

void FindName(benchmark::State& state) {
    long count = state.range(0);
    auto rs = openClients(count);
    // A name nobody has: the search runs through the whole table, the worst case.
    timed(state, count, [&] {
        rs->moveFirst();
        auto start = Clock::now();
        benchmark::DoNotOptimize(rs->find("NAME='林不在'"));
        return seconds(start);
    });
    state.SetLabel("whole table, no match");
}

void FilterThreeTerms(benchmark::State& state) {
    long count = state.range(0);
    auto rs = openClients(count);
    timed(state, count, [&] {
        rs->clearFilter();
        auto start = Clock::now();
        rs->setFilter("SEX = 'M' And BLOOD like 'A*' Or COMPANY like '*電腦*'");
        return seconds(start);
    });
    state.counters["rows"] = static_cast<double>(rs->recordCount());
}

void CloneRecordSet(benchmark::State& state) {
    long count = state.range(0);
    auto rs = openClients(count);
    timed(state, count, [&] {
        auto start = Clock::now();
        auto copy = rs->clone();
        benchmark::DoNotOptimize(copy->recordCount());
        return seconds(start);
    });
}

// A display set of five rows on the browse list's record set (sorted by code as after loading):
// the last row's expression (which holds the others), then the sort, as the windows run it.
void DisplaySetFiveRows(benchmark::State& state) {
    long count = state.range(0);
    auto rs = openClients(count);
    rs->setSort("NO ASC");
    auto row = [](const char* field, int op, const char* value, int connector) {
        query::ConditionRow r;
        r.field = field;
        r.operatorPosition = op;
        r.operatorText = query::kOperators[static_cast<std::size_t>(op)];
        r.value = value;
        r.connectorPosition = connector;
        r.connectorText =
            connector >= 0 ? query::kConnectors[static_cast<std::size_t>(connector)] : "";
        return r;
    };
    const std::vector<query::ConditionRow> rows = {
        row("SEX", 0, "M", -1), row("BLOOD", 6, "A", 0), row("COMPANY", 7, "電腦", 1),
        row("VOCATION", 0, "經理", 0), row("POSITION", 0, "資訊業", 1)};
    const std::string sortField = state.range(1) ? "NAME" : "NO";
    timed(state, count, [&] {
        rs->clearFilter();
        rs->setSort("NO ASC");
        auto start = Clock::now();
        std::string last;
        for (const auto& e : query::expressions(rows))
            if (e) last = *e;
        rs->setFilter(last);
        rs->setSort(sortField + " ASC");
        return seconds(start);
    });
    state.counters["rows"] = static_cast<double>(rs->recordCount());
    state.SetLabel("sorted by " + sortField);
}

// From process start to the browse list's first painted rows, and to the list painted with the
// whole table read (the start probe says each as it happens), on files stored in code order and
// in random order; the whole load against the bare single-thread scan of the same file.
void StartToPaintedList(benchmark::State& state) {
    const long count = state.range(0);
    const bool shuffled = state.range(1) != 0;
    const fs::path file = bench::clientFile(count, shuffled);
    fs::path home = fs::temp_directory_path() / ("velkard-start-" + std::to_string(count));
    fs::create_directories(home / "VELKARD");
    fs::path link = home / "VELKARD" / "velkard.db";
    std::error_code ec;
    fs::remove(link, ec);
    fs::create_symlink(fs::absolute(file), link);
    const std::string probe = (fs::path(benchArgv0).parent_path() / "velkard_startprobe").string();
    const std::string command =
        "HOME='" + home.string() + "' QT_QPA_PLATFORM=offscreen '" + probe + "' 2>/dev/null";
    double first = 0, whole = 0, peakMb = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        FILE* out = popen(command.c_str(), "r");
        char line[256];
        double firstAt = 0, wholeAt = 0;
        while (out && std::fgets(line, sizeof line, out)) {
            const std::string said(line);
            if (said.rfind("first", 0) == 0) firstAt = seconds(start);
            if (said.rfind("whole", 0) == 0) {
                wholeAt = seconds(start);
                peakMb = std::atof(said.c_str() + 5) / 1024.0;
            }
        }
        if (!out || pclose(out) != 0 || wholeAt == 0) state.SkipWithError("no painted list");
        first += firstAt;
        whole += wholeAt;
        state.SetIterationTime(firstAt);
    }
    const double n = static_cast<double>(state.iterations());
    const double bare = bareScan(file);
    state.counters["first_rows_s"] = first / n;
    state.counters["whole_s"] = whole / n;
    state.counters["bare_scan_s"] = bare;
    state.counters["x_bare_scan"] = whole / n / bare;
    state.counters["peak_MB"] = peakMb;
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / (1024.0 * 1024.0);
    state.SetLabel(shuffled ? "random order" : "code order");
    fs::remove_all(home, ec);
}

// A fresh copy of the sample file for work that changes it.
fs::path scratchCopy(long count) {
    fs::path copy = fs::temp_directory_path() / ("velkard-bulk-" + std::to_string(count) + ".db");
    fs::copy_file(clientFile(count), copy, fs::copy_options::overwrite_existing);
    return copy;
}

// Each bulk operation beside the plain SQL that does the same work in one statement, on a
// fresh copy of the file each time (the copy is not timed).
void BulkOperation(benchmark::State& state, int which) {
    const long count = state.range(0);
    double ours = 0, raw = 0;
    for (auto _ : state) {
        fs::path file = scratchCopy(count);
        double t = 0;
        {
            auto db = store::clientfile::open(file);
            auto start = Clock::now();
            if (which == 0) store::bulk::renumber(*db, "0");
            if (which == 1) store::bulk::clearClients(*db);
            if (which == 2) store::bulk::backup(*db, file.string() + ".backup");
            // FILE CLEAR as the window does it by default: every client kept in the history.
            if (which == 3) store::bulk::clearClients(*db, {}, "2026-12-07 10:00:00");
            t = seconds(start);
        }
        ours += t;
        state.SetIterationTime(t);
        fs::remove(file.string() + ".backup");
        file = scratchCopy(count);
        const char* sql[] = {"UPDATE VELKARD SET NO = rowid", "DELETE FROM VELKARD", ".backup '",
                             "DELETE FROM VELKARD"};
        std::string command =
            which == 2 ? "sqlite3 '" + file.string() + "' \".backup '" + file.string() + ".raw'\""
                       : "sqlite3 '" + file.string() + "' '" + sql[which] + "'";
        auto start = Clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("sqlite3 failed");
        raw += seconds(start);
        fs::remove(file);
        fs::remove(file.string() + ".raw");
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["sql_s"] = raw / n;
    state.counters["x_sql"] = ours / raw;
    state.SetLabel(which == 0   ? "renumber vs one UPDATE"
                   : which == 1 ? "clear vs one DELETE"
                   : which == 3 ? "clear keeping the history vs one DELETE"
                                : "backup vs sqlite3 .backup");
}

// Peak resident memory of a fresh process that opens one record set over the file.
// Peak memory of a fresh process holding one record set, or the three views of the browse list
// (sorted by NAME), the editor and the condition query (a filtered clone) on one open file.
void PeakMemory(benchmark::State& state) {
    long count = state.range(0);
    const bool threeViews = state.range(1) == 3;
    fs::path file = clientFile(count);
    double peakMb = 0;
    for (auto _ : state) {
        int pipeFd[2];
        if (pipe(pipeFd) != 0) state.SkipWithError("pipe failed");
        pid_t child = fork();
        if (child == 0) {
            std::shared_ptr<store::ClientFile> open;
            std::vector<std::unique_ptr<store::RecordSet>> views;
            if (threeViews) {
                open = store::ClientFile::open(file);
                views.push_back(open->records("VELKARD"));
                views.back()->setSort("NAME ASC");
                views.push_back(open->records("VELKARD"));
                views.push_back(views.back()->clone());
                views.back()->setFilter("SEX = 'M' And NAME like '林*'");
            } else {
                views.push_back(store::RecordSet::openClients(store::clientfile::open(file)));
            }
            auto& rs = views.front();
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            long kb = usage.ru_maxrss;
            if (write(pipeFd[1], &kb, sizeof kb) != sizeof kb) _exit(1);
            _exit(rs->recordCount() == count ? 0 : 1);
        }
        long kb = 0;
        if (read(pipeFd[0], &kb, sizeof kb) != sizeof kb) state.SkipWithError("child failed");
        close(pipeFd[0]);
        close(pipeFd[1]);
        waitpid(child, nullptr, 0);
        peakMb = static_cast<double>(kb) / 1024.0;
        state.SetIterationTime(1);
    }
    double fileMb = static_cast<double>(fs::file_size(file)) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = peakMb;
    state.counters["file_MB"] = fileMb;
    state.counters["x_file"] = peakMb / fileMb;
    state.SetLabel(threeViews ? "browse list, editor, condition query" : "one record set");
}

// Resident memory (VmRSS) of a process holding the open client file's rows in a view, before and
// after three renumbers of every client, on a fresh copy of the file: each renumber must leave no
// copy of the rows it replaced.
void RenumberThreeTimesMemory(benchmark::State& state) {
    const long count = state.range(0);
    double before = 0, after = 0;
    for (auto _ : state) {
        const fs::path copy = scratchCopy(count);
        int pipeFd[2];
        if (pipe(pipeFd) != 0) state.SkipWithError("pipe failed");
        const pid_t child = fork();
        if (child == 0) {
            auto resident = [] { return bench::ownMemoryMb("VmRSS"); };
            double rss[2] = {-1, -1};
            try {
                auto file = store::ClientFile::open(copy);
                auto list = file->records("VELKARD");
                list->setSort("NO ASC");
                rss[0] = resident();
                // Codes of at most six digits for a million clients.
                for (const char* start : {"0", "00", "000"}) file->renumber(start);
                rss[1] = resident();
            } catch (...) {
            }
            if (write(pipeFd[1], rss, sizeof rss) != sizeof rss) _exit(1);
            _exit(0);
        }
        close(pipeFd[1]);  // a child that dies unheard ends the read
        double rss[2] = {0, 0};
        if (read(pipeFd[0], rss, sizeof rss) != sizeof rss || rss[1] < 0)
            state.SkipWithError("the renumbers failed");
        close(pipeFd[0]);
        waitpid(child, nullptr, 0);
        fs::remove(copy);
        before = rss[0];
        after = rss[1];
        state.SetIterationTime(1);
    }
    state.counters["rss_before_MB"] = before;
    state.counters["rss_after_MB"] = after;
    state.counters["x_before"] = after / before;
}

#define CLIENT_COUNTS ->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)
// A long like pattern against a long remark: the pattern is a star and 10 000 characters that
// nearly match everywhere, the remark 1 MB of the same letter. Grows linearly, not as the product.
void LikeLongPatternAgainstLongRemark(benchmark::State& state) {
    const std::string remark(1 << 20, 'a');
    const store::text::LikePattern pattern("*" + std::string(9999, 'a') + "b");
    for (auto _ : state) benchmark::DoNotOptimize(pattern.matches(remark));
}

BENCHMARK(LikeLongPatternAgainstLongRemark)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(RawSqliteScan) CLIENT_COUNTS->Iterations(3);
BENCHMARK(OpenRecordSet) CLIENT_COUNTS->Iterations(3);
BENCHMARK(SortByName) CLIENT_COUNTS->Iterations(3);
BENCHMARK(SortByCodeShuffled)
    ->Arg(1000000)
    ->Arg(3000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(SortByNameAgain) CLIENT_COUNTS->Iterations(5);
BENCHMARK(ReopenSortedList) CLIENT_COUNTS->Iterations(5);
BENCHMARK(FindName) CLIENT_COUNTS->Iterations(10);
BENCHMARK(FilterThreeTerms) CLIENT_COUNTS->Iterations(5);
BENCHMARK(CloneRecordSet) CLIENT_COUNTS->Iterations(5);
BENCHMARK(PeakMemory)
    ->Args({1000000, 1})
    ->Args({1000000, 3})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(StartToPaintedList)
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({3000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BulkOperation, renumber, 0) CLIENT_COUNTS->Iterations(2);
BENCHMARK(RenumberThreeTimesMemory)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BulkOperation, clear, 1) CLIENT_COUNTS->Iterations(2);
BENCHMARK_CAPTURE(BulkOperation, backup, 2) CLIENT_COUNTS->Iterations(2);
BENCHMARK_CAPTURE(BulkOperation, clear_kept, 3) CLIENT_COUNTS->Iterations(2);
BENCHMARK(DisplaySetFiveRows)
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchArgv0 = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
