// The state of one run of the beam search: what the bounds use, the dominance matrix, the node
// storage, the selection tables, what a level leaves for the next and the counters. The
// solve's budget, threads, limits and transcript are borrowed from its context. Every
// operation of the search takes the run it works on.
#pragma once

#include <memory>
#include <vector>

#include "bounds/bounds_run.hpp"
#include "schedule/node_storage.hpp"
#include "search/beam_pace.hpp"
#include "search/dominance_rules.hpp"
#include "search/selection_tables.hpp"
#include "util/solve_context.hpp"

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
    // The run prints to the context's transcript.
    explicit SearchRun(SolveContext& context);
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;
    ~SearchRun();

    SolveContext& context;  // the solve's budget, threads, limits, start and progress hook
    DominanceMatrix dom;
    NodeStorage storage;
    SelectionTables tables;
    std::unique_ptr<LevelState> level;  // what child generation keeps from level to level
    SelectionState selection;

    int bounds_computed = 0;  // children generated over all levels
    int recoveries = 0;       // calls of the recovery step
    int max_beam = 0;         // the most nodes kept at any level
    int end_level = 0;        // level of the node most recently kept
    int root_lb = 0;          // the bounds of the root, as printed
    int root_ub = 0;
    BeamPace pace;  // the time the search should end by, under a time limit
};

// A run with a solve context of its own, for what drives the search's steps outside a solve:
// the tests and the benchmarks of its parts.
struct OwnSolveContext {
    SolveContext own_context;
};
struct StandaloneRun : OwnSolveContext, SearchRun {
    StandaloneRun() : SearchRun(own_context) {}
};

// Tells the solve's progress hook, if it has one, where the search stands: the level being
// expanded and the nodes in its beam.
void report_progress(const SearchRun& run, int level, int beam_nodes);

}  // namespace zemko
