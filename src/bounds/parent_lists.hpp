// A parent's priority lists compacted to its unscheduled jobs, all 21 lists side by side, from
// which the bounds of its children are computed; and the per-run list entries they come from.
#pragma once

#include <cstddef>
#include <vector>

#include "bounds/priority_lists.hpp"
#include "schedule/node.hpp"

namespace zemko {

// The 21 lists are processed in lanes; the lanes beyond the last list are padding.
inline constexpr int LIST_LANES = 24;

// Each list in its own order with the times and weights its walk reads, for the run, and what
// the list sums need to know of the weights.
struct ListEntries {
    int p1[NUM_LISTS][MAX_JOBS];
    int p2[NUM_LISTS][MAX_JOBS];
    double w[NUM_LISTS][MAX_JOBS];
    bool weights_in_unit_range = true;  // every weight is in [0, 1]
    bool exact_weights[LIST_LANES]{};   // the list's weights are all 0, 1/2 or 1
};

// Prepares the entries once per run, after the priority lists are built. Returns 0.
int build_list_entries(const JobTable& table, const PriorityLists& lists, ListEntries& entries);

struct BoundsRun;

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

    // Bytes of storage the arrays take for n_jobs jobs (a multiple of 64).
    static size_t bytes_needed(int n_jobs);
    // Lays the arrays out for n_jobs jobs in `storage`, bytes_needed() bytes aligned to 64
    // that outlive the lists.
    void place(char* storage, int n_jobs);
    // Lays the arrays out in storage of its own, unless they are laid out for n_jobs already;
    // fill and derive call it.
    void reserve(int n_jobs);
    // Builds the compacted lists of parent.
    void fill(const BoundsRun& run, const Node* parent);
    // Builds the lists of a node whose unscheduled jobs are those of `from` without job j:
    // the same as fill on such a node, from `from` in one pass.
    void derive(const BoundsRun& run, const ParentLists& from, int j);

  private:
    std::vector<double> own_;  // the storage of its own, when it has one
};

}  // namespace zemko
