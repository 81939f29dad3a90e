// The three tests that keep a job from being branched on from a node, and the job-pair
// relation dom_matrix that the first of them reads.
#pragma once

#include "bounds/priority_lists.hpp"
#include "input/jobs.hpp"
#include "schedule/node.hpp"

namespace zemko {

// The job-pair relation of the first test: matrix[i][k] is 1 when job i may dominate job k:
// i != k, p1(i) <= p1(k), p2(i) >= p2(k).
struct DominanceMatrix {
    int matrix[MAX_JOBS][MAX_JOBS];
};

int build_dominance_matrix(const JobTable& table, DominanceMatrix& dom);

// Nonzero: an unscheduled job i with dom_matrix[i][j] would end on machine 2 no later than j
// if scheduled next (of identical jobs only the lowest index survives).
int skip_by_pair_rule(const JobTable& table, const DominanceMatrix& dom, const Node* node, int j);

// Nonzero: one unscheduled job is the shortest on both machines and no longer on machine 1
// than on machine 2, and j is another job.
int skip_by_min_job_rule(const JobTable& table, const Node* node, int j);

// Nonzero (only with filter set): another unscheduled job is no longer than j on either
// machine.
int skip_by_filter_rule(const JobTable& table, int filter, const Node* node, int j);

// The jobs that pass the three tests from node, by ascending index, into children; returns
// their number. Gives exactly the jobs j for which the three tests above are all 0.
// (The jobs in order_p1 order guide the tests; filter is the setting.)
int list_children(const JobTable& table, const PriorityLists& lists, int filter, const Node* node,
                  int* children);

}  // namespace zemko
