// A good sequence built fast, where a search wants a start or an aim: the jobs of the best of
// eleven priority orders inserted one by one, each at its best place, then each taken out and
// put back at its best place once. O(n^2 log n) with the insertion sweep.
#pragma once

#include <vector>

#include "sequence/job_times.hpp"
#include "util/limits.hpp"

namespace zemko {

// The orders are by a * p1 + (10 - a) * p2 for a = 0..10, ties by index; the first of least
// objective is built on. When `limits` stop it, the jobs not yet inserted are appended in that
// order and the pass of reinsertions is left out.
std::vector<int> insertion_construction(const JobTimes& times, const Limits& limits = {});

}  // namespace zemko
