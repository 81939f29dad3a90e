// The greedy completion heuristic.
#include "bounds/greedy_completion.hpp"

namespace zemko {

int greedy_completion(BoundsRun& run, const Node* node) {
    const Job* jobs = run.table.jobs;
    const int n_jobs = run.table.n_jobs;
    const JobKey* order_p1 = run.lists.order_p1;
    int flags[MAX_JOBS];
    int seq[MAX_JOBS];
    copy_seq(run.table, flags, node->unscheduled);
    copy_seq(run.table, seq, node->seq);
    int r1 = node->c1;
    int r2 = node->c2;
    int z = node->c2sum;
    for (int i = node->level; i < n_jobs; ++i) {
        int px = 0;
        while (!flags[order_p1[px].job])
            ++px;
        int x = order_p1[px].job;
        // Every later unscheduled job challenges the current candidate, which may already
        // have changed during this walk; on equal cost the candidate stays.
        for (int k = px + 1; k < n_jobs; ++k) {
            int y = order_p1[k].job;
            if (flags[y] && pair_cost(jobs, y, x, r1, r2) < pair_cost(jobs, x, y, r1, r2)) x = y;
        }
        r1 = r1 + jobs[x].p1;
        r2 = imax(r1, r2) + jobs[x].p2;
        z = z + r2;
        flags[x] = 0;
        seq[i] = x;
    }
    offer_solution(run.best, run.table, seq, z, node->level);
    return z;
}

}  // namespace zemko
