// One level of the beam search: expanding every node of the current beam and selecting the
// next beam from the ranked children in sweeps over the parents.
#pragma once

#include "schedule/node.hpp"
#include "search/selection_tables.hpp"

namespace zemko {

extern int max_beam;   // the most nodes kept at any level
extern int end_level;  // level of the node most recently kept

// Nonzero when `kept` dominates `candidate`: with ParetoBeam exactly 1 by their (LB, UB);
// otherwise, or failing that, when both schedule the same jobs and the candidate ends no
// earlier on machine 2 with no smaller C2sum.
int node_dominates(const Node* candidate, const Node* kept);

// Selects the next beam from the rows of n_parents parents: sweeps over the parents, each
// taking a parent's best remaining child (recovered when RecoveryStep is set, released when a
// kept node dominates it), until Beam nodes are kept or a sweep keeps nothing. The kept nodes
// are left in the order chosen in kept_nodes, and where each came from in kept_from when it
// is not null; returns how many.
int select_next_beam(int n_parents, Node** kept_nodes, ChildSource* kept_from = nullptr);

// Releases the children that the selection did not take, row by row, best first.
void release_untaken_children(int n_parents);

// Expands the current beam and pushes the next one. Returns the number of children generated.
int expand_level();

}  // namespace zemko
