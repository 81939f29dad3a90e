// The greedy completion heuristic: appends the unscheduled jobs one by one, each chosen by a
// two-job look-ahead over the jobs in ascending p1 order.
#pragma once

#include "bounds/bounds_run.hpp"
#include "schedule/node.hpp"

namespace zemko {

// The sum of the two machine-2 completion times when job `first`, then job `second`, follow
// machine completion times (r1, r2): the look-ahead that decides each step.
inline int pair_cost(const Job* jobs, int first, int second, int r1, int r2) {
    const Job& a = jobs[first];
    const Job& b = jobs[second];
    int a_done = imax(r1 + a.p1, r2) + a.p2;
    int b_done = imax(r1 + a.p1 + b.p1, a_done) + b.p2;
    return a_done + b_done;
}

// Completes the node's partial sequence (the node is not changed), offers the result as a
// solution and returns its objective.
int greedy_completion(BoundsRun& run, const Node* node);

}  // namespace zemko
