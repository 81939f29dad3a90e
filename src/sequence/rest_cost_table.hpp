// Lower bounds on what the rest of a sequence costs, tabled by the number of jobs placed and by
// machine 2's backlog over machine 1 after them: filled by the certificate's priced relaxation,
// read by a search that fixes prefixes, one lookup per prefix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "util/cost.hpp"
#include "util/integer_division.hpp"

namespace zemko {

// The rest of a sequence after m placed jobs costs sum_{k >= m} (n - k) p1[job at k] plus the
// backlogs d_k = C2 - C1 after each later job, plus (n - m) times the prefix's C1. values holds
// the cheapest first part over the relaxed rests, each job priced: a rest of distinct jobs costs
// at least values[m][b] + (the prices of its jobs), all scaled by `scale`.
struct RestCostTable {
    int jobs = 0;
    int buckets = 0;  // 0: no table
    Cost origin = 0;  // backlog of bucket 0
    Cost width = 1;   // backlogs per bucket
    Cost scale = 1;
    std::vector<Cost> prices;  // by job, scaled
    std::vector<Cost> values;  // [m * buckets + b], scaled
    // After filtering against a target (words > 0): the jobs that may follow m placed jobs
    // whose backlog lies in bucket b, a bit per job at [(m * buckets + b) * words + j / 64],
    // and per job the last position it may take. Every sequence of objective at most `target`
    // keeps to them; the values are then the rests over what they keep (FILTERED_REST where
    // none is left).
    int words = 0;
    std::vector<std::uint64_t> allowed;
    std::vector<int> last_position;
    Cost target = 0;
    // After filtering, per number of jobs placed: the last bucket's rest before filtering, the
    // bound for a backlog past the grid, which no filtered state stands for.
    std::vector<Cost> off_grid;
};

// The bytes the table's arrays take.
inline std::size_t rest_table_bytes(const RestCostTable& table) {
    return (table.values.size() + table.prices.size()) * sizeof(Cost) +
           table.allowed.size() * sizeof(std::uint64_t) + table.last_position.size() * sizeof(int);
}

// The value of a rest that no sequence within the filter's target takes: high enough to end
// any search that meets it, low enough that no sum with it overflows.
inline constexpr Cost FILTERED_REST = std::numeric_limits<Cost>::max() / 8;

inline constexpr Cost NO_REST_BOUND = std::numeric_limits<Cost>::min();

// A lower bound on the sum of the machine-2 completions of the jobs after a prefix of `placed`
// jobs whose last one completes at c1 and c2, when `price_left` is the sum of the prices of the
// jobs not placed; NO_REST_BOUND when the table has none. Past the last bucket the last one
// holds: a larger backlog never makes the rest cheaper.
inline Cost rest_cost_bound(const RestCostTable& table, int placed, Cost c1, Cost c2,
                            Cost price_left) {
    if (table.buckets == 0) return NO_REST_BOUND;
    const Cost backlog = c2 - c1;
    if (backlog < table.origin) return NO_REST_BOUND;
    const Cost bucket = floor_div(backlog - table.origin, table.width);
    const std::size_t row = static_cast<std::size_t>(placed) * table.buckets;
    Cost rest = 0;
    if (bucket < table.buckets)
        rest = table.values[row + bucket];
    else
        rest =
            table.off_grid.empty() ? table.values[row + table.buckets - 1] : table.off_grid[placed];
    const Cost scaled = rest + price_left;
    return static_cast<Cost>(table.jobs - placed) * c1 + ceil_div(scaled, table.scale);
}

// The jobs that may follow `placed` jobs whose last ends at c1 on machine 1 and c2 on machine
// 2, as a mask of table.words words; null where the filter says nothing (no filter, or a
// backlog off its grid).
inline const std::uint64_t* allowed_jobs(const RestCostTable& table, int placed, Cost c1, Cost c2) {
    if (table.words == 0 || placed >= table.jobs) return nullptr;
    const Cost backlog = c2 - c1;
    if (backlog < table.origin) return nullptr;
    const Cost bucket = floor_div(backlog - table.origin, table.width);
    if (bucket >= table.buckets) return nullptr;
    return &table
                .allowed[(static_cast<std::size_t>(placed) * table.buckets + bucket) * table.words];
}

}  // namespace zemko
