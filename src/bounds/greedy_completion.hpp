// The greedy completion heuristic: appends the unscheduled jobs one by one, each chosen by a
// two-job look-ahead over the jobs in ascending p1 order.
#pragma once

#include "schedule/node.hpp"

namespace zemko {

// Completes the node's partial sequence (the node is not changed), offers the result as a
// solution and returns its objective.
int greedy_completion(const Node* node);

}  // namespace zemko
