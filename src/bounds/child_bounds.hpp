// The bounds of a child (a parent node with one more job) computed from the parent's own
// compacted priority lists, all 21 lists side by side. It gives exactly what bound_node gives
// for the child: the same LB, list UB, best list and greedy completion.
#pragma once

#include <cstddef>
#include <vector>

#include "bounds/priority_lists.hpp"
#include "input/jobs.hpp"
#include "schedule/node.hpp"

namespace zemko {

// The 21 lists are processed in lanes; the lanes beyond the last list are padding.
inline constexpr int LIST_LANES = 24;

// Prepares, once per run after the priority lists are built, the list entries that
// ParentLists::fill copies from, and the facts the list sums rely on. Returns 0.
int build_list_entries();

// A parent's unscheduled jobs in the order of each list, laid out step by step across the
// lanes ([step * LIST_LANES + list]), with the times and weights each step reads.
struct ParentLists {
    int unscheduled = 0;      // m: the parent's unscheduled jobs, the steps of every list
    int* p1 = nullptr;        // its p1
    int* p2 = nullptr;        // its p2
    double* w = nullptr;      // its weight in that list
    int* position = nullptr;  // [job * LIST_LANES + list]: the step of an unscheduled job
    int* by_p1 = nullptr;     // the unscheduled jobs in the order of order_p1
    int laid_out_for = -1;    // the n_jobs the arrays are laid out for

    ParentLists() = default;
    ParentLists(const ParentLists&) = delete;
    ParentLists& operator=(const ParentLists&) = delete;

    // Bytes of storage the arrays take for the run's n_jobs (a multiple of 64).
    static size_t bytes_needed();
    // Lays the arrays out for the run's n_jobs in `storage`, bytes_needed() bytes aligned to
    // 64 that outlive the lists.
    void place(char* storage);
    // Lays the arrays out in storage of its own, unless they are laid out for the run's n_jobs
    // already; fill and derive call it.
    void reserve();
    // Builds the compacted lists of parent.
    void fill(const Node* parent);
    // Builds the lists of a node whose unscheduled jobs are those of `from` without job j:
    // the same as fill on such a node, from `from` in one pass.
    void derive(const ParentLists& from, int j);

  private:
    std::vector<double> own_;  // the storage of its own, when it has one
};

// What bound_node gives for a child, and the facts the search needs to replay its effects.
struct ChildBound {
    int lb;         // the LB, as bound_node returns it
    int list_ub;    // the best objective among the 21 list completions
    int best_list;  // the first list that gives list_ub
    int greedy;     // the greedy completion's objective (with BetterUB only)
};

// The child's machine times after appending job j to parent.
struct ChildTimes {
    int c1;
    int c2;
    int c2sum;
};
inline ChildTimes child_times(const Node* parent, int j) {
    ChildTimes t;
    t.c1 = parent->c1 + jobs[j].p1;
    t.c2 = imax(parent->c2, t.c1) + jobs[j].p2;
    t.c2sum = parent->c2sum + t.c2;
    return t;
}

struct ListSums;

// The walks come in one compiled form per instruction set, all giving the same bits: 0 SSE2,
// 1 AVX2, 2 AVX-512. The widest the processor runs is chosen at start; use_vector_level
// chooses another (no wider than that one) and returns the level in use, so that tests can
// check every form the processor runs.
int use_vector_level(int level);
int widest_vector_form();

// The LB and list UB of parent + j, computed from the parent's lists by walking them; returns
// E*, the largest list estimate, as bound_node finds it. Reads the run's tables only.
double bound_child_by_walk(const ParentLists& lists, const Node* parent, int j, ChildBound& out);

// The same LB and list UB from the parent's list sums when `sums` is not null (built from
// `lists`), walking the lists only when the closed form cannot settle the LB.
void bound_child(const ParentLists& lists, const ListSums* sums, const Node* parent, int j,
                 ChildBound& out);

// The greedy completion of parent + j: its objective; the sequence (all n_jobs positions) is
// written to seq when seq is not null.
int greedy_child(const ParentLists& lists, const Node* parent, int j, int* seq);

// The complete sequence of list l for parent + j: the parent's prefix, j, then the other
// unscheduled jobs in list l's order.
void list_completion(const Node* parent, int j, int l, int* seq);

}  // namespace zemko
