// One level of the beam search: expanding every node of the current beam and selecting the
// next beam from the ranked children in sweeps over the parents.
#pragma once

#include "schedule/node.hpp"
#include "search/search_run.hpp"

namespace zemko {

// Nonzero when `kept` dominates `candidate`: with pareto_beam exactly 1 by their (LB, UB);
// otherwise, or failing that, when both schedule the same jobs and the candidate ends no
// earlier on machine 2 with no smaller C2sum.
int node_dominates(const SearchRun& run, const Node* candidate, const Node* kept);

// Selects the next beam from the rows of n_parents parents: sweeps over the parents, each
// taking a parent's best remaining child (recovered when recovery_step is set, released when a
// kept node dominates it), until the beam width is reached or a sweep keeps nothing. The kept
// nodes are left in the order chosen in kept_nodes, and where each came from in kept_from when
// it is not null; returns how many.
int select_next_beam(SearchRun& run, int n_parents, Node** kept_nodes,
                     ChildSource* kept_from = nullptr);

// Releases the children that the selection did not take, row by row, best first.
void release_untaken_children(SearchRun& run, int n_parents);

// Expands the current beam and pushes the next one. Returns the number of children generated.
int expand_level(SearchRun& run);

}  // namespace zemko
