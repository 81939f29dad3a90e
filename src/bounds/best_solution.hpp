// The run's best complete sequence, replaced only by a strictly smaller objective.
#pragma once

#include <climits>

#include "input/jobs.hpp"

namespace zemko {

struct BestSolution {
    int fo = INT_MAX;     // objective of seq; INT_MAX while none was accepted
    int seq[MAX_JOBS]{};  // the best complete sequence (job indices, n_jobs used)
    int level = 0;        // level of the node whose completion produced seq
};

// Forgets any solution: fo INT_MAX, seq zero, level 0.
void reset_best_solution(BestSolution& best);

// Offers a complete sequence with objective fo, produced from a node at `level`; it replaces
// the best solution only when fo < best.fo. Returns whether it did.
bool offer_solution(BestSolution& best, const JobTable& table, const int* seq, int fo, int level);

}  // namespace zemko
