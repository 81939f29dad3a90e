// Beam selection.
#include "search/beam_selection.hpp"

#include <cstring>
#include <vector>

#include "schedule/node_storage.hpp"
#include "search/child_generation.hpp"
#include "search/recovery.hpp"

namespace zemko {

namespace {

void print_seq(const Transcript& out, const Node* node) {
    for (int i = 0; i < node->level; ++i)
        say(out, "%d,", node->seq[i]);
}

bool trace(const SearchRun& run) {
    return run.settings.output == 1;
}

// The child number of parent p's best child not yet taken, or END_OF_ROW; advances the cursor.
int take_next_rank(SearchRun& run, int p) {
    int* cursor = run.selection.cursor;
    if (cursor[p] >= run.table.n_jobs) return END_OF_ROW;
    int r = run.tables.child_rank[p][cursor[p]];
    if (r != END_OF_ROW) cursor[p] += 1;
    return r;
}

// The recovery step of the children that the selection is expected to take, done ahead on
// all threads: the first Beam children in the order of the sweeps (every parent's best, then
// every parent's second, ...). The step depends on the node alone, so its outcome is the same
// whenever it runs; the selection counts it when it takes the child, as if it ran then. With
// the trace on, the child is printed before its recovery, so nothing is done ahead.
void recover_ahead(SearchRun& run, int n_parents) {
    RecoveredAhead& ahead = run.selection.ahead;
    const int n_jobs = run.table.n_jobs;
    const int beam = run.settings.beam;
    ahead.cells.clear();
    if (run.settings.recovery_step == 0 || trace(run) || n_parents == 0) return;
    const size_t cells = static_cast<size_t>(n_parents) * n_jobs;
    if (ahead.outcome.size() < cells) ahead.outcome.resize(cells, -1);
    // A row ends at its first END_OF_ROW (what follows it is not part of the row).
    ahead.row_open.assign(n_parents, 1);
    for (int rank = 0; rank < n_jobs && static_cast<int>(ahead.cells.size()) < beam; ++rank) {
        bool any = false;
        for (int p = 0; p < n_parents && static_cast<int>(ahead.cells.size()) < beam; ++p) {
            if (!ahead.row_open[p]) continue;
            if (run.tables.child_rank[p][rank] == END_OF_ROW) {
                ahead.row_open[p] = 0;
                continue;
            }
            ahead.cells.push_back(p * n_jobs + rank);
            any = true;
        }
        if (!any) break;
    }
    // The children's arrays come from the storage, which only this thread may touch.
    for (int cell : ahead.cells) {
        const int p = cell / n_jobs;
        attach_arrays(run.storage,
                      run.tables.child_nodes[p][run.tables.child_rank[p][cell % n_jobs]]);
    }
    run.context.pool.run(static_cast<int>(ahead.cells.size()), [&](int i, int) {
        const int cell = ahead.cells[i];
        const int p = cell / n_jobs;
        Node* node = child_node(run, p, run.tables.child_rank[p][cell % n_jobs]);
        ahead.outcome[cell] =
            static_cast<signed char>(recover_in_place(run.table, run.settings.more_loops, node));
    });
}

// The recovery step of the child of rank `rank` of parent p, taken by the selection.
int recover_taken(SearchRun& run, Node* node, int p, int rank) {
    RecoveredAhead& ahead = run.selection.ahead;
    if (ahead.cells.empty()) return recover_node(run, node);
    signed char& done = ahead.outcome[static_cast<size_t>(p) * run.table.n_jobs + rank];
    if (done < 0) return recover_node(run, node);
    const int changed = done;
    done = -1;
    run.recoveries += 1;
    return changed;
}

bool dominated_by_kept(const SearchRun& run, const Node* node, Node* const* kept_nodes,
                       int n_kept) {
    for (int k = 0; k < n_kept; ++k)
        if (node_dominates(run, node, kept_nodes[k])) return true;
    return false;
}

}  // namespace

int select_next_beam(SearchRun& run, int n_parents, Node** kept_nodes, ChildSource* kept_from) {
    const Transcript& out = run.out;
    const int beam = run.settings.beam;
    for (int p = 0; p < n_parents; ++p)
        run.selection.cursor[p] = 0;
    int n_kept = 0;
    if (beam == 0) return 0;
    recover_ahead(run, n_parents);
    bool kept_in_sweep = true;
    while (kept_in_sweep && n_kept < beam) {
        kept_in_sweep = false;
        for (int p = 0; p < n_parents && n_kept < beam; ++p) {
            const int rank = run.selection.cursor[p];
            const int r = take_next_rank(run, p);
            if (r == END_OF_ROW) continue;
            Node* node = child_node(run, p, r);
            if (trace(run)) {
                say(out, "\n");
                print_seq(out, node);
                say(out, "(C2sum,MaxC2=%d,%d)", node->c2sum, node->c2);
                say(out, "(LB,UB=%d,%d)", node->lb, node->ub);
            }
            if (run.settings.recovery_step != 0 && recover_taken(run, node, p, rank) &&
                trace(run)) {
                say(out, " modified by dominance : \n");
                print_seq(out, node);
                say(out, "(%d,%d)", node->c2sum, node->c2);
            }
            if (dominated_by_kept(run, node, kept_nodes, n_kept)) {
                if (trace(run)) say(out, " Dominated.\n");
                release_node(run.storage, node);
                continue;
            }
            kept_in_sweep = true;
            if (trace(run)) say(out, "Kept.\n");
            if (kept_from) kept_from[n_kept] = run.tables.child_source[p][r];
            kept_nodes[n_kept++] = node;
            run.end_level = node->level;
        }
    }
    for (int cell : run.selection.ahead.cells)
        run.selection.ahead.outcome[cell] = -1;
    return n_kept;
}

void release_untaken_children(SearchRun& run, int n_parents) {
    for (int p = 0; p < n_parents; ++p)
        for (int r; (r = take_next_rank(run, p)) != END_OF_ROW;)
            release_node(run.storage, run.tables.child_nodes[p][r]);
}

int node_dominates(const SearchRun& run, const Node* candidate, const Node* kept_node) {
    if (run.settings.pareto_beam == 1) {
        bool lb_no_better = candidate->lb >= kept_node->lb;
        bool lb_worse = candidate->lb > kept_node->lb;
        bool ub_no_better = candidate->ub >= kept_node->ub;
        bool ub_worse = candidate->ub > kept_node->ub;
        if ((lb_no_better && ub_worse) || (lb_worse && ub_no_better)) return 1;
    }
    if (std::memcmp(candidate->unscheduled, kept_node->unscheduled,
                    sizeof(int) * run.table.n_jobs) != 0)
        return 0;
    return (candidate->c2 >= kept_node->c2 && candidate->c2sum >= kept_node->c2sum) ? 1 : 0;
}

int expand_level(SearchRun& run) {
    SelectionState& selection = run.selection;
    int n_parents = 0;
    int total = expand_current_beam(run, n_parents);
    int n_kept = select_next_beam(run, n_parents, selection.kept, selection.kept_from);
    remember_kept_children(run, selection.kept_from, n_kept);
    if (n_kept > run.max_beam) run.max_beam = n_kept;
    for (int k = 0; k < n_kept; ++k)
        push_beam_node(run.storage, selection.kept[k]);
    release_untaken_children(run, n_parents);
    return total;
}

}  // namespace zemko
