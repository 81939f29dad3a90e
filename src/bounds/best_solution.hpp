// The run's best complete sequence, replaced only by a strictly smaller objective.
#pragma once

#include "input/jobs.hpp"

namespace zemko {

extern int best_fo;             // objective of best_seq; INT_MAX while none was accepted
extern int best_seq[MAX_JOBS];  // the best complete sequence (job indices, n_jobs used)
extern int best_level;          // level of the node whose completion produced best_seq

// Forgets any solution: best_fo INT_MAX, best_seq zero, best_level 0.
void reset_best_solution();

// Offers a complete sequence with objective fo, produced from a node at `level`; it replaces
// the best solution only when fo < best_fo. Returns whether it did.
bool offer_solution(const int* seq, int fo, int level);

}  // namespace zemko
