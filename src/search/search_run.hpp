// The state of one run of the beam search: what the bounds use, the dominance matrix, the node
// storage, the selection tables, what a level leaves for the next, the counters and the
// worker threads. Every operation of the search takes the run it works on.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include <zemko/zemko.hpp>

#include "bounds/bounds_run.hpp"
#include "schedule/node_storage.hpp"
#include "search/beam_pace.hpp"
#include "search/dominance_rules.hpp"
#include "search/selection_tables.hpp"
#include "util/limits.hpp"
#include "util/memory_budget.hpp"
#include "util/thread_pool.hpp"

namespace zemko {

struct LevelState;

// The recovery step of the children that the selection is expected to take, done ahead on
// all threads (beam_selection).
struct RecoveredAhead {
    std::vector<int> cells;            // p * n_jobs + rank of the children done ahead
    std::vector<signed char> outcome;  // per cell: -1 not done ahead, else the step's result
    std::vector<char> row_open;        // per parent: its row has not ended yet
};

// The working arrays of one selection.
struct SelectionState {
    Node* kept[BEAM_SLOTS];             // nodes chosen for the next beam, in the order chosen
    ChildSource kept_from[BEAM_SLOTS];  // where each of them came from
    int cursor[BEAM_SLOTS];             // per parent: rank of the next child to take from its row
    RecoveredAhead ahead;
};

struct SearchRun : BoundsRun {
    SearchRun();
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;
    ~SearchRun();

    MemoryBudget budget;  // the memory the run may take and has taken
    DominanceMatrix dom;
    NodeStorage storage;
    SelectionTables tables;
    std::unique_ptr<LevelState> level;  // what child generation keeps from level to level
    SelectionState selection;
    ThreadPool pool;

    int bounds_computed = 0;  // children generated over all levels
    int recoveries = 0;       // calls of the recovery step
    int max_beam = 0;         // the most nodes kept at any level
    int end_level = 0;        // level of the node most recently kept
    int root_lb = 0;          // the bounds of the root, as printed
    int root_ub = 0;
    Limits limits;  // the stop flag raised from outside and the deadline, if any
    BeamPace pace;  // the time the search should end by, under a time limit
    std::function<void(const Progress&)> progress;  // told where the search stands, if set
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// Tells the run's progress hook, if it has one, where the search stands: the level being
// expanded and the nodes in its beam.
void report_progress(const SearchRun& run, int level, int beam_nodes);

}  // namespace zemko
