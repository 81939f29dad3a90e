// Random small instances and exhaustive enumeration, the reference the exact search's rules
// and results are checked against.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include "exact/prefix_state.hpp"
#include "sequence/job_times.hpp"
#include "support/test_support.hpp"

namespace zemko_test {

// n jobs with times in [low, high]; a third of the draws come from a few values so that ties
// and repeated jobs are common.
inline zemko::JobTimes random_jobs(SmallRng& rng, int n, int low, int high) {
    zemko::JobTimes times;
    auto draw = [&] {
        return rng.between(0, 2) == 0 ? rng.between(low, low + 2) : rng.between(low, high);
    };
    for (int j = 0; j < n; ++j) {
        times.p1.push_back(draw());
        times.p2.push_back(draw());
    }
    return times;
}

// The smallest objective over the orders of rest[depth, end) after `state`, depth first: the
// orders that share a beginning share its state.
inline void best_of_orders(const zemko::JobTimes& times, const zemko::PrefixState& state,
                           std::vector<int>& rest, std::size_t depth, std::int64_t& best) {
    if (depth == rest.size()) {
        best = std::min(best, state.sum);
        return;
    }
    for (std::size_t i = depth; i < rest.size(); ++i) {
        std::swap(rest[depth], rest[i]);
        const int job = rest[depth];
        best_of_orders(times, zemko::append_job(state, times.p1[job], times.p2[job]), rest,
                       depth + 1, best);
        std::swap(rest[depth], rest[i]);
    }
}

// The smallest objective over all orders of the jobs outside `prefix` after it.
inline std::int64_t best_completion(const zemko::JobTimes& times, const std::vector<int>& prefix) {
    std::vector<char> used(times.count(), 0);
    for (int job : prefix)
        used[job] = 1;
    std::vector<int> rest;
    for (int j = 0; j < times.count(); ++j)
        if (!used[j]) rest.push_back(j);
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    best_of_orders(times, zemko::state_of(times, prefix), rest, 0, best);
    return best;
}

inline std::int64_t optimum(const zemko::JobTimes& times) {
    return best_completion(times, {});
}

}  // namespace zemko_test
