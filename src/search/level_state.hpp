// What child generation keeps while it expands a level and from one level to the next: copies
// of the parents, their compacted lists (which the next level derives its own from), the
// per-parent work of a chunk and per-thread scratch.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "bounds/child_bounds.hpp"
#include "bounds/list_sums.hpp"
#include "bounds/parent_lists.hpp"
#include "schedule/node.hpp"
#include "search/selection_tables.hpp"
#include "util/mapped_block.hpp"
#include "util/memory_budget.hpp"

namespace zemko {

inline constexpr int CHUNK_PARENTS = 64;  // parents whose lists are held at once
// The lists of a level's parents. A parent of the next level is a child of one of them with
// the same unscheduled jobs but one, so its lists are derived from its parent's in one pass
// instead of being filled from the whole lists, as long as the lists of a whole level fit in
// LISTS_BUDGET bytes; otherwise each chunk of parents fills its own.
inline constexpr size_t LISTS_BUDGET = size_t{64} << 20;

// Copies of the parents of the level, the source of their children's arrays.
struct ParentSnapshots {
    std::vector<int> storage;
    std::vector<Node> nodes;
    int capacity = 0;
    int stride = 0;

    Node* at(int p) { return &nodes[p]; }
    // Room for count snapshots of n_jobs jobs (their contents are not kept), counted in the
    // budget.
    void ensure(int count, int n_jobs, MemoryBudget& budget);
};

// What the bounding step computed for one child.
struct ChildResult {
    ChildBound bound;     // a bounded child's bounds
    int completed_c2sum;  // a completed child's objective
};

// One parent of the chunk: its children, their results and its lists.
struct ParentWork {
    int n_children;                    // children generated
    bool completes;                    // its children have one job left and are completed
    std::vector<int> children;         // the jobs of its children, by ascending index
    std::vector<ChildResult> results;  // per child, what the bounding step computed
    std::vector<int> sequences;        // per completed child, its sequence (n_jobs entries)
    ParentLists* lists;                // its compacted lists (when its children are bounded)
    ListSums* sums;                    // the sums of its lists, or null when its children walk them
};

// The lists of a table's parents side by side in one mapped block, which is sized once per run
// for as many parents as a whole level's lists may have (no more than the beam holds, so that
// the run's address space stays near what it uses).
struct ListsTable {
    std::vector<std::unique_ptr<ParentLists>> lists;  // by parent
    MappedBlock block;
    size_t stride = 0;  // bytes per parent in the block, for the run's n_jobs

    // The lists of parent p (p < most_parents), laid out for n_jobs jobs, a new slot counted in
    // the budget; throws MemoryError when the block cannot be mapped or the budget would be
    // passed.
    ParentLists* slot(int p, int n_jobs, int most_parents, MemoryBudget& budget);
};

struct LevelLists {
    ListsTable now;     // this level's, by parent
    ListsTable before;  // the previous level's, by parent
    ListsTable chunk;   // a chunk's, when a level's do not fit
    ListsTable* now_lists = &now;
    ListsTable* before_lists = &before;
    bool whole_level = false;               // now holds the lists of every parent of this level
    bool before_whole_level = false;        // before does, for the previous level
    std::vector<ChildSource> origins;       // per parent of this level: its parent and job
    std::vector<ChildSource> next_origins;  // the same for the next level, in kept order
};

struct LevelState {
    ParentSnapshots parents;
    LevelLists lists;
    ParentWork work[CHUNK_PARENTS];
    std::vector<int> child_parent;  // per child of the chunk: its parent (chunk index)
    std::vector<int> child_number;  // per child of the chunk: its place among its parent's
    std::vector<std::unique_ptr<NodeBuffer>> scratch;  // one working node per thread
    std::vector<std::unique_ptr<ListSums>> sums;       // list sums, by thread or by parent
    std::vector<int> offer_seq;                        // a sequence being offered
    std::vector<Node*> popped;  // the parents of the level, in the order popped
};

}  // namespace zemko
