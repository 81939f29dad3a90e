// Child generation: the children of every parent of the current beam, one per unscheduled job
// that the dominance tests let through, either completed on the spot or bounded and ranked
// into the parent's row of the selection tables.
#pragma once

#include <cstdint>

#include "schedule/node.hpp"
#include "search/search_run.hpp"

namespace zemko {

// A child's score from its bounds, alpha*UB + (100-alpha)*LB; lower is better.
int64_t child_score_of(int alpha, int lb, int ub);

// Enters child number `a` with `score` into row `row`, after every child of lower or equal
// score (rows hold children by ascending score, ties in generation order).
void rank_child(SearchRun& run, int row, int a, int64_t score);

// Pops every parent of the current beam, in order, and expands parent p into row p: each
// child is either completed (one job left: recovered, offered, released) or bounded, scored
// and ranked. Parents go back to storage after their expansion. Returns the number of children
// generated, completed ones included, and the number of parents in n_parents.
int expand_current_beam(SearchRun& run, int& n_parents);

// Forgets what the last level left for the next one (at the start of a run).
void forget_previous_level(SearchRun& run);

// Tells child generation which children the selection kept, in the order kept (their
// sources from child_source), so that the next level can start from their parents' lists.
void remember_kept_children(SearchRun& run, const ChildSource* kept_from, int n_kept);

// The node of child a of row p, ready for use: bounded children are filled in only when the
// selection takes it.
Node* child_node(SearchRun& run, int p, int a);

}  // namespace zemko
