#pragma once

#include <chrono>
#include <optional>
#include <string_view>
#include <vector>

#include "store/recordset.h"

// Clients by their birthday: whose BIRTH falls in a month, or in the days ahead, and the age
// they turn.
namespace store::birthdays {

using Day = std::chrono::year_month_day;

// The day a BIRTH value names (a Republic's date with a two- or three-digit year, 88.04.03 or
// 105.01.02, or 1966/5/20); nothing for text that names no day of the calendar.
std::optional<Day> birthDay(std::string_view text);

struct Entry {
    Bookmark row;
    Day next;   // the birthday's next day from today (today included)
    int turns;  // the age then
};

// The record set's clients (as filtered and sorted) with their birthday in `month`
// (1-12; this year's month while it has not ended, else next year's), or their next birthday
// within `days` days from `today` (today and the next `days` - 1 days); in the order of that day,
// then the record set's. A birthday on 29 February falls on 28 February in other years. Dates that
// cannot be read, or lie ahead, are left out.
std::vector<Entry> inMonth(const RecordSet& clients, unsigned month, Day today);
std::vector<Entry> withinDays(const RecordSet& clients, int days, Day today);

}  // namespace store::birthdays
