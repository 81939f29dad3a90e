// The selection tables: one row per parent of a level, in which that parent's bounded
// children are ranked by score, best first.
#pragma once

#include <cstdint>

#include "schedule/node.hpp"
#include "util/memory_budget.hpp"

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

// Row p, n_jobs slots each.
struct SelectionTables {
    SelectionTables() = default;
    SelectionTables(const SelectionTables&) = delete;
    SelectionTables& operator=(const SelectionTables&) = delete;
    ~SelectionTables();

    Node*** child_nodes = nullptr;  // [p][a]: the a-th child entered (a counts generation order)
    int** child_rank = nullptr;     // [p][r]: the child number of rank r; END_OF_ROW after the last
    int64_t** child_score = nullptr;  // [p][r]: the score of the child of rank r; -1 after the last
    ChildSource** child_source = nullptr;  // [p][a]: what child a still needs to be filled in
    int rows = 0;                          // rows allocated
    int n_jobs = 0;                        // slots per row
};

// Allocates `rows` rows of n_jobs slots, counted in the budget; throws MemoryError when the
// memory is refused or the budget would be passed (what was obtained is freed with the tables).
void alloc_selection_tables(SelectionTables& tables, int rows, int n_jobs, MemoryBudget& budget);

// Frees the tables if they are allocated. Returns 0.
int free_selection_tables(SelectionTables& tables);

// Empties row p: no child, every rank and score END_OF_ROW, no source.
void reset_row(SelectionTables& tables, int p);

}  // namespace zemko
