// Child bounds from compacted parent lists.
//
// The plain bound (compute_list_bounds) walks each list over all n_jobs entries, skipping the
// scheduled jobs, and evaluates each completion from time zero. Here a parent's unscheduled
// jobs are written once per list in order, so a child walks only the m - 1 jobs it has left
// (the child's own job j is stepped over where it stands in each list), and the completion is
// evaluated from the child's own c1 and c2: the prefix contributes its C2sum, an integer, so
// the sum is the same. All 21 lists advance together, one lane each; every lane performs the
// same IEEE double operations in the same order as the plain walk of its list
// (E = E + w * (R1 + p2) + (1 - w) * R2, no fused multiply-add), so each estimate is the same
// to the last bit, whatever vector width the processor offers.
#include "bounds/child_bounds.hpp"

#include <climits>
#include <cstdint>
#include <cstring>

#include "bounds/greedy_completion.hpp"
#include "bounds/node_bounds.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"

namespace zemko {

namespace {

constexpr int NOT_IN_LIST = 1 << 30;  // position of padding lanes: never reached

// Unaligned vector loads (a vector is not returned by value: that would change the ABI
// between the instruction sets).
template <typename V, typename T>
[[gnu::always_inline]] inline void load(V& v, const T* p) {
    std::memcpy(&v, p, sizeof v);
}

// The unscheduled job of parent + j with the smallest p1 (first in order_p1), or -1.
int first_by_p1(const ParentLists& lists, int j) {
    if (lists.unscheduled < 2) return -1;
    return lists.by_p1[0] == j ? lists.by_p1[1] : lists.by_p1[0];
}

// Estimates and completion sums of the 21 lists for parent + j.
struct LaneResults {
    double estimate[LIST_LANES];
    double tail_sum[LIST_LANES];
};

// Vectors of GROUP doubles and of GROUP 64-bit integers (their comparison masks).
template <int GROUP>
struct Vectors;
template <>
struct Vectors<8> {
    typedef double Double __attribute__((vector_size(64)));
    typedef long long Long __attribute__((vector_size(64)));
};
template <>
struct Vectors<4> {
    typedef double Double __attribute__((vector_size(32)));
    typedef long long Long __attribute__((vector_size(32)));
};
template <>
struct Vectors<2> {
    typedef double Double __attribute__((vector_size(16)));
    typedef long long Long __attribute__((vector_size(16)));
};

// The walk of the 21 lists, GROUP lanes per vector. Times are integers far below 2^53, so
// their sums and maxima held in doubles are exact: the running times R1, R2 and the
// completion evaluation give the same integers as int arithmetic, and each estimate sees the
// same operands, in the same order, as in the plain walk of its list.
template <int GROUP>
[[gnu::always_inline]] inline void walk_lists_in(const ParentLists& lists, int j, int c1, int c2,
                                                 int start2, LaneResults& out) {
    constexpr int GROUPS = LIST_LANES / GROUP;
    using vdouble = typename Vectors<GROUP>::Double;
    using vlong = typename Vectors<GROUP>::Long;
    vdouble r1[GROUPS], r2[GROUPS], t2[GROUPS], sum[GROUPS], e[GROUPS];
    vlong skip_at[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        r1[g] = vdouble{} + c1;
        r2[g] = vdouble{} + start2;
        t2[g] = vdouble{} + c2;
        sum[g] = vdouble{};
        e[g] = vdouble{};
        for (int l = 0; l < GROUP; ++l)
            skip_at[g][l] = lists.position[j * LIST_LANES + g * GROUP + l];
    }
    const int steps = lists.unscheduled - 1;
    for (int k = 0; k < steps; ++k) {
        const double* p1 = &lists.p1[k * LIST_LANES];
        const double* p2 = &lists.p2[k * LIST_LANES];
        const double* w = &lists.w[k * LIST_LANES];
        for (int g = 0; g < GROUPS; ++g) {
            const int here = g * GROUP;
            const int next = here + LIST_LANES;
            // Past the child's own job, each lane reads one step further on.
            vlong past = (vlong{} + k) >= skip_at[g];
            vdouble a1_here, a1_next, a2_here, a2_next, w_here, w_next;
            load(a1_here, p1 + here);
            load(a1_next, p1 + next);
            load(a2_here, p2 + here);
            load(a2_next, p2 + next);
            load(w_here, w + here);
            load(w_next, w + next);
            vdouble a1 = past ? a1_next : a1_here;
            vdouble a2 = past ? a2_next : a2_here;
            vdouble wk = past ? w_next : w_here;
            r1[g] += a1;
            r2[g] += a2;
            e[g] = e[g] + wk * (r1[g] + a2) + (1 - wk) * r2[g];
            vdouble later = r1[g] > t2[g] ? r1[g] : t2[g];
            t2[g] = later + a2;
            sum[g] += t2[g];
        }
    }
    for (int g = 0; g < GROUPS; ++g)
        for (int l = 0; l < GROUP; ++l) {
            out.estimate[g * GROUP + l] = e[g][l];
            out.tail_sum[g * GROUP + l] = sum[g][l];
        }
}

// One compiled form per instruction set; all give the same bits (no fused multiply-add).
__attribute__((target("arch=x86-64-v4,prefer-vector-width=512"))) void walk_lists_avx512(
    const ParentLists& lists, int j, int c1, int c2, int start2, LaneResults& out) {
    walk_lists_in<8>(lists, j, c1, c2, start2, out);
}

__attribute__((target("arch=x86-64-v3"))) void walk_lists_avx2(const ParentLists& lists, int j,
                                                               int c1, int c2, int start2,
                                                               LaneResults& out) {
    walk_lists_in<4>(lists, j, c1, c2, start2, out);
}

void walk_lists_baseline(const ParentLists& lists, int j, int c1, int c2, int start2,
                         LaneResults& out) {
    walk_lists_in<2>(lists, j, c1, c2, start2, out);
}

using WalkLists = void (*)(const ParentLists&, int, int, int, int, LaneResults&);

WalkLists choose_walk() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq"))
        return walk_lists_avx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return walk_lists_avx2;
    return walk_lists_baseline;
}

const WalkLists walk_lists = choose_walk();

}  // namespace

void ParentLists::reserve() {
    const size_t cells = static_cast<size_t>(n_jobs + 1) * LIST_LANES;
    p1.assign(cells, 0.0);
    p2.assign(cells, 0.0);
    w.assign(cells, 0.0);
    position.assign(static_cast<size_t>(n_jobs) * LIST_LANES, NOT_IN_LIST);
    by_p1.assign(n_jobs, 0);
}

namespace {

// Each list in its own order with the times and weights its walk reads, for the run.
struct ListEntries {
    double p1[NUM_LISTS][MAX_JOBS];
    double p2[NUM_LISTS][MAX_JOBS];
    double w[NUM_LISTS][MAX_JOBS];
};
ListEntries list_entries;

}  // namespace

int build_list_entries() {
    for (int l = 0; l < NUM_LISTS; ++l)
        for (int k = 0; k < n_jobs; ++k) {
            const int j = prio_list[l][k];
            list_entries.p1[l][k] = jobs[j].p1;
            list_entries.p2[l][k] = jobs[j].p2;
            list_entries.w[l][k] = prio_weight[l][j];
        }
    return 0;
}

void ParentLists::fill(const Node* parent) {
    if (p1.size() < static_cast<size_t>(n_jobs + 1) * LIST_LANES) reserve();
    int count = 0;
    for (int j = 0; j < n_jobs; ++j)
        count += parent->unscheduled[j] != 0;
    unscheduled = count;
    // Per list: the places of its unscheduled jobs, in order. Every place is written at the
    // next free slot and kept only if its job is unscheduled: no branch on the flags.
    static thread_local int places[NUM_LISTS][MAX_JOBS + 1];
    const int* flags = parent->unscheduled;
    for (int l = 0; l < NUM_LISTS; ++l) {
        const int* order = prio_list[l];
        int* list_places = places[l];
        int step = 0;
        for (int k = 0; k < n_jobs; ++k) {
            list_places[step] = k;
            position[order[k] * LIST_LANES + l] = step;
            step += flags[order[k]] != 0;
        }
    }
    // Then the steps row by row, each row written in one sweep over the lists.
    for (int step = 0; step < count; ++step) {
        double* row_p1 = &p1[step * LIST_LANES];
        double* row_p2 = &p2[step * LIST_LANES];
        double* row_w = &w[step * LIST_LANES];
        for (int l = 0; l < NUM_LISTS; ++l) {
            const int k = places[l][step];
            row_p1[l] = list_entries.p1[l][k];
            row_p2[l] = list_entries.p2[l][k];
            row_w[l] = list_entries.w[l][k];
        }
    }
    int found = 0;
    for (int k = 0; k < n_jobs; ++k) {
        by_p1[found] = order_p1[k].job;
        found += parent->unscheduled[order_p1[k].job] != 0;
    }
}

namespace {

// Row `step` of a derived table: each lane reads one step further on from the step of the
// removed job in its list.
__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void copy_row_without(
    double* __restrict to, const double* __restrict here, const long long* __restrict removed_at,
    long long step) {
    const double* next = here + LIST_LANES;
    for (int l = 0; l < LIST_LANES; ++l)
        to[l] = step >= removed_at[l] ? next[l] : here[l];
}

__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void shift_positions(
    int* __restrict to, const int* __restrict from, const int* __restrict removed_at, int rows) {
    for (int i = 0; i < rows; ++i)
        for (int l = 0; l < LIST_LANES; ++l) {
            const int at = from[i * LIST_LANES + l];
            to[i * LIST_LANES + l] = at - (at > removed_at[l]);
        }
}

}  // namespace

void ParentLists::derive(const ParentLists& from, int j) {
    if (p1.size() < static_cast<size_t>(n_jobs + 1) * LIST_LANES) reserve();
    unscheduled = from.unscheduled - 1;
    long long removed_at[LIST_LANES];
    for (int l = 0; l < LIST_LANES; ++l)
        removed_at[l] = from.position[j * LIST_LANES + l];
    for (int step = 0; step < unscheduled; ++step) {
        const int row = step * LIST_LANES;
        copy_row_without(&p1[row], &from.p1[row], removed_at, step);
        copy_row_without(&p2[row], &from.p2[row], removed_at, step);
        copy_row_without(&w[row], &from.w[row], removed_at, step);
    }
    shift_positions(position.data(), from.position.data(), &from.position[j * LIST_LANES], n_jobs);
    int found = 0;
    for (int k = 0; k < from.unscheduled; ++k)
        if (from.by_p1[k] != j) by_p1[found++] = from.by_p1[k];
}

void bound_child(const ParentLists& lists, const Node* parent, int j, ChildBound& out) {
    const ChildTimes t = child_times(parent, j);
    int start2 = t.c2;
    int first = first_by_p1(lists, j);
    if (first >= 0 && t.c1 + jobs[first].p1 > start2) start2 = t.c1 + jobs[first].p1;

    LaneResults lanes;
    walk_lists(lists, j, t.c1, t.c2, start2, lanes);

    // The same strict comparisons as the plain bound, list by list.
    out.best_estimate = 0.0;
    out.list_ub = INT_MAX;
    out.best_list = 0;
    for (int l = 0; l < NUM_LISTS; ++l) {
        if (lanes.estimate[l] > out.best_estimate) out.best_estimate = lanes.estimate[l];
        int objective = t.c2sum + static_cast<int>(lanes.tail_sum[l]);
        if (objective < out.list_ub) {
            out.list_ub = objective;
            out.best_list = l;
        }
    }
    out.lb = lb_from_estimate(t.c2sum, out.best_estimate);
    out.greedy = BetterUB ? greedy_child(lists, parent, j, nullptr) : INT_MAX;
}

int greedy_child(const ParentLists& lists, const Node* parent, int j, int* seq) {
    // The child's unscheduled jobs in order_p1 order; the chosen job leaves the array, so the
    // walk over it meets the challengers in the same order as the plain walk over order_p1.
    int candidates[MAX_JOBS];
    int count = 0;
    for (int k = 0; k < lists.unscheduled; ++k)
        if (lists.by_p1[k] != j) candidates[count++] = lists.by_p1[k];
    const ChildTimes t = child_times(parent, j);
    int r1 = t.c1, r2 = t.c2, z = t.c2sum;
    int pos = parent->level + 1;
    if (seq) {
        std::memcpy(seq, parent->seq, sizeof(int) * parent->level);
        seq[parent->level] = j;
    }
    while (count > 0) {
        int chosen = 0;
        for (int k = 1; k < count; ++k)
            if (pair_cost(candidates[k], candidates[chosen], r1, r2) <
                pair_cost(candidates[chosen], candidates[k], r1, r2))
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

void list_completion(const Node* parent, int j, int l, int* seq) {
    std::memcpy(seq, parent->seq, sizeof(int) * parent->level);
    int pos = parent->level;
    seq[pos++] = j;
    for (int k = 0; k < n_jobs; ++k) {
        const int job_k = prio_list[l][k];
        if (parent->unscheduled[job_k] && job_k != j) seq[pos++] = job_k;
    }
}

}  // namespace zemko
