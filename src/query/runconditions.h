#pragma once

#include <string>
#include <vector>

#include "query/conditions.h"

namespace platform {
class Dialogs;
}
namespace store {
class RecordSet;
}

namespace query {

enum class Outcome {
    NothingToSelect,  // the target held no record: nothing happened
    Row1Incomplete,   // told the user; nothing changed
    Refused,          // an expression would be rejected: told the user; nothing changed
    NoMatch,          // told the user; the empty result stays applied
    Matched,
};

// Runs the condition rows against `target`: the filter after every accepted row, then the sort
// ascending on `sortField` (keeping the current record when `keepCurrent`), then the count. What
// the user is told goes through `dialogs`.
Outcome run(platform::Dialogs& dialogs, const std::vector<ConditionRow>& rows,
            store::RecordSet& target, const std::string& sortField, bool keepCurrent);

}  // namespace query
