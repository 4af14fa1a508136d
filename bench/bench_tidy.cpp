// The everyday jobs on a million clients: finding a client by anything as the user types. Each
// figure is the work the window does after a keystroke, on the held rows of a sample file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "benchfiles.h"
#include "store/clientfile.h"
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

#define ONE_MILLION ->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)
BENCHMARK_CAPTURE(SearchAsTyped, surname, "林") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, road, "忠孝東路") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, mobile_typed_with_dashes, "0912-34") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, latin_letters, "abc") ONE_MILLION;
BENCHMARK_CAPTURE(SearchAsTyped, nobody, "林不在") ONE_MILLION;

}  // namespace

BENCHMARK_MAIN();
