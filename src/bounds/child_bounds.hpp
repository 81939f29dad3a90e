// The bounds of a child (a parent node with one more job) computed from the parent's own
// compacted priority lists. It gives exactly what bound_node gives for the child: the same LB,
// list UB, best list and greedy completion.
#pragma once

#include "bounds/bounds_run.hpp"
#include "bounds/list_sums.hpp"
#include "bounds/parent_lists.hpp"
#include "schedule/node.hpp"

namespace zemko {

// What bound_node gives for a child, and the facts the search needs to replay its effects.
struct ChildBound {
    int lb;         // the LB, as bound_node returns it
    int list_ub;    // the best objective among the 21 list completions
    int best_list;  // the first list that gives list_ub
    int greedy;     // the greedy completion's objective (with better_ub only)
};

// The child's machine times after appending job j to parent.
struct ChildTimes {
    int c1;
    int c2;
    int c2sum;
};
inline ChildTimes child_times(const Job* jobs, const Node* parent, int j) {
    ChildTimes t;
    t.c1 = parent->c1 + jobs[j].p1;
    t.c2 = imax(parent->c2, t.c1) + jobs[j].p2;
    t.c2sum = parent->c2sum + t.c2;
    return t;
}

// The LB and list UB of parent + j, computed from the parent's lists by walking them; returns
// E*, the largest list estimate, as bound_node finds it. Reads the run's tables only.
double bound_child_by_walk(const BoundsRun& run, const ParentLists& lists, const Node* parent,
                           int j, ChildBound& out);

// The same LB and list UB from the parent's list sums when `sums` is not null (built from
// `lists`), walking the lists only when the closed form cannot settle the LB.
void bound_child(const BoundsRun& run, const ParentLists& lists, const ListSums* sums,
                 const Node* parent, int j, ChildBound& out);

// The greedy completion of parent + j: its objective; the sequence (all n_jobs positions) is
// written to seq when seq is not null.
int greedy_child(const BoundsRun& run, const ParentLists& lists, const Node* parent, int j,
                 int* seq);

// The complete sequence of list l for parent + j: the parent's prefix, j, then the other
// unscheduled jobs in list l's order.
void list_completion(const BoundsRun& run, const Node* parent, int j, int l, int* seq);

}  // namespace zemko
