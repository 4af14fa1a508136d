#include "store/search.h"

#include <algorithm>
#include <array>
#include <thread>

#include "store/checks.h"
#include "store/fields.h"

namespace store::search {
namespace {

constexpr int kPhones[] = {TEL_1, PHONE, CALL, TEL_2, FAX};
// Fewer digits than this are no phone number to look for (a house number, a year).
constexpr std::size_t kPhoneDigitsFrom = 4;

}  // namespace

// Blanks typed around the text are no part of what is looked for.
Query::Query(std::string_view typed) : text_(text::trimmed(typed)) {
    auto digits = checks::phoneDigits(typed);
    if (digits && digits->size() >= kPhoneDigitsFrom) digits_ = std::move(digits);
}

std::string storedDigits(std::string_view value) {
    std::string digits;
    storedDigits(value, digits);
    return digits;
}

void storedDigits(std::string_view value, std::string& digits) {
    digits.clear();
    for (char c : value)
        if (c >= '0' && c <= '9') digits += c;
    checks::dialledInTaiwan(digits, false);
}

int Query::match(std::span<const std::string_view> values) const {
    int phone = -1;
    if (digits_) {
        thread_local std::string stored;  // kept between calls: no allocation per value
        for (int f : kPhones) {
            if (static_cast<std::size_t>(f) >= values.size()) break;
            const std::string_view v = values[static_cast<std::size_t>(f)];
            if (v.size() < kPhoneDigitsFrom) continue;
            storedDigits(v, stored);
            if (stored.find(*digits_) != std::string::npos) {
                phone = f;
                break;
            }
        }
    }
    if (!text_.empty()) {
        const int last = phone < 0 ? static_cast<int>(values.size()) : phone;
        for (int f = 0; f < last; ++f)
            if (text_.in(values[static_cast<std::size_t>(f)])) return f;
    }
    return phone;
}

Scan::Scan(const RecordSet& clients, std::string_view typed)
    : rows_(clients.clone()), query_(typed) {}

void Scan::look(long from, long to, std::vector<Hit>& hits) const {
    std::array<std::string_view, kFieldCount> values;
    for (long row = from; row < to; ++row) {
        rows_->valuesAt(row, values);
        const int field = query_.match(values);
        if (field >= 0) hits.push_back({rows_->bookmarkAt(row), field});
    }
}

bool Scan::step(long count, std::vector<Hit>& hits) {
    const long total = rows_->recordCount();
    if (query_.empty()) next_ = total;
    const long end = std::min(total, next_ + count);
    if (end - next_ >= kTwoHalvesFrom) {
        // Only reads, while the caller waits: the upper half on a second core.
        const long middle = next_ + (end - next_) / 2;
        std::vector<Hit> upper;
        std::thread second([&] { look(middle, end, upper); });
        look(next_, middle, hits);
        second.join();
        hits.insert(hits.end(), upper.begin(), upper.end());
    } else {
        look(next_, end, hits);
    }
    next_ = end;
    return next_ < total;
}

}  // namespace store::search
