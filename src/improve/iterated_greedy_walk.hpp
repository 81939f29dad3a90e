// One walk of the improvement phase: an iterated greedy. A step takes a few jobs that lie
// near each other out of the sequence, puts each back at its best place, improves the result
// by the local search around the changes, and accepts it by a temperature rule. A walk owns
// its sequences, its random stream and its working arrays.
#pragma once

#include <cstdint>
#include <vector>

#include "improve/local_search.hpp"
#include "improve/random_stream.hpp"
#include "sequence/job_times.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"

namespace zemko {

// The parameters of a walk; the defaults are the tuned ones.
struct WalkSettings {
    int destroy = 4;               // jobs taken out and put back in one step
    int span = 20;                 // they lie within this many consecutive positions
    int window = 1;                // the local search tries jobs this near to a change
    int temperature_percent = 50;  // temperature, in percent of a tenth of the mean time
};

struct Walk {
    RandomStream random;
    std::vector<int> current;
    Cost current_objective = 0;
    std::vector<int> best;  // the best sequence the walk has held
    Cost best_objective = 0;
    std::vector<int> candidate;
    std::vector<int> removed;
    LocalSearch search;
    double temperature = 0;
};

// Sets the walk at `sequence`, its random stream being number `index` of `seed`.
void start_walk(const JobTimes& times, const WalkSettings& settings, Walk& walk,
                const std::vector<int>& sequence, Cost objective, std::uint64_t seed, int index);

// Moves the walk's current sequence to `sequence` (its best is kept if better).
void move_walk(Walk& walk, const std::vector<int>& sequence, Cost objective);

// One step from the current sequence. Returns false when the limits' flag or deadline stopped
// it (the step is then cut short, or the walk must take no further one).
bool walk_step(const JobTimes& times, const WalkSettings& settings, Walk& walk,
               const Limits& limits);

}  // namespace zemko
