#include "store/birthdays.h"

#include <algorithm>
#include <array>

#include "store/dates.h"
#include "store/fields.h"

namespace store::birthdays {
namespace {

using namespace std::chrono;

// The birthday in `y`: 29 February on the 28th in a year without it.
Day inYear(const Day& birth, year y) {
    const Day d{y, birth.month(), birth.day()};
    return d.ok() ? d : Day{y, birth.month(), day{28}};
}

// The next birthday from `today`, today included.
Day nextFrom(const Day& birth, const Day& today) {
    const Day thisYear = inYear(birth, today.year());
    return sys_days(thisYear) >= sys_days(today) ? thisYear
                                                 : inYear(birth, today.year() + years{1});
}

// `when` gives the birthday's day that counts, or nothing to leave the client out.
template <class When>
std::vector<Entry> select(const RecordSet& clients, const Day& today, When when) {
    const auto all = clients.cloneView();
    std::vector<Entry> out;
    std::array<std::string_view, kFieldCount> values;
    for (long i = 0; i < all->recordCount(); ++i) {
        all->valuesAt(i, values);
        const auto birth = birthDay(values[BIRTH]);
        if (!birth || sys_days(*birth) > sys_days(today)) continue;  // a day to come: none yet
        const auto next = when(*birth);
        if (!next) continue;
        out.push_back({all->bookmarkAt(i), *next,
                       static_cast<int>(next->year()) - static_cast<int>(birth->year())});
    }
    std::stable_sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        return sys_days(a.next) < sys_days(b.next);
    });
    return out;
}

}  // namespace

std::optional<Day> birthDay(std::string_view text) {
    const auto number = dates::dayNumber(text);  // Republic's year x 10000 + month x 100 + day
    if (!number) return std::nullopt;
    const Day d{year{*number / 10000 + 1911}, month{static_cast<unsigned>(*number / 100 % 100)},
                day{static_cast<unsigned>(*number % 100)}};
    if (!d.ok()) return std::nullopt;
    return d;
}

std::vector<Entry> inMonth(const RecordSet& clients, unsigned m, Day today) {
    // The month this year while it has not ended, else next year's: a list for this month keeps
    // the birthdays already past in it.
    const year y = month{m} >= today.month() ? today.year() : today.year() + years{1};
    return select(clients, today, [&](const Day& birth) -> std::optional<Day> {
        if (birth.month() != month{m}) return std::nullopt;
        return inYear(birth, y);
    });
}

std::vector<Entry> withinDays(const RecordSet& clients, int days, Day today) {
    const auto last = sys_days(today) + std::chrono::days{days - 1};
    return select(clients, today, [&](const Day& birth) -> std::optional<Day> {
        const Day next = nextFrom(birth, today);
        if (sys_days(next) > last) return std::nullopt;
        return next;
    });
}

}  // namespace store::birthdays
