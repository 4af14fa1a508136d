#pragma once

#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/recordset.h"

// Clients that are likely one person, found by rules a user can read, and what a merge of them
// keeps by default. Nothing here merges: the user decides, group by group.
namespace store::duplicates {

// The rules, surest first: an identity number is one person's; a code is the card file's own
// key, doubled by an import made twice; a name with a birthday is seldom two people; a phone may
// be a family's.
enum class Rule { SameIdentity, SameCode, SameNameAndBirthday, SamePhone };
inline constexpr Rule kRules[] = {Rule::SameIdentity, Rule::SameCode, Rule::SameNameAndBirthday,
                                  Rule::SamePhone};
// How the rule reads to the user.
std::string_view describe(Rule rule);

// The rule's keys of a client's twenty values (a phone rule gives one per phone); none when it
// has nothing to compare.
void keysOf(Rule rule, std::span<const std::string_view> values, std::vector<std::string>& keys);

struct Group {
    Rule rule;
    std::string key;                // what they share, as shown
    std::vector<Bookmark> members;  // in table order
};

// The groups of the clients (every row of the record set's table, its filter aside) under the
// chosen rules, the surest rule's first; a group whose clients a surer rule already put together
// is left out. The clients with nothing to compare (an empty value) are in no group.
std::vector<Group> find(const RecordSet& clients, const std::set<Rule>& rules);

// What a merge keeps of each field by default, from the clients' values (twenty each, in the
// group's order): the index of the client whose value stays, the one not empty and, among
// those, with the newest DATE (the first on a tie); kBoth for a remark the clients wrote
// differently, which keeps them all.
inline constexpr int kBoth = -1;
std::vector<int> defaultChoice(const std::vector<std::vector<std::string_view>>& clients);
// The values a choice gives: each field's chosen value, the remarks joined line by line.
std::vector<std::string> chosenValues(const std::vector<std::vector<std::string_view>>& clients,
                                      const std::vector<int>& choice);
// The client that stays: the newest by DATE, the first on a tie.
std::size_t newest(const std::vector<std::vector<std::string_view>>& clients);

}  // namespace store::duplicates
