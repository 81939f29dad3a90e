// Child generation: a node's children, one per unscheduled job that the dominance tests let
// through, either completed on the spot or bounded and ranked into a row of the selection
// tables.
#pragma once

#include <cstdint>

#include "schedule/node.hpp"

namespace zemko {

// A child's score from its bounds, ALPHA*UB + (100-ALPHA)*LB; lower is better.
int64_t child_score_of(int lb, int ub);

// Enters child number `a` with `score` into row `row`, after every child of lower or equal
// score (rows hold children by ascending score, ties in generation order).
void rank_child(int row, int a, int64_t score);

// Generates the children of parent into row `row` (which must have been reset). A child with
// one job left is completed, recovered twice, offered as a solution and released. Returns the
// number of children generated, completed ones included. The parent is not changed.
int expand_node(const Node* parent, int row);

}  // namespace zemko
