#include "improve/iterated_greedy_walk.hpp"

#include <algorithm>
#include <cstdlib>

#include "improve/acceptance.hpp"

namespace zemko {

namespace {

// The temperature of the iterated greedy of the permutation flow shop: a share of a tenth
// of the mean operation time, taken on magnitudes so that it is never negative.
double walk_temperature(const JobTimes& times, const WalkSettings& settings) {
    const int n = times.count();
    if (n == 0) return 0;
    double total = 0;
    for (int job = 0; job < n; ++job) {
        total += std::abs(static_cast<double>(times.p1[job]));
        total += std::abs(static_cast<double>(times.p2[job]));
    }
    return settings.temperature_percent * total / (100.0 * 2 * n * 10);
}

}  // namespace

void start_walk(const JobTimes& times, const WalkSettings& settings, Walk& walk,
                const std::vector<int>& sequence, Cost objective, std::uint64_t seed, int index) {
    walk.random = make_random_stream(seed, static_cast<std::uint64_t>(index));
    walk.current = sequence;
    walk.current_objective = objective;
    walk.best = sequence;
    walk.best_objective = objective;
    walk.candidate = sequence;
    walk.temperature = walk_temperature(times, settings);
}

void move_walk(Walk& walk, const std::vector<int>& sequence, Cost objective) {
    walk.current = sequence;
    walk.current_objective = objective;
    if (objective < walk.best_objective) {
        walk.best = sequence;
        walk.best_objective = objective;
    }
}

bool walk_step(const JobTimes& times, const WalkSettings& settings, Walk& walk,
               const Limits& limits) {
    const int n = static_cast<int>(walk.current.size());
    if (n < 2) return !must_stop(limits);
    std::vector<int>& candidate = walk.candidate;
    candidate = walk.current;

    // Jobs that lie near each other are rearranged among themselves and with their
    // neighbours far more often than jobs drawn from the whole sequence.
    const int destroy = std::min(settings.destroy, n - 1);
    const int span = std::min(n, std::max(settings.span, destroy));
    const int first = static_cast<int>(random_below(walk.random, n - span + 1));
    walk.removed.clear();
    for (int r = 0; r < destroy; ++r) {
        const int position = first + static_cast<int>(random_below(walk.random, span - r));
        walk.removed.push_back(candidate[position]);
        candidate.erase(candidate.begin() + position);
    }
    Cost objective = 0;
    for (const int job : walk.removed) {
        const Insertion place = best_insertion(
            times, candidate.data(), static_cast<int>(candidate.size()), job, walk.search.work);
        candidate.insert(candidate.begin() + place.position, job);
        objective = place.objective;
    }

    LocalSearch& search = walk.search;
    clear_queue(search, n);
    for (const int job : walk.removed) {
        const int position = static_cast<int>(std::find(candidate.begin(), candidate.end(), job) -
                                              candidate.begin());
        queue_around(search, candidate, position, settings.window);
    }
    objective = local_search(times, search, candidate, objective, settings.window, limits);

    if (objective < walk.current_objective ||
        accept_worse(walk.random, objective - walk.current_objective, walk.temperature)) {
        std::swap(walk.current, candidate);
        walk.current_objective = objective;
        if (objective < walk.best_objective) {
            walk.best = walk.current;
            walk.best_objective = objective;
        }
    }
    return !must_stop(limits);
}

}  // namespace zemko
