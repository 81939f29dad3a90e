// Filtering of the relaxed paths by reduced cost against a target objective: every arc
// (position, backlog, job) and state that lies on no relaxed path of value within the target is
// deleted, and the table of rests is made again over what is left, which can only raise it.
// A search that fixes prefixes then tries only the jobs the filter keeps, and gives up on a
// prefix once a job left has no position left.
#pragma once

#include <cstddef>

#include "certify/strong_lower_bound.hpp"
#include "sequence/job_times.hpp"
#include "sequence/rest_cost_table.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"
#include "util/memory_budget.hpp"

namespace zemko {

// What a filtering did, for the measurements.
struct FilterCounts {
    long long arcs = 0;      // arcs of the states before filtering
    long long kept = 0;      // arcs kept
    int rounds = 0;          // filterings done, each on what the one before kept
    double mean_window = 0;  // positions a job may take, on average
};

// The bytes that filtering the table of `jobs` jobs with `buckets` buckets takes.
std::size_t arc_filter_bytes(int jobs, int buckets);

// Filters `table` (the strong bound's, made with `effort` for these times, and not filtered
// yet) against `target`: afterwards every sequence of objective at most target keeps to the
// table's allowed jobs and positions, and the table's values bound its rests at least as high
// as before. Filtering is done again on what is left while it deletes a share of the arcs
// worth it. Returns what it did; leaves the table as it was when `limits` stop it first, when
// the grid's buckets are wider than one unit of time (a rounded step may then leave a
// sequence's own bucket), or when an arc kept leaves the grid (a sequence may then pass states
// the grid does not hold). Its arrays are counted in `memory` while it runs.
FilterCounts filter_rest_costs(const JobTimes& times, const StrongBoundEffort& effort, Cost target,
                               RestCostTable& table, const Limits& limits = {},
                               MemoryBudget* memory = nullptr);

}  // namespace zemko
