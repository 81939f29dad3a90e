// The proof checker's own search for a sequence within a target: the relaxed paths at the
// summary's prices over every backlog (no buckets), their arcs filtered by reduced cost against
// the target, then every partial sequence within the target, level by level, of which only
// those that no other of the same jobs beats on both sum and machine-2 end are kept. Written
// apart from the solver's, which it checks.
#pragma once

#include <cstdint>
#include <optional>

#include "tools/proof_check.hpp"

namespace zemko_tools {

struct LevelCheck {
    bool settled = false;                // the search went through every level
    std::optional<std::int64_t> within;  // when settled: the least objective within the target
    long long most_states = 0;           // the most partial sequences of a level
};

// Searches for a sequence of objective at most `target`; gives up (unsettled) when a level
// would hold more than `state_budget` partial sequences, or the backlogs are too many for the
// checker's tables. `s.prices` must hold a price per job (0 for a summary without prices).
LevelCheck sequences_within(const ProofSummary& s, std::int64_t scale, std::int64_t target,
                            long long state_budget);

}  // namespace zemko_tools
