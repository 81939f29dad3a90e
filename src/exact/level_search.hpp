// The exact search by levels over (set of jobs placed, backlog): every partial sequence whose
// bound stays within a target, one level of placed jobs at a time, keeping of the partial
// sequences of one set only those no other dominates on (cost so far, backlog). With the
// filtered table of rests it answers whether any sequence costs at most the target; when none
// does, the target plus one is a proven lower bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sequence/job_times.hpp"
#include "sequence/rest_cost_table.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"
#include "util/memory_budget.hpp"

namespace zemko {

struct LevelSearchResult {
    bool complete = false;           // every level was searched: the answer below holds
    bool found = false;              // a sequence of objective at most the target exists
    Cost best_objective = 0;         // when found: the least objective of the sequences found
    std::vector<int> best_sequence;  // when found: one such sequence
    std::vector<long long> states;   // per level: the partial sequences kept
    std::size_t peak_bytes = 0;      // the most the levels took at once
};

// The bytes a partial sequence of `jobs` jobs takes in the search, with its share of the
// tables that find one of its set and lead back to its parent.
std::size_t level_state_bytes(int jobs);

// Searches every partial sequence of `times` whose bound by `table` (a table of rests for these
// times, filtered or not) is at most `target`. Stops, incomplete, when `limits` stop it
// (between two levels, or within one every few thousand partial sequences) or when `memory`
// cannot take the next level.
LevelSearchResult level_search(const JobTimes& times, const RestCostTable& table, Cost target,
                               const Limits& limits = {}, MemoryBudget* memory = nullptr);

}  // namespace zemko
