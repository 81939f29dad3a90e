// Node bounds from the priority lists.
#include "bounds/node_bounds.hpp"

#include <climits>
#include <cstdio>

#include "bounds/best_solution.hpp"
#include "bounds/greedy_completion.hpp"
#include "bounds/priority_lists.hpp"
#include "input/settings.hpp"

namespace zemko {

int list_ub = INT_MAX;
double list_estimate = 0.0;
int better_ub_count = 0;

namespace {

// Earliest start of the unscheduled jobs on machine 2: machine 2 must be free, and the first
// of them cannot end on machine 1 before the smallest p1 among them.
int machine2_start(const Node* node) {
    int start = node->c2;
    for (int k = 0; k < n_jobs; ++k) {
        int j = order_p1[k].job;
        if (!node->unscheduled[j]) continue;
        if (node->c1 + order_p1[k].key > start) start = node->c1 + order_p1[k].key;
        break;
    }
    return start;
}

}  // namespace

int lb_from_estimate(int c2sum, double estimate) {
    return static_cast<int>(c2sum + estimate + LB_ROUNDING);
}

int compute_list_bounds(const Node* node) {
    int working[MAX_JOBS];
    int best_completion[MAX_JOBS];
    list_ub = INT_MAX;
    double best_estimate = 0.0;
    copy_seq(working, node->seq);
    const int start2 = machine2_start(node);

    for (int l = 0; l < NUM_LISTS; ++l) {
        // Each unscheduled job, in list l's order, is estimated to end on machine 2 at a
        // weighted mix of a machine-1 based time (R1 + p2) and a machine-2 based time (R2).
        int r1 = node->c1;
        int r2 = start2;
        double estimate = 0.0;
        int pos = node->level;
        for (int k = 0; k < n_jobs; ++k) {
            int j = prio_list[l][k];
            if (!node->unscheduled[j]) continue;
            working[pos++] = j;
            r1 = r1 + jobs[j].p1;
            r2 = r2 + jobs[j].p2;
            double w = prio_weight[l][j];
            estimate = estimate + w * (r1 + jobs[j].p2) + (1 - w) * r2;
        }
        if (estimate > best_estimate) best_estimate = estimate;

        int c1 = 0;
        int c2 = 0;
        int objective = eval_seq(working, n_jobs, c1, c2);
        if (objective < list_ub) {
            list_ub = objective;
            copy_seq(best_completion, working);
        }
    }
    offer_solution(best_completion, list_ub, node->level);
    list_estimate = best_estimate;
    return lb_from_estimate(node->c2sum, best_estimate);
}

int bound_node(Node* node, int& ub_out) {
    int lb = compute_list_bounds(node);
    ub_out = list_ub;
    if (BetterUB) {
        int greedy = greedy_completion(node);
        if (greedy < ub_out) {
            ub_out = greedy;
            if (lb > greedy) std::printf("<WARNING_LB>");
            better_ub_count += 1;
        }
    }
    node->lb = lb;
    return lb;
}

}  // namespace zemko
