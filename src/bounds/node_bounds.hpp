// The lower and upper bound of a node from the 21 priority lists, and bound_node, the one
// entry to the bounds that the search calls.
#pragma once

#include "schedule/node.hpp"

namespace zemko {

// Added to an estimate before truncation: rounds up, except for an excess below 1e-7.
inline constexpr double LB_ROUNDING = 0.9999999;

extern int list_ub;           // best objective among the 21 list completions of the last call
extern double list_estimate;  // the largest list estimate (E*) of the last call
extern int better_ub_count;   // bounds at which the greedy completion beat the list UB

// The integer bound of an estimate: c2sum + estimate rounded up, except that an excess below
// 1e-7 over an integer is dropped.
int lb_from_estimate(int c2sum, double estimate);

// Returns the LB of the node from the 21 list estimates; leaves the best list completion's
// objective in list_ub and offers that completion as a solution. The node is not changed.
int compute_list_bounds(const Node* node);

// Returns the LB and stores it in the node's lb; stores the UB in ub_out. With BetterUB the
// greedy completion competes for the UB too.
int bound_node(Node* node, int& ub_out);

}  // namespace zemko
