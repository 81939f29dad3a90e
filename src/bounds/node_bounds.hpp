// The lower and upper bound of a node from the 21 priority lists, and bound_node, the one
// entry to the bounds that the search calls.
#pragma once

#include "bounds/bounds_run.hpp"
#include "schedule/node.hpp"

namespace zemko {

// Added to an estimate before truncation: rounds up, except for an excess below 1e-7.
inline constexpr double LB_ROUNDING = 0.9999999;

// The integer bound of an estimate: c2sum + estimate rounded up, except that an excess below
// 1e-7 over an integer is dropped.
inline int lb_from_estimate(int c2sum, double estimate) {
    return static_cast<int>(c2sum + estimate + LB_ROUNDING);
}

// What the list pass gives for a node.
struct ListBounds {
    int lb;           // the LB from the largest of the 21 list estimates
    int list_ub;      // the best objective among the 21 list completions
    double estimate;  // the largest list estimate, E*
};

// The bounds of the node from the 21 lists; the best list completion is offered as a solution.
// The node is not changed.
ListBounds compute_list_bounds(BoundsRun& run, const Node* node);

// Returns the LB and stores it in the node's lb; stores the UB in ub_out. With better_ub the
// greedy completion competes for the UB too.
int bound_node(BoundsRun& run, Node* node, int& ub_out);

}  // namespace zemko
