// One level of the beam search: expanding every node of the current beam and selecting the
// next beam from the ranked children in sweeps over the parents.
#pragma once

#include "schedule/node.hpp"

namespace zemko {

extern int max_beam;   // the most nodes kept at any level
extern int end_level;  // level of the node most recently kept

// Nonzero when `kept` dominates `candidate`: with ParetoBeam exactly 1 by their (LB, UB);
// otherwise, or failing that, when both schedule the same jobs and the candidate ends no
// earlier on machine 2 with no smaller C2sum.
int node_dominates(const Node* candidate, const Node* kept);

// Expands the current beam and pushes the next one. Returns the number of children generated.
int expand_level();

}  // namespace zemko
