#include "improve/walk_rounds.hpp"

#include <algorithm>
#include <numeric>

#include "sequence/insertion.hpp"

namespace zemko {

namespace {

// A walk's sequences and working arrays, per job, with room to spare.
constexpr std::size_t WALK_BYTES_PER_JOB = 512;

// The first walk (lowest index) of least objective, by `objective_of`.
template <typename Objective>
int leading_walk(const std::vector<Walk>& walks, Objective&& objective_of) {
    int leader = 0;
    for (int w = 1; w < static_cast<int>(walks.size()); ++w) {
        if (objective_of(walks[w]) < objective_of(walks[leader])) leader = w;
    }
    return leader;
}

}  // namespace

std::size_t walk_rounds_bytes(const WalkRoundsSettings& settings, int n_jobs) {
    return static_cast<std::size_t>(std::max(1, settings.walks)) * n_jobs * WALK_BYTES_PER_JOB;
}

WalkRoundsResult run_walk_rounds(const JobTimes& times, const std::vector<int>& start,
                                 std::uint64_t seed, const Limits& limits,
                                 const ParallelFor& parallel, const WalkReports& reports,
                                 const WalkRoundsSettings& settings) {
    WalkRoundsResult result{start, sequence_objective(times, start), 0, {}};
    const int n = static_cast<int>(start.size());
    const bool limited = limits.deadline || limits.work_budget > 0 || limits.stop != nullptr;
    if (n < 2 || !limited) return result;
    const auto report = [&] {
        const WalkImprovement improvement{result.steps, result.objective};
        result.trace.push_back(improvement);
        if (reports.improvement) reports.improvement(improvement);
    };

    const int walk_count = std::max(1, settings.walks);
    std::vector<Walk> walks(walk_count);
    for (int w = 0; w < walk_count; ++w) {
        start_walk(times, settings.walk, walks[w], start, result.objective, seed, w);
    }
    const long long round_steps = std::max(1LL, settings.round_work / n);
    std::vector<long long> quota(walk_count), done(walk_count);
    while (!limits_reached(limits, result.steps)) {
        long long round_total = round_steps * walk_count;
        if (limits.work_budget > 0)
            round_total = std::min(round_total, limits.work_budget - result.steps);
        for (int w = 0; w < walk_count; ++w) {
            quota[w] = round_total / walk_count + (w < round_total % walk_count ? 1 : 0);
        }
        parallel(walk_count, [&](int w, int) {
            done[w] = 0;
            while (done[w] < quota[w]) {
                ++done[w];
                if (!walk_step(times, settings.walk, walks[w], limits)) break;
            }
        });
        result.steps = std::accumulate(done.begin(), done.end(), result.steps);

        const int finder =
            leading_walk(walks, [](const Walk& walk) { return walk.best_objective; });
        if (walks[finder].best_objective < result.objective) {
            result.sequence = walks[finder].best;
            result.objective = walks[finder].best_objective;
            report();
        }
        if (reports.round) reports.round(result.steps, result.objective);
        // Going on from the best current sequence makes the walks together about as good as
        // one walk with their steps; apart, each would reach only what its own steps reach.
        const int leader =
            leading_walk(walks, [](const Walk& walk) { return walk.current_objective; });
        for (int w = 0; w < walk_count; ++w) {
            if (w != leader)
                move_walk(walks[w], walks[leader].current, walks[leader].current_objective);
        }
    }
    return result;
}

}  // namespace zemko
