#pragma once

#include <optional>
#include <string>
#include <string_view>

// Dates in the Republic-of-China year count (Gregorian year - 1911), kept as text.
namespace store::dates {

// The creation-date stamp for a day: "88.04.03" for 1999-04-03, "115.12.06" for 2026-12-06.
std::string stamp(int year, int month, int day);

// The editor's date check. Returns the text to keep in the box when it is accepted
// ("880403" becomes "88.04.03", "1151206" becomes "115.12.06", a dotted date stays as it is,
// the Gregorian "1966/5/20" becomes "55.05.20"), nothing when it is refused. The Republic's
// forms are checked field by field; a Gregorian date must be a real day (not 1999/2/31).
std::optional<std::string> check(std::string_view text);

// BIRTH and DATE, the two fields that hold dates (any letter case).
bool isDateField(std::string_view name);

// The day a date in one of the forms `check` accepts stands for, as a number in date order
// (year x 10000 + month x 100 + day); nothing for text that is no such date.
std::optional<int> dayNumber(std::string_view text);

// The order of the date fields: empty text first, then dates by their day (so 105.01.02 comes
// after 20.09.20), then any text that is no date, in text order. Negative, zero or positive.
int compare(std::string_view a, std::string_view b);

// Appends a key to `out` that orders by `compare` under memcmp and ends where it began a
// concatenation of keys (no key is a prefix of another).
void appendSortKey(std::string_view text, std::string& out);

}  // namespace store::dates
