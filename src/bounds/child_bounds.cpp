// Child bounds from compacted parent lists.
//
// The plain bound (compute_list_bounds) walks each list over all n_jobs entries, skipping the
// scheduled jobs, and evaluates each completion from time zero. Here a parent's unscheduled
// jobs are written once per list in order, and a child takes its parent's steps, its own job
// j masked out where it stands in each list (list_walks). The completion is evaluated from the
// child's own c1 and c2: the prefix contributes its C2sum, an integer, so the sum is the same.
// The estimate walk is needed only when the estimates in closed form (list_sums) leave the
// integer LB open; bound_child_by_walk does both walks.
#include "bounds/child_bounds.hpp"

#include <climits>
#include <cstring>

#include "bounds/greedy_completion.hpp"
#include "bounds/list_walks.hpp"
#include "bounds/node_bounds.hpp"

namespace zemko {

namespace {

// The unscheduled job of parent + j with the smallest p1 (first in order_p1), or -1.
int first_by_p1(const ParentLists& lists, int j) {
    if (lists.unscheduled < 2) return -1;
    return lists.by_p1[0] == j ? lists.by_p1[1] : lists.by_p1[0];
}

// The list UB and the first list giving it, with the same strict comparisons as the plain
// bound, list by list; from the completion walk of parent + j.
void choose_list_ub(const BoundsRun& run, const ParentLists& lists, int j, const ChildTimes& t,
                    ChildBound& out) {
    int tail_sum[LIST_LANES];
    walk_completions(run.vector_form, lists, j, t.c1, t.c2, tail_sum);
    out.list_ub = INT_MAX;
    out.best_list = 0;
    for (int l = 0; l < NUM_LISTS; ++l) {
        int objective = t.c2sum + tail_sum[l];
        if (objective < out.list_ub) {
            out.list_ub = objective;
            out.best_list = l;
        }
    }
}

// The machine-2 start of the child's unscheduled jobs, as machine2_start finds it.
int child_start2(const Job* jobs, const ParentLists& lists, const ChildTimes& t, int j) {
    int start2 = t.c2;
    int first = first_by_p1(lists, j);
    if (first >= 0 && t.c1 + jobs[first].p1 > start2) start2 = t.c1 + jobs[first].p1;
    return start2;
}

// E* from the estimate walk.
double walked_best_estimate(const BoundsRun& run, const ParentLists& lists, int j,
                            const ChildTimes& t) {
    double estimate[LIST_LANES];
    walk_estimates(run.vector_form, lists, j, t.c1, child_start2(run.table.jobs, lists, t, j),
                   estimate);
    double best_estimate = 0.0;
    for (int l = 0; l < NUM_LISTS; ++l)
        if (estimate[l] > best_estimate) best_estimate = estimate[l];
    return best_estimate;
}

// The LB from the estimates in closed form; false when their slack leaves it open. E* lies
// between the largest lower and the largest upper end of the estimates' intervals, and the LB
// grows with E*: equal LBs at both ends settle it.
bool summed_lb(const Job* jobs, const ListSums& sums, const ParentLists& lists, int j,
               const ChildTimes& t, int& lb) {
    SummedEstimates lanes;
    sum_child_estimates(sums, lists, j, t.c1, child_start2(jobs, lists, t, j), lanes);
    double low = 0.0, high = 0.0;
    for (int l = 0; l < NUM_LISTS; ++l) {
        const double below = lanes.estimate[l] - lanes.slack[l];
        const double above = lanes.estimate[l] + lanes.slack[l];
        if (below > low) low = below;
        if (above > high) high = above;
    }
    lb = lb_from_estimate(t.c2sum, low);
    return lb == lb_from_estimate(t.c2sum, high);
}

}  // namespace

double bound_child_by_walk(const BoundsRun& run, const ParentLists& lists, const Node* parent,
                           int j, ChildBound& out) {
    const ChildTimes t = child_times(run.table.jobs, parent, j);
    const double best_estimate = walked_best_estimate(run, lists, j, t);
    choose_list_ub(run, lists, j, t, out);
    out.lb = lb_from_estimate(t.c2sum, best_estimate);
    out.greedy = run.settings.better_ub ? greedy_child(run, lists, parent, j, nullptr) : INT_MAX;
    return best_estimate;
}

void bound_child(const BoundsRun& run, const ParentLists& lists, const ListSums* sums,
                 const Node* parent, int j, ChildBound& out) {
    const ChildTimes t = child_times(run.table.jobs, parent, j);
    if (!sums || !summed_lb(run.table.jobs, *sums, lists, j, t, out.lb))
        out.lb = lb_from_estimate(t.c2sum, walked_best_estimate(run, lists, j, t));
    choose_list_ub(run, lists, j, t, out);
    out.greedy = run.settings.better_ub ? greedy_child(run, lists, parent, j, nullptr) : INT_MAX;
}

int greedy_child(const BoundsRun& run, const ParentLists& lists, const Node* parent, int j,
                 int* seq) {
    const Job* jobs = run.table.jobs;
    // The child's unscheduled jobs in order_p1 order; the chosen job leaves the array, so the
    // walk over it meets the challengers in the same order as the plain walk over order_p1.
    int candidates[MAX_JOBS];
    int count = 0;
    for (int k = 0; k < lists.unscheduled; ++k)
        if (lists.by_p1[k] != j) candidates[count++] = lists.by_p1[k];
    const ChildTimes t = child_times(jobs, parent, j);
    int r1 = t.c1, r2 = t.c2, z = t.c2sum;
    int pos = parent->level + 1;
    if (seq) {
        std::memcpy(seq, parent->seq, sizeof(int) * parent->level);
        seq[parent->level] = j;
    }
    while (count > 0) {
        int chosen = 0;
        for (int k = 1; k < count; ++k)
            if (pair_cost(jobs, candidates[k], candidates[chosen], r1, r2) <
                pair_cost(jobs, candidates[chosen], candidates[k], r1, r2))
                chosen = k;
        const int x = candidates[chosen];
        r1 = r1 + jobs[x].p1;
        r2 = imax(r1, r2) + jobs[x].p2;
        z = z + r2;
        if (seq) seq[pos] = x;
        ++pos;
        std::memmove(candidates + chosen, candidates + chosen + 1,
                     sizeof(int) * (count - chosen - 1));
        --count;
    }
    return z;
}

void list_completion(const BoundsRun& run, const Node* parent, int j, int l, int* seq) {
    std::memcpy(seq, parent->seq, sizeof(int) * parent->level);
    int pos = parent->level;
    seq[pos++] = j;
    for (int k = 0; k < run.table.n_jobs; ++k) {
        const int job_k = run.lists.prio_list[l][k];
        if (parent->unscheduled[job_k] && job_k != j) seq[pos++] = job_k;
    }
}

}  // namespace zemko
