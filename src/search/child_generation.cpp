// Child generation.
#include "search/child_generation.hpp"

#include "bounds/best_solution.hpp"
#include "bounds/node_bounds.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/node_storage.hpp"
#include "search/dominance_rules.hpp"
#include "search/recovery.hpp"
#include "search/selection_tables.hpp"

namespace zemko {

namespace {

// The child has one job left: append it, improve the sequence, offer it, release the child.
// The recovery step runs here whatever RecoveryStep says.
void complete_child(Node* child) {
    recover_node(child);
    int last = 0;
    while (child->unscheduled[last] != 1) ++last;
    append_job(child, last);
    recover_node(child);
    offer_solution(child->seq, child->c2sum, child->level);
    release_node(child);
}

bool skip_job(const Node* parent, int j) {
    return skip_by_pair_rule(parent, j) || skip_by_min_job_rule(parent, j) ||
           skip_by_filter_rule(parent, j);
}

}  // namespace

int64_t child_score_of(int lb, int ub) {
    // 100 - ALPHA in 64 bits: ALPHA is not range-checked and may be as low as INT_MIN.
    return static_cast<int64_t>(ALPHA) * ub + (int64_t{100} - ALPHA) * lb;
}

void rank_child(int row, int a, int64_t score) {
    int* ranks = child_rank[row];
    int64_t* scores = child_score[row];
    int r = 0;
    while (r < a && ranks[r] != END_OF_ROW && scores[r] <= score) ++r;
    for (int k = a; k > r; --k) {
        ranks[k] = ranks[k - 1];
        scores[k] = scores[k - 1];
    }
    ranks[r] = a;
    scores[r] = score;
}

int expand_node(const Node* parent, int row) {
    int generated = 0;
    int entered = 0;
    for (int j = 0; j < n_jobs; ++j) {
        if (!parent->unscheduled[j] || skip_job(parent, j)) continue;
        generated += 1;
        Node* child = new_node();
        copy_node(child, parent);
        append_job(child, j);
        if (child->level == n_jobs - 1) {
            complete_child(child);
            continue;
        }
        int ub = 0;
        int lb = bound_node(child, ub);
        child->ub = ub;
        child_nodes[row][entered] = child;
        rank_child(row, entered, child_score_of(lb, ub));
        entered += 1;
    }
    return generated;
}

}  // namespace zemko
