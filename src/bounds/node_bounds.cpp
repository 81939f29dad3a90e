// Node bounds from the priority lists.
#include "bounds/node_bounds.hpp"

#include <climits>

#include "bounds/greedy_completion.hpp"

namespace zemko {

namespace {

// Earliest start of the unscheduled jobs on machine 2: machine 2 must be free, and the first
// of them cannot end on machine 1 before the smallest p1 among them.
int machine2_start(const BoundsRun& run, const Node* node) {
    const JobKey* order_p1 = run.lists.order_p1;
    int start = node->c2;
    for (int k = 0; k < run.table.n_jobs; ++k) {
        int j = order_p1[k].job;
        if (!node->unscheduled[j]) continue;
        if (node->c1 + order_p1[k].key > start) start = node->c1 + order_p1[k].key;
        break;
    }
    return start;
}

}  // namespace

ListBounds compute_list_bounds(BoundsRun& run, const Node* node) {
    const Job* jobs = run.table.jobs;
    const int n_jobs = run.table.n_jobs;
    int working[MAX_JOBS];
    int best_completion[MAX_JOBS];
    int list_ub = INT_MAX;
    double best_estimate = 0.0;
    copy_seq(run.table, working, node->seq);
    const int start2 = machine2_start(run, node);

    for (int l = 0; l < NUM_LISTS; ++l) {
        // Each unscheduled job, in list l's order, is estimated to end on machine 2 at a
        // weighted mix of a machine-1 based time (R1 + p2) and a machine-2 based time (R2).
        int r1 = node->c1;
        int r2 = start2;
        double estimate = 0.0;
        int pos = node->level;
        for (int k = 0; k < n_jobs; ++k) {
            int j = run.lists.prio_list[l][k];
            if (!node->unscheduled[j]) continue;
            working[pos++] = j;
            r1 = r1 + jobs[j].p1;
            r2 = r2 + jobs[j].p2;
            double w = run.lists.prio_weight[l][j];
            estimate = estimate + w * (r1 + jobs[j].p2) + (1 - w) * r2;
        }
        if (estimate > best_estimate) best_estimate = estimate;

        int c1 = 0;
        int c2 = 0;
        int objective = eval_seq(run.table, working, n_jobs, c1, c2);
        if (objective < list_ub) {
            list_ub = objective;
            copy_seq(run.table, best_completion, working);
        }
    }
    offer_solution(run.best, run.table, best_completion, list_ub, node->level);
    return {lb_from_estimate(node->c2sum, best_estimate), list_ub, best_estimate};
}

int bound_node(BoundsRun& run, Node* node, int& ub_out) {
    const ListBounds bounds = compute_list_bounds(run, node);
    const int lb = bounds.lb;
    ub_out = bounds.list_ub;
    if (run.settings.better_ub) {
        int greedy = greedy_completion(run, node);
        if (greedy < ub_out) {
            ub_out = greedy;
            if (lb > greedy) say(run.out, "<WARNING_LB>");
            run.better_ub_count += 1;
        }
    }
    node->lb = lb;
    return lb;
}

}  // namespace zemko
