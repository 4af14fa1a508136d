#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "store/backend.h"

// What the backends share of putting history entries back; each runs the plan in its own SQL.
namespace store::history {

struct Kept {
    int64_t id, row;
    Gone gone;
};

// The entries of one restore: clients taken back to their earlier values, each beside the entry
// of what its change wrote (which the client must still hold: a later change is never
// overwritten), and clients put back whole. Nothing when an earlier value lacks that entry.
struct Plan {
    std::vector<std::pair<Kept, Kept>> back;  // (earlier values, written values)
    std::vector<Kept> put;
};
std::optional<Plan> plan(const std::vector<Kept>& kept);

}  // namespace store::history
