// Beam selection.
#include "search/beam_selection.hpp"

#include <cstdio>
#include <cstring>
#include <vector>

#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/node_storage.hpp"
#include "search/child_generation.hpp"
#include "search/recovery.hpp"
#include "search/selection_tables.hpp"
#include "search/thread_pool.hpp"

namespace zemko {

int max_beam = 0;
int end_level = 0;

namespace {

Node* kept[BEAM_SLOTS];             // nodes chosen for the next beam, in the order chosen
ChildSource kept_from[BEAM_SLOTS];  // where each of them came from
int cursor[BEAM_SLOTS];             // per parent: rank of the next child to take from its row

void print_seq(const Node* node) {
    for (int i = 0; i < node->level; ++i)
        std::printf("%d,", node->seq[i]);
}

bool trace() {
    return OUTPUT == 1;
}

// The child number of parent p's best child not yet taken, or END_OF_ROW; advances the cursor.
int take_next_rank(int p) {
    if (cursor[p] >= n_jobs) return END_OF_ROW;
    int r = child_rank[p][cursor[p]];
    if (r != END_OF_ROW) cursor[p] += 1;
    return r;
}

// The recovery step of the children that the selection is expected to take, done ahead on
// all threads: the first Beam children in the order of the sweeps (every parent's best, then
// every parent's second, ...). The step depends on the node alone, so its outcome is the same
// whenever it runs; the selection counts it when it takes the child, as if it ran then. With
// the trace on, the child is printed before its recovery, so nothing is done ahead.
struct RecoveredAhead {
    std::vector<int> cells;            // p * n_jobs + rank of the children done ahead
    std::vector<signed char> outcome;  // per cell: -1 not done ahead, else the step's result
    std::vector<char> row_open;        // per parent: its row has not ended yet
} ahead;

void recover_ahead(int n_parents) {
    ahead.cells.clear();
    if (RecoveryStep == 0 || trace() || n_parents == 0) return;
    const size_t cells = static_cast<size_t>(n_parents) * n_jobs;
    if (ahead.outcome.size() < cells) ahead.outcome.resize(cells, -1);
    // A row ends at its first END_OF_ROW (what follows it is not part of the row).
    ahead.row_open.assign(n_parents, 1);
    for (int rank = 0; rank < n_jobs && static_cast<int>(ahead.cells.size()) < Beam; ++rank) {
        bool any = false;
        for (int p = 0; p < n_parents && static_cast<int>(ahead.cells.size()) < Beam; ++p) {
            if (!ahead.row_open[p]) continue;
            if (child_rank[p][rank] == END_OF_ROW) {
                ahead.row_open[p] = 0;
                continue;
            }
            ahead.cells.push_back(p * n_jobs + rank);
            any = true;
        }
        if (!any) break;
    }
    parallel_for(static_cast<int>(ahead.cells.size()), [](int i, int) {
        const int cell = ahead.cells[i];
        const int p = cell / n_jobs;
        Node* node = child_node(p, child_rank[p][cell % n_jobs]);
        ahead.outcome[cell] = static_cast<signed char>(recover_in_place(node));
    });
}

// The recovery step of the child of rank `rank` of parent p, taken by the selection.
int recover_taken(Node* node, int p, int rank) {
    if (ahead.cells.empty()) return recover_node(node);
    signed char& done = ahead.outcome[static_cast<size_t>(p) * n_jobs + rank];
    if (done < 0) return recover_node(node);
    const int changed = done;
    done = -1;
    recoveries += 1;
    return changed;
}

bool dominated_by_kept(const Node* node, Node* const* kept_nodes, int n_kept) {
    for (int k = 0; k < n_kept; ++k)
        if (node_dominates(node, kept_nodes[k])) return true;
    return false;
}

}  // namespace

int select_next_beam(int n_parents, Node** kept_nodes, ChildSource* kept_from) {
    for (int p = 0; p < n_parents; ++p)
        cursor[p] = 0;
    int n_kept = 0;
    if (Beam == 0) return 0;
    recover_ahead(n_parents);
    bool kept_in_sweep = true;
    while (kept_in_sweep && n_kept < Beam) {
        kept_in_sweep = false;
        for (int p = 0; p < n_parents && n_kept < Beam; ++p) {
            const int rank = cursor[p];
            const int r = take_next_rank(p);
            if (r == END_OF_ROW) continue;
            Node* node = child_node(p, r);
            if (trace()) {
                std::printf("\n");
                print_seq(node);
                std::printf("(C2sum,MaxC2=%d,%d)", node->c2sum, node->c2);
                std::printf("(LB,UB=%d,%d)", node->lb, node->ub);
            }
            if (RecoveryStep != 0 && recover_taken(node, p, rank) && trace()) {
                std::printf(" modified by dominance : \n");
                print_seq(node);
                std::printf("(%d,%d)", node->c2sum, node->c2);
            }
            if (dominated_by_kept(node, kept_nodes, n_kept)) {
                if (trace()) std::printf(" Dominated.\n");
                release_node(node);
                continue;
            }
            kept_in_sweep = true;
            if (trace()) std::printf("Kept.\n");
            if (kept_from) kept_from[n_kept] = child_source[p][r];
            kept_nodes[n_kept++] = node;
            end_level = node->level;
        }
    }
    for (int cell : ahead.cells)
        ahead.outcome[cell] = -1;
    return n_kept;
}

void release_untaken_children(int n_parents) {
    for (int p = 0; p < n_parents; ++p)
        for (int r; (r = take_next_rank(p)) != END_OF_ROW;)
            release_node(child_nodes[p][r]);
}

int node_dominates(const Node* candidate, const Node* kept_node) {
    if (ParetoBeam == 1) {
        bool lb_no_better = candidate->lb >= kept_node->lb;
        bool lb_worse = candidate->lb > kept_node->lb;
        bool ub_no_better = candidate->ub >= kept_node->ub;
        bool ub_worse = candidate->ub > kept_node->ub;
        if ((lb_no_better && ub_worse) || (lb_worse && ub_no_better)) return 1;
    }
    if (std::memcmp(candidate->unscheduled, kept_node->unscheduled, sizeof(int) * n_jobs) != 0)
        return 0;
    return (candidate->c2 >= kept_node->c2 && candidate->c2sum >= kept_node->c2sum) ? 1 : 0;
}

int expand_level() {
    int n_parents = 0;
    int total = expand_current_beam(n_parents);
    int n_kept = select_next_beam(n_parents, kept, kept_from);
    remember_kept_children(kept_from, n_kept);
    if (n_kept > max_beam) max_beam = n_kept;
    for (int k = 0; k < n_kept; ++k)
        push_beam_node(kept[k]);
    release_untaken_children(n_parents);
    return total;
}

}  // namespace zemko
