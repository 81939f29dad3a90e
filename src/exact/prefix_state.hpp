// What a partial sequence leaves to the jobs after it: the completion times of its last job on
// both machines and the sum of its machine-2 completion times, and how a job extends them.
#pragma once

#include <cstdint>
#include <vector>

#include "sequence/job_times.hpp"
#include "util/cost.hpp"

namespace zemko {

struct PrefixState {
    Cost c1 = 0;   // completion of the last job on machine 1
    Cost c2 = 0;   // completion of the last job on machine 2
    Cost sum = 0;  // sum of the machine-2 completions so far
};

inline PrefixState append_job(const PrefixState& state, int p1, int p2) {
    PrefixState next;
    next.c1 = state.c1 + p1;
    next.c2 = (next.c1 > state.c2 ? next.c1 : state.c2) + p2;
    next.sum = state.sum + next.c2;
    return next;
}

// The state after the jobs of `sequence`, in order, from an empty machine pair.
PrefixState state_of(const JobTimes& times, const std::vector<int>& sequence);

}  // namespace zemko
