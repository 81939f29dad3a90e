// The greedy completion heuristic: appends the unscheduled jobs one by one, each chosen by a
// two-job look-ahead over the jobs in ascending p1 order.
#pragma once

#include "schedule/node.hpp"

namespace zemko {

// The sum of the two machine-2 completion times when job `first`, then job `second`, follow
// machine completion times (r1, r2): the look-ahead that decides each step.
int pair_cost(int first, int second, int r1, int r2);

// Completes the node's partial sequence (the node is not changed), offers the result as a
// solution and returns its objective.
int greedy_completion(const Node* node);

}  // namespace zemko
