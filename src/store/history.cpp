#include <ctime>

#include "store/backend.h"

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

}  // namespace store
