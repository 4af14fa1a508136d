#include <algorithm>
#include <ctime>

#include "store/history.h"

namespace store {
namespace {

constexpr std::string_view kNames[] = {"DELETE",       "MERGED", "KEPT",
                                       "MERGE_RESULT", "CLEAR",  "UPDATED"};

}  // namespace

std::string_view goneName(Gone gone) {
    return kNames[static_cast<int>(gone)];
}

std::optional<Gone> goneFrom(std::string_view name) {
    for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i)
        if (kNames[i] == name) return static_cast<Gone>(i);
    return std::nullopt;
}

std::string historyNow() {
    if (historyClock) return historyClock();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

namespace history {

std::optional<Plan> plan(const std::vector<Kept>& kept) {
    Plan p;
    for (const Kept& k : kept) {
        if (k.gone == Gone::MergedInto || k.gone == Gone::Updated) {
            const auto written = std::find_if(kept.begin(), kept.end(), [&](const Kept& w) {
                return w.gone == Gone::MergeResult && w.row == k.row;
            });
            if (written == kept.end()) return std::nullopt;
            p.back.emplace_back(k, *written);
        } else if (k.gone != Gone::MergeResult) {
            p.put.push_back(k);
        }
    }
    return p;
}

}  // namespace history
}  // namespace store
