// Sums along a parent's compacted priority lists from which each child's 21 list estimates
// follow in closed form, within a proven slack of the walked estimates, without a walk.
#pragma once

#include <vector>

#include "bounds/parent_lists.hpp"

namespace zemko {

// Below this many unscheduled jobs a parent's children walk their estimates: the walk is
// short, and the sums would cost more to build than they save.
inline constexpr int MIN_SUMMED_JOBS = 8;

// Per parent, for each list (lane): sums over its steps, laid out like ParentLists
// ([step * LIST_LANES + list]).
struct ListSums {
    int steps = 0;                   // m: the parent's unscheduled jobs
    std::vector<double> a_term;      // [k]: A(k) = w (P1 + p2) + (1 - w) P2 at step k
    std::vector<double> w_after;     // [k]: the sum of w beyond step k
    std::vector<double> w2_after;    // [k]: the sum of 1 - w beyond step k
    std::vector<double> lane_total;  // [LaneTotal * LIST_LANES + list]

    // Per list: the sums of w, of 1 - w and of A, the sum of the magnitudes of A's two terms,
    // and the factor that turns an estimate's magnitude into its slack.
    enum LaneTotal { W_TOTAL, W2_TOTAL, A_TOTAL, SCALE_TOTAL, SLACK_FACTOR, LANE_TOTALS };

    // Builds the sums of the parent whose lists are `lists`, from the run's entries.
    void build(const ParentLists& lists, const ListEntries& entries, int n_jobs);
};

// The estimates of one child: per list, the closed form and its slack. The walked estimate
// lies within slack of the closed form, and equals it where slack is 0.
struct SummedEstimates {
    double estimate[LIST_LANES];
    double slack[LIST_LANES];
};

// The estimates of parent + j, with the child's c1 and the machine-2 start start2 of its
// unscheduled jobs (as the list walk takes them).
void sum_child_estimates(const ListSums& sums, const ParentLists& lists, int j, int c1, int start2,
                         SummedEstimates& out);

// True when the slack holds for this run's weights (all in [0, 1]).
inline bool list_sums_apply(const ListEntries& entries) {
    return entries.weights_in_unit_range;
}

}  // namespace zemko
