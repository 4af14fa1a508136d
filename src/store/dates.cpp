#include "store/dates.h"

#include "store/text.h"

#include <cstdio>
#include <vector>

namespace store::dates {
namespace {

// The text split into characters, so that positions count characters as the user sees them.
std::vector<std::string> characters(std::string_view s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = 1;
        while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
        out.emplace_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool inRange(double v, double above, double below) {
    return v > above && v < below;
}

}  // namespace

std::string stamp(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d.%02d", year - 1911, month, day);
    return text;
}

std::optional<std::string> check(std::string_view text) {
    const std::vector<std::string> chars = characters(text);
    auto at = [&](std::size_t pos) { return pos <= chars.size() ? chars[pos - 1] : std::string(); };
    auto mid = [&](std::size_t from, std::size_t len) {
        std::string out;
        for (std::size_t i = from; i < from + len && i <= chars.size(); ++i) out += chars[i - 1];
        return out;
    };
    auto num = [&](std::size_t from, std::size_t len) {
        return text::leadingNumber(mid(from, len));
    };
    auto validMonthDay = [&](std::size_t month, std::size_t day) {
        return inRange(num(month, 2), 0, 13) && inRange(num(day, 2), 0, 32);
    };

    // Since 2011 the year has three digits; these forms come first so that they are never read
    // as two-digit years and rewritten into nonsense.
    bool sevenDigits = chars.size() == 7;
    for (const auto& c : chars)
        sevenDigits = sevenDigits && c.size() == 1 && c[0] >= '0' && c[0] <= '9';
    if (sevenDigits) {
        if (!inRange(num(1, 3), 0, 1000) || !validMonthDay(4, 6)) return std::nullopt;
        return mid(1, 3) + "." + mid(4, 2) + "." + mid(6, 2);
    }
    if (chars.size() == 9 && at(4) == "." && at(7) == ".") {
        if (!inRange(num(1, 3), 0, 1000) || !validMonthDay(5, 8)) return std::nullopt;
        return std::string(text);
    }

    if (at(3) != "." && at(6) != ".") {
        // Undotted: a dot anywhere in the six characters (a short three-digit date such as
        // 115.12.6) would be rewritten into nonsense, so it is refused.
        if (mid(1, 6).find('.') != std::string::npos) return std::nullopt;
        if (!inRange(num(1, 2), 0, 100) || !validMonthDay(3, 5)) return std::nullopt;
        return mid(1, 2) + "." + mid(3, 2) + "." + mid(5, 2);
    }
    if (at(3) != "." || at(6) != ".") return std::nullopt;
    if (!inRange(num(1, 2), 0, 100) || !validMonthDay(4, 7)) return std::nullopt;
    return std::string(text);
}

}  // namespace store::dates
