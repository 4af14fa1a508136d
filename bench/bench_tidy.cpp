// The everyday jobs on a million clients: finding a client by anything as the user types. Each
// figure is the work the window does after a keystroke, on the held rows of a sample file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "benchfiles.h"
#include "store/checks.h"
#include "store/clientfile.h"
#include "store/duplicates.h"
#include "store/fields.h"
#include "store/search.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// The window's first slice: the matches listed first (its first screen: 20) or, for a text
// nobody has, the whole scan that says so. Reports both the first results and the whole scan.
void SearchAsTyped(benchmark::State& state, const char* typed) {
    const long count = state.range(0);
    auto file = store::ClientFile::open(bench::clientFile(count));
    auto clients = file->records(store::kClientTable);
    double first = 0, whole = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        store::search::Scan scan(*clients, typed);
        std::vector<store::search::Hit> hits;
        bool more = true;
        while (more && hits.size() < 20) more = scan.step(20000, hits);
        const double t = seconds(start);
        while (more) more = scan.step(20000, hits);
        state.SetIterationTime(t);
        first += t;
        whole += seconds(start);
        found = hits.size();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["first_results_s"] = first / n;
    state.counters["whole_scan_s"] = whole / n;
    state.counters["found"] = static_cast<double>(found);
}

// The duplicates window's scan under all four rules.
void DuplicateScan(benchmark::State& state) {
    auto file = store::ClientFile::open(bench::clientFile(state.range(0)));
    auto clients = file->records(store::kClientTable);
    const std::set<store::duplicates::Rule> all(std::begin(store::duplicates::kRules),
                                                std::end(store::duplicates::kRules));
    std::size_t groups = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        groups = store::duplicates::find(*clients, all).size();
        state.SetIterationTime(seconds(start));
    }
    state.counters["groups"] = static_cast<double>(groups);
}

// A copy of the sample file to write to, removed with it.
struct Scratch {
    explicit Scratch(long count, const char* name)
        : path(std::filesystem::temp_directory_path() / name) {
        std::filesystem::copy_file(bench::clientFile(count), path,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    ~Scratch() { std::filesystem::remove(path); }
    std::filesystem::path path;
};

// A group of three merged (two kept in the history, one written) and the merge undone, on a copy
// of the file whose rows are held as the windows hold them.
void MergeAndUndo(benchmark::State& state) {
    const Scratch copy(state.range(0), "velkard-bench-merge.db");
    auto file = store::ClientFile::open(copy.path);
    auto clients = file->records(store::kClientTable);
    double merge = 0, undo = 0;
    for (auto _ : state) {
        const store::Bookmark keep = clients->bookmarkAt(1000), a = clients->bookmarkAt(500000),
                              b = clients->bookmarkAt(999000);
        auto start = Clock::now();
        const int64_t batch = clients->merge(keep, {a, b}, {{store::MEMO, "合併"}});
        const double m = seconds(start);
        const int64_t entry = file->history(1, batch).at(0).id;
        start = Clock::now();
        if (!clients->restore(entry, true)) state.SkipWithError("undo refused");
        const double u = seconds(start);
        state.SetIterationTime(m + u);
        merge += m;
        undo += u;
    }
    state.counters["merge_s"] = merge / static_cast<double>(state.iterations());
    state.counters["undo_s"] = undo / static_cast<double>(state.iterations());
}

// The data-check report's rows: every check of every client.
void DataCheck(benchmark::State& state) {
    auto file = store::ClientFile::open(bench::clientFile(state.range(0)));
    auto clients = file->records(store::kClientTable);
    std::size_t findings = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        findings = store::checks::reportRows(*clients).size();
        state.SetIterationTime(seconds(start));
    }
    state.counters["findings"] = static_cast<double>(findings);
}

// DELETE as the editor does it (the client kept in the history) and the client put back.
void DeleteAndRestore(benchmark::State& state) {
    const Scratch copy(state.range(0), "velkard-bench-delete.db");
    auto file = store::ClientFile::open(copy.path);
    auto clients = file->records(store::kClientTable);
    double erase = 0, back = 0;
    for (auto _ : state) {
        clients->setAbsolutePosition(500000);
        auto start = Clock::now();
        clients->deleteCurrent();
        const double d = seconds(start);
        start = Clock::now();
        if (!clients->restore(file->history(1).at(0).id, false)) state.SkipWithError("refused");
        const double r = seconds(start);
        state.SetIterationTime(d);
        erase += d;
        back += r;
    }
    state.counters["delete_s"] = erase / static_cast<double>(state.iterations());
    state.counters["restore_s"] = back / static_cast<double>(state.iterations());
}

#define ONE_MILLION ->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)
BENCHMARK_CAPTURE(SearchAsTyped, surname, "林") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, road, "忠孝東路") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, mobile_typed_with_dashes, "0912-34") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, latin_letters, "abc") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, nobody, "林不在") ONE_MILLION;
BENCHMARK(DuplicateScan)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(DataCheck)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(DeleteAndRestore)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(MergeAndUndo)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
