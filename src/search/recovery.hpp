// The recovery step: a local improvement of a partial sequence by three rearrangements of its
// end, accepted only when they dominate the sequence they replace.
#pragma once

#include "schedule/node.hpp"
#include "search/search_run.hpp"

namespace zemko {

// Tries, position by position, to move the node's last job forward or a job to the end; at
// the end of a pass the node is rebuilt from the last accepted rearrangement (lb becomes 0,
// ub is kept). With more_loops, passes repeat while they lower C2sum + MaxC2. Returns 1 when
// the node was rebuilt at least once, else 0 (node untouched). Counted in run.recoveries.
int recover_node(SearchRun& run, Node* node);

// The same step without counting the call, for work done away from the search's own thread.
int recover_in_place(const JobTable& table, int more_loops, Node* node);

}  // namespace zemko
