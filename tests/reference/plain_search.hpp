// The plain forms of the search's fast paths, kept as the reference they must agree with:
// child generation one child at a time with bound_node, a whole level built on it, and the
// recovery step with its prefix sums recomputed at every position.
#pragma once

#include "schedule/node.hpp"
#include "search/search_run.hpp"

namespace zemko_reference {

// The recovery step, counted in the run's recoveries.
int recover_node_plain(zemko::SearchRun& run, zemko::Node* node);

// Generates the children of parent into row `row` (reset beforehand), completing those with one
// job left and bounding and ranking the others; returns the number generated.
int expand_node_plain(zemko::SearchRun& run, const zemko::Node* parent, int row);

// One level of the search with the plain child generation.
int expand_level_plain(zemko::SearchRun& run);

}  // namespace zemko_reference
