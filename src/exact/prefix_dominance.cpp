#include "exact/prefix_dominance.hpp"

namespace zemko {

// Why the rule is valid (for any signs of the times). Let a and b hold the same set of jobs,
// so that after any order s of the remaining jobs both reach the same machine-1 completions
// c1_1, c1_2, ... Write x_k and y_k for the machine-2 completion of the k-th remaining job
// after a and after b: x_k = max(c1_k, x_{k-1}) + p2, y_k = max(c1_k, y_{k-1}) + p2, with x_0,
// y_0 the prefixes' own machine-2 completions. Because max(c, x) - max(c, y) <= max(0, x - y),
// x_k - y_k <= max(0, x_{k-1} - y_{k-1}) <= ... <= d = max(0, x_0 - y_0). So
// cost(a.s) = sum_a + sum_k x_k <= sum_a + r * d + sum_k y_k, and when sum_a + r * d <= sum_b
// this is at most sum_b + sum_k y_k = cost(b.s), for every s.
//
// Pruning b is then safe. Take, among the optimal sequences, one with the smallest tie key,
// pi* = b.s. The key of a sequence is a sum over positions, so key(a.s) - key(b.s) =
// key(a) - key(b). If some a dominated b, a.s would be either strictly cheaper than pi* or as
// cheap with a smaller key: neither is possible. So no prefix of pi* is ever pruned by
// dominance, whichever other sequence a is (explored, pruned or never built), and the rule
// may be applied to any pair at any time, together with bound pruning, without losing the
// optimum. Equal states keep exactly one: the one with the smaller key.

bool prefix_dominates(const RankedPrefix& a, const RankedPrefix& b, int remaining) {
    const Cost later = a.state.c2 > b.state.c2 ? a.state.c2 - b.state.c2 : 0;
    const Cost worst_a = a.state.sum + remaining * later;
    if (worst_a != b.state.sum) return worst_a < b.state.sum;
    return a.tie_key < b.tie_key;
}

namespace {

// Appends jobs to a ranked prefix that ends at `position`.
struct Rebuild {
    const JobTimes& times;
    RankedPrefix ranked;
    int position;
    void add(int job) {
        ranked.state = append_job(ranked.state, times.p1[job], times.p2[job]);
        ranked.tie_key += tie_weight(position++, job);
    }
};

}  // namespace

bool dominated_by_moves(const JobTimes& times, const PrefixPath& path, int job,
                        const RankedPrefix& child, int remaining, int window) {
    const int lowest = path.depth - window > 0 ? path.depth - window : 0;
    for (int from = path.depth - 1; from >= lowest; --from) {
        // `job` moved in front of the path's position `from`.
        Rebuild earlier{times, path.before[from], from};
        earlier.add(job);
        for (int k = from; k < path.depth; ++k)
            earlier.add(path.jobs[k]);
        if (prefix_dominates(earlier.ranked, child, remaining)) return true;
        // The job at `from` moved behind `job` (from = depth - 1 is the swap tried above).
        if (from == path.depth - 1) continue;
        Rebuild later{times, path.before[from], from};
        for (int k = from + 1; k < path.depth; ++k)
            later.add(path.jobs[k]);
        later.add(job);
        later.add(path.jobs[from]);
        if (prefix_dominates(later.ranked, child, remaining)) return true;
    }
    return false;
}

}  // namespace zemko
