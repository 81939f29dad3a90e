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
};

// The bytes the table's arrays take.
inline std::size_t rest_table_bytes(const RestCostTable& table) {
    return (table.values.size() + table.prices.size()) * sizeof(Cost);
}

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
    Cost bucket = floor_div(backlog - table.origin, table.width);
    if (bucket >= table.buckets) bucket = table.buckets - 1;
    const Cost scaled =
        table.values[static_cast<std::size_t>(placed) * table.buckets + bucket] + price_left;
    return static_cast<Cost>(table.jobs - placed) * c1 + ceil_div(scaled, table.scale);
}

}  // namespace zemko
