#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

// Condition rows (field, operator, value, and a connector from row 2 on) turned into filter
// expressions. Free of widgets: the windows read their boxes into rows.
namespace query {

inline constexpr std::array<const char*, 8> kOperators = {
    "=   等於",      "<> 不等於",     ">   大於",       "<   小於",
    ">= 大於或等於", "<= 小於或等於", "Like *  開頭是", "Like **裡面包含",
};
inline constexpr std::array<const char*, 2> kConnectors = {"AND 而且", "OR    或"};

struct ConditionRow {
    std::string field;  // the field text as the window gives it
    std::string operatorText;
    int operatorPosition = -1;  // the picked entry of the operator list; -1 for typed text
    std::string value;          // exactly as typed, blanks included
    std::string connectorText;  // rows 2 and later
    int connectorPosition = -1;
};

// The term of one row: "F = 'V'" ... "F like '*V*'"; empty for an operator that is no entry of
// the list. A quote in the value is doubled, so the value is matched exactly as typed.
std::string term(const ConditionRow& row);

// Row 1 needs field, operator and value; later rows a connector too.
bool complete(const ConditionRow& row, bool first);

// The expressions the run sets, one for each row (E1 ... EN); nothing for a row that is skipped.
// Row 1 must be complete.
std::vector<std::optional<std::string>> expressions(const std::vector<ConditionRow>& rows);

struct Refusal {
    int row;  // from 1
    std::string reason;
};

// What would make the record set reject one of the expressions, named for the user: a field
// that is no column, a row joined to nothing above it, a typed operator in a later row.
std::optional<Refusal> check(const std::vector<ConditionRow>& rows,
                             const std::vector<std::string>& columns);

}  // namespace query
