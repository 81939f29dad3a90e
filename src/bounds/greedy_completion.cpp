// The greedy completion heuristic.
#include "bounds/greedy_completion.hpp"

#include "bounds/best_solution.hpp"
#include "bounds/priority_lists.hpp"

namespace zemko {

int pair_cost(int first, int second, int r1, int r2) {
    const Job& a = jobs[first];
    const Job& b = jobs[second];
    int a_done = imax(r1 + a.p1, r2) + a.p2;
    int b_done = imax(r1 + a.p1 + b.p1, a_done) + b.p2;
    return a_done + b_done;
}

int greedy_completion(const Node* node) {
    int flags[MAX_JOBS];
    int seq[MAX_JOBS];
    copy_seq(flags, node->unscheduled);
    copy_seq(seq, node->seq);
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
            if (flags[y] && pair_cost(y, x, r1, r2) < pair_cost(x, y, r1, r2)) x = y;
        }
        r1 = r1 + jobs[x].p1;
        r2 = imax(r1, r2) + jobs[x].p2;
        z = z + r2;
        flags[x] = 0;
        seq[i] = x;
    }
    offer_solution(seq, z, node->level);
    return z;
}

}  // namespace zemko
