// The exact search's workers side by side: the first tasks, partial sequences of a few jobs in
// the order one search would reach them, and the workers that take them in turn and hand their
// untried children on to a waiting worker.
#pragma once

#include <vector>

#include "exact/depth_first_search.hpp"

namespace zemko {

// The search below `root` by `workers` workers side by side from the sequence `start`; fills
// the root's best, nodes, stop and open bound as one search would.
void search_side_by_side(Search& root, const std::vector<int>& start, int workers,
                         MemoryBudget* memory);

}  // namespace zemko
