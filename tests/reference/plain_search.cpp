// The plain search, as the reference for the fast paths.
#include "reference/plain_search.hpp"

#include <vector>

#include "bounds/best_solution.hpp"
#include "bounds/node_bounds.hpp"
#include "input/jobs.hpp"
#include "schedule/node_storage.hpp"
#include "search/beam_selection.hpp"
#include "search/child_generation.hpp"
#include "search/dominance_rules.hpp"
#include "search/recovery.hpp"
#include "search/selection_tables.hpp"

using namespace zemko;

namespace zemko_reference {

namespace {

void write_tail(int move, const int* s, int m, int i, int* tail) {
    const int last = s[m - 1];
    const int job = s[i];
    int t = 0;
    if (move == 0) {
        tail[t++] = last;
        for (int k = i + 1; k <= m - 2; ++k)
            tail[t++] = s[k];
        tail[t++] = job;
    } else if (move == 1) {
        tail[t++] = last;
        tail[t++] = job;
        for (int k = i + 1; k <= m - 2; ++k)
            tail[t++] = s[k];
    } else {
        for (int k = i + 1; k <= m - 2; ++k)
            tail[t++] = s[k];
        tail[t++] = last;
        tail[t++] = job;
    }
}

void complete_child(SearchRun& run, Node* child) {
    recover_node_plain(run, child);
    int last = 0;
    while (child->unscheduled[last] != 1)
        ++last;
    append_job(run.table, child, last);
    recover_node_plain(run, child);
    offer_solution(run.best, run.table, child->seq, child->c2sum, child->level);
    release_node(run.storage, child);
}

}  // namespace

int recover_node_plain(SearchRun& run, Node* node) {
    const JobTable& table = run.table;
    run.recoveries += 1;
    int result = 0;
    int candidate[MAX_JOBS];
    int new_seq[MAX_JOBS];
    for (;;) {
        const int m = node->level;
        const int* s = node->seq;
        const int remaining = table.n_jobs - m;
        int ref_c2sum = node->c2sum;
        int ref_c2 = node->c2;
        bool changed = false;
        bool repeat = false;
        if (m <= 1) return result;
        for (int i = 0; i <= m - 2; ++i) {
            int c1_start = 0, c2_start = 0, prefix = 0;
            if (i > 0) {
                c1_start = node->c1_of[s[i - 1]];
                c2_start = node->c2_of[s[i - 1]];
                for (int k = 0; k < i; ++k)
                    prefix += node->c2_of[s[k]];
            }
            for (int move = 0; move < 3; ++move) {
                write_tail(move, s, m, i, candidate);
                int c1 = c1_start, c2 = c2_start;
                int cand = prefix + eval_seq(table, candidate, m - i, c1, c2);
                int gain = ref_c2sum - cand;
                int delay = c2 - ref_c2;
                if (!(gain >= 1 && remaining * delay <= gain)) continue;
                changed = true;
                if (gain - delay > 0) repeat = true;
                ref_c2sum = cand;
                ref_c2 = c2;
                for (int k = 0; k < i; ++k)
                    new_seq[k] = s[k];
                for (int k = i; k < m; ++k)
                    new_seq[k] = candidate[k - i];
                break;
            }
        }
        if (!changed) return result;
        result = 1;
        rebuild_node(table, node, new_seq, m);
        if (run.settings.more_loops == 0 || !repeat) return result;
    }
}

int expand_node_plain(SearchRun& run, const Node* parent, int row) {
    const JobTable& table = run.table;
    int generated = 0;
    int entered = 0;
    for (int j = 0; j < table.n_jobs; ++j) {
        if (!parent->unscheduled[j]) continue;
        if (skip_by_pair_rule(table, run.dom, parent, j) ||
            skip_by_min_job_rule(table, parent, j) ||
            skip_by_filter_rule(table, run.settings.filter, parent, j))
            continue;
        generated += 1;
        Node* child = new_node(run.storage);
        copy_node(table, child, parent);
        append_job(table, child, j);
        if (child->level == table.n_jobs - 1) {
            complete_child(run, child);
            continue;
        }
        int ub = 0;
        int lb = bound_node(run, child, ub);
        child->ub = ub;
        run.tables.child_nodes[row][entered] = child;
        rank_child(run, row, entered, child_score_of(run.settings.alpha, lb, ub));
        entered += 1;
    }
    return generated;
}

int expand_level_plain(SearchRun& run) {
    int total = 0;
    int n_parents = 0;
    while (Node* parent = pop_beam_node(run.storage)) {
        if (run.settings.output == 1) {
            say(run.out, "GETNODE(%d): ", n_parents);
            for (int i = 0; i < parent->level; ++i)
                say(run.out, "%d,", parent->seq[i]);
            say(run.out, "(%d,%d)\n", parent->c2sum, parent->c2);
        }
        reset_row(run.tables, n_parents);
        total += expand_node_plain(run, parent, n_parents);
        n_parents += 1;
        release_node(run.storage, parent);
    }
    std::vector<Node*> kept(BEAM_SLOTS);
    int n_kept = select_next_beam(run, n_parents, kept.data());
    if (n_kept > run.max_beam) run.max_beam = n_kept;
    for (int k = 0; k < n_kept; ++k)
        push_beam_node(run.storage, kept[k]);
    release_untaken_children(run, n_parents);
    return total;
}

}  // namespace zemko_reference
