#pragma once

#include <optional>
#include <string>
#include <string_view>

// Dates in the Republic-of-China year count (Gregorian year - 1911), kept as text.
namespace store::dates {

// The creation-date stamp for a day: "88.04.03" for 1999-04-03, "115.12.06" for 2026-12-06.
std::string stamp(int year, int month, int day);

// The editor's date check. Returns the text to keep in the box when it is accepted
// ("880403" becomes "88.04.03", "1151206" becomes "115.12.06", a dotted date stays as it is),
// nothing when it is refused.
std::optional<std::string> check(std::string_view text);

}  // namespace store::dates
