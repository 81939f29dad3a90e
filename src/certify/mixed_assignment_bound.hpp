// A lower bound on C2sum that mixes the two machines' bounds position by position, with the
// least cost over every order found exactly as an assignment of jobs to positions; the weights
// of the positions are tuned by subgradient steps. It is strongest on large instances.
#pragma once

#include <cstdint>
#include <vector>

#include "sequence/job_times.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"

namespace zemko {

struct MixedBound {
    // At most the objective of every sequence; the smallest int64 when nothing was solved.
    Cost lower_bound = 0;
    int solves_done = 0;  // assignment problems solved
    // The jobs' dual values in the best solve, in objective units (empty when nothing was
    // solved). Priced by them, any order of n jobs, repeats allowed, costs at least lower_bound
    // less the prices of its jobs plus the prices of all the jobs.
    std::vector<double> job_prices;
    bool stopped = false;  // `stop` was seen before the solves were done
};

// The bound of `times` (any signs, at least one job) after at most `solves` assignment
// problems; `target`, the objective of some sequence, aims the steps. The result depends only
// on the times and these two numbers, unless `limits` stop it (their flag or deadline): the
// call then returns before its next solve with the best bound found so far.
MixedBound mixed_assignment_bound(const JobTimes& times, int solves, Cost target,
                                  const Limits& limits = {});

}  // namespace zemko
