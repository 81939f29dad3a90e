// The selection tables: one row per parent of a level, in which that parent's bounded
// children are ranked by score, best first.
#pragma once

#include <cstdint>

#include "schedule/node.hpp"

namespace zemko {

// The largest beam the tables and the per-level working arrays are sized for.
inline constexpr int BEAM_SLOTS = 5000;
// The beam width used when Beam is larger than BEAM_SLOTS or ParetoBeam is set.
inline constexpr int CAPPED_BEAM = 4999;
// Marks the end of a row's ranks.
inline constexpr int END_OF_ROW = -1;

// Where a child comes from: its parent's position in the level and its job; parent -1 when
// unknown. A bounded child's arrays are filled in from its parent's snapshot only when the
// selection takes it.
struct ChildSource {
    int parent;
    int job;
    int filled;  // nonzero once the node holds its whole partial sequence
};

// Row p, n_jobs slots each:
extern Node*** child_nodes;         // [p][a]: the a-th child entered (a counts generation order)
extern int** child_rank;            // [p][r]: the child number of rank r; END_OF_ROW after the last
extern int64_t** child_score;       // [p][r]: the score of the child of rank r; -1 after the last
extern ChildSource** child_source;  // [p][a]: what child a still needs to be filled in
extern int selection_rows;          // rows allocated (the capped Beam), 0 while not allocated

// Caps Beam (ParetoBeam or Beam > 5000: 4999; below 1: 1, with a warning) and allocates Beam
// rows of n_jobs slots; on failure ends the process with the memory error. Returns 0.
int alloc_selection_tables();

// Frees the tables if they are allocated. Returns 0.
int free_selection_tables();

// Empties row p: no child, every rank and score END_OF_ROW, no source.
void reset_row(int p);

}  // namespace zemko
