// Lower bounds on C2sum from the times alone, position by position; valid for times of any
// sign, they are the floor under every stronger bound.
#pragma once

#include <cstdint>

#include "sequence/job_times.hpp"
#include "util/cost.hpp"

namespace zemko {

// The larger of two bounds. Machine 1: the k-th completion on machine 2 is at least the sum of
// the k smallest p1 plus the p2 of the job in position k. Machine 2: it is at least the
// smallest p1 plus the sum of the k smallest p2. Both hold for any signs (rearrangement).
Cost position_lower_bound(const JobTimes& times);

}  // namespace zemko
