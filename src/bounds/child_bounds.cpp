// Child bounds from compacted parent lists.
//
// The plain bound (compute_list_bounds) walks each list over all n_jobs entries, skipping the
// scheduled jobs, and evaluates each completion from time zero. Here a parent's unscheduled
// jobs are written once per list in order, and a child takes its parent's steps, its own job
// j masked out where it stands in each list. The completion is evaluated from the child's own
// c1 and c2: the prefix contributes its C2sum, an integer, so the sum is the same.
//
// Two walks, all 21 lists side by side, one lane each:
//   - the completion walk, in 32-bit integers: times are bounded so that every completion
//     and sum of completions fits, so it gives the objectives exactly;
//   - the estimate walk, in doubles: every lane performs the same IEEE double operations in
//     the same order as the plain walk of its list (E = E + w * (R1 + p2) + (1 - w) * R2, no
//     fused multiply-add), so each estimate is the same to the last bit, whatever vector width
//     the processor offers.
// The estimate walk is needed only when the estimates in closed form (list_sums) leave the
// integer LB open; bound_child_by_walk does both walks.
#include "bounds/child_bounds.hpp"

#include <immintrin.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "bounds/greedy_completion.hpp"
#include "bounds/list_sums.hpp"
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

// Vectors of GROUP doubles, of GROUP 64-bit integers (their comparison masks) and of GROUP
// 32-bit integers.
template <int GROUP>
struct Vectors;
template <>
struct Vectors<8> {
    typedef double Double __attribute__((vector_size(64)));
    typedef long long Long __attribute__((vector_size(64)));
    typedef int Int __attribute__((vector_size(32)));
};
template <>
struct Vectors<4> {
    typedef double Double __attribute__((vector_size(32)));
    typedef long long Long __attribute__((vector_size(32)));
    typedef int Int __attribute__((vector_size(16)));
};
template <>
struct Vectors<2> {
    typedef double Double __attribute__((vector_size(16)));
    typedef long long Long __attribute__((vector_size(16)));
    typedef int Int __attribute__((vector_size(8)));
};

// The estimate walk of the 21 lists, GROUP lanes per vector. Times are integers far below
// 2^53, so the running times R1, R2 held in doubles are exact, and each estimate sees the same
// operands, in the same order, as in the plain walk of its list. The step of the child's own
// job changes nothing: every lane's update is merged only where it is not that step.
template <int GROUP>
[[gnu::always_inline]] inline void walk_estimates_in(const ParentLists& lists, int j, int c1,
                                                     int start2, double* estimate) {
    constexpr int GROUPS = LIST_LANES / GROUP;
    using vdouble = typename Vectors<GROUP>::Double;
    using vlong = typename Vectors<GROUP>::Long;
    using vint = typename Vectors<GROUP>::Int;
    vdouble r1[GROUPS], r2[GROUPS], e[GROUPS];
    vlong skip_at[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        r1[g] = vdouble{} + c1;
        r2[g] = vdouble{} + start2;
        e[g] = vdouble{};
        for (int l = 0; l < GROUP; ++l)
            skip_at[g][l] = lists.position[j * LIST_LANES + g * GROUP + l];
    }
    const int steps = lists.unscheduled;
    for (int k = 0; k < steps; ++k) {
        const int* p1 = &lists.p1[k * LIST_LANES];
        const int* p2 = &lists.p2[k * LIST_LANES];
        const double* w = &lists.w[k * LIST_LANES];
        for (int g = 0; g < GROUPS; ++g) {
            const vlong own = (vlong{} + k) == skip_at[g];
            vint i1, i2;
            vdouble wk;
            load(i1, p1 + g * GROUP);
            load(i2, p2 + g * GROUP);
            load(wk, w + g * GROUP);
            const vdouble a1 = __builtin_convertvector(i1, vdouble);
            const vdouble a2 = __builtin_convertvector(i2, vdouble);
            const vdouble next_r1 = r1[g] + a1;
            const vdouble next_r2 = r2[g] + a2;
            const vdouble next_e = e[g] + wk * (next_r1 + a2) + (1 - wk) * next_r2;
            r1[g] = own ? r1[g] : next_r1;
            r2[g] = own ? r2[g] : next_r2;
            e[g] = own ? e[g] : next_e;
        }
    }
    for (int g = 0; g < GROUPS; ++g)
        for (int l = 0; l < GROUP; ++l)
            estimate[g * GROUP + l] = e[g][l];
}

// The completion walk: per list, the sum of the machine-2 completions of the child's
// unscheduled jobs in the list's order, from the child's c1 and c2. Eight lanes per vector.
[[gnu::always_inline]] inline void walk_completions_in(const ParentLists& lists, int j, int c1,
                                                       int c2, int* tail_sum) {
    typedef int vint __attribute__((vector_size(32)));
    constexpr int GROUP = 8;
    constexpr int GROUPS = LIST_LANES / GROUP;
    vint r1[GROUPS], t2[GROUPS], sum[GROUPS], skip_at[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        r1[g] = vint{} + c1;
        t2[g] = vint{} + c2;
        sum[g] = vint{};
        load(skip_at[g], &lists.position[j * LIST_LANES + g * GROUP]);
    }
    const int steps = lists.unscheduled;
    for (int k = 0; k < steps; ++k) {
        const int* p1 = &lists.p1[k * LIST_LANES];
        const int* p2 = &lists.p2[k * LIST_LANES];
        for (int g = 0; g < GROUPS; ++g) {
            const vint own = (vint{} + k) == skip_at[g];
            vint a1, a2;
            load(a1, p1 + g * GROUP);
            load(a2, p2 + g * GROUP);
            const vint next_r1 = r1[g] + a1;
            const vint next_t2 = (next_r1 > t2[g] ? next_r1 : t2[g]) + a2;
            r1[g] = own ? r1[g] : next_r1;
            t2[g] = own ? t2[g] : next_t2;
            sum[g] += own ? vint{} : next_t2;
        }
    }
    for (int g = 0; g < GROUPS; ++g)
        for (int l = 0; l < GROUP; ++l)
            tail_sum[g * GROUP + l] = sum[g][l];
}

// One compiled form per instruction set; all give the same bits (no fused multiply-add).
__attribute__((target("arch=x86-64-v4,prefer-vector-width=512"))) void walk_estimates_avx512(
    const ParentLists& lists, int j, int c1, int start2, double* estimate) {
    walk_estimates_in<8>(lists, j, c1, start2, estimate);
}

__attribute__((target("arch=x86-64-v3"))) void walk_estimates_avx2(const ParentLists& lists, int j,
                                                                   int c1, int start2,
                                                                   double* estimate) {
    walk_estimates_in<4>(lists, j, c1, start2, estimate);
}

void walk_estimates_baseline(const ParentLists& lists, int j, int c1, int start2,
                             double* estimate) {
    walk_estimates_in<2>(lists, j, c1, start2, estimate);
}

// The completion walk with AVX-512 masks: a lane's step is merged into its running values
// only where the lane is not at its own job, one masked instruction per update.
__attribute__((target("arch=x86-64-v4"))) void walk_completions_avx512(const ParentLists& lists,
                                                                       int j, int c1, int c2,
                                                                       int* tail_sum) {
    constexpr int GROUPS = LIST_LANES / 8;
    __m256i r1[GROUPS], t2[GROUPS], sum[GROUPS], skip_at[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        r1[g] = _mm256_set1_epi32(c1);
        t2[g] = _mm256_set1_epi32(c2);
        sum[g] = _mm256_setzero_si256();
        skip_at[g] = _mm256_loadu_si256(
            reinterpret_cast<const __m256i*>(&lists.position[j * LIST_LANES + g * 8]));
    }
    const int steps = lists.unscheduled;
    const int* p1 = lists.p1;
    const int* p2 = lists.p2;
    __m256i step = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi32(1);
    for (int k = 0; k < steps; ++k) {
        for (int g = 0; g < GROUPS; ++g) {
            const __mmask8 taken = _mm256_cmpneq_epi32_mask(step, skip_at[g]);
            const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p1 + g * 8));
            const __m256i a2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p2 + g * 8));
            r1[g] = _mm256_mask_add_epi32(r1[g], taken, r1[g], a1);
            t2[g] = _mm256_mask_add_epi32(t2[g], taken, _mm256_max_epi32(r1[g], t2[g]), a2);
            sum[g] = _mm256_mask_add_epi32(sum[g], taken, sum[g], t2[g]);
        }
        step = _mm256_add_epi32(step, one);
        p1 += LIST_LANES;
        p2 += LIST_LANES;
    }
    for (int g = 0; g < GROUPS; ++g)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(tail_sum + g * 8), sum[g]);
}

__attribute__((target("arch=x86-64-v3"))) void walk_completions_avx2(const ParentLists& lists,
                                                                     int j, int c1, int c2,
                                                                     int* tail_sum) {
    walk_completions_in(lists, j, c1, c2, tail_sum);
}

void walk_completions_baseline(const ParentLists& lists, int j, int c1, int c2, int* tail_sum) {
    walk_completions_in(lists, j, c1, c2, tail_sum);
}

using WalkEstimates = void (*)(const ParentLists&, int, int, int, double*);
using WalkCompletions = void (*)(const ParentLists&, int, int, int, int*);

// The widest form the processor runs.
int widest_vector_level() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw"))
        return 2;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return 1;
    return 0;
}

WalkEstimates walk_estimates = nullptr;
WalkCompletions walk_completions = nullptr;
const int widest_level = use_vector_level(widest_vector_level());

}  // namespace

int use_vector_level(int level) {
    const WalkEstimates estimates[] = {walk_estimates_baseline, walk_estimates_avx2,
                                       walk_estimates_avx512};
    const WalkCompletions completions[] = {walk_completions_baseline, walk_completions_avx2,
                                           walk_completions_avx512};
    if (level < 0) level = 0;
    if (level > 2) level = 2;
    if (level > widest_level && walk_estimates) level = widest_level;
    walk_estimates = estimates[level];
    walk_completions = completions[level];
    return level;
}

int widest_vector_form() {
    return widest_level;
}

size_t ParentLists::bytes_needed() {
    const size_t cells = static_cast<size_t>(n_jobs + 1) * LIST_LANES;
    const size_t bytes = cells * (sizeof(double) + 2 * sizeof(int)) +
                         static_cast<size_t>(n_jobs) * (LIST_LANES + 1) * sizeof(int);
    return (bytes + 63) / 64 * 64;
}

void ParentLists::place(char* storage) {
    const size_t cells = static_cast<size_t>(n_jobs + 1) * LIST_LANES;
    w = reinterpret_cast<double*>(storage);
    p1 = reinterpret_cast<int*>(w + cells);
    p2 = p1 + cells;
    position = p2 + cells;
    by_p1 = position + static_cast<size_t>(n_jobs) * LIST_LANES;
    // The padding lanes are never written after this: their walks add nothing and never skip.
    for (size_t row = 0; row < cells; row += LIST_LANES)
        for (int l = NUM_LISTS; l < LIST_LANES; ++l) {
            w[row + l] = 0.0;
            p1[row + l] = p2[row + l] = 0;
        }
    for (int j = 0; j < n_jobs; ++j)
        for (int l = NUM_LISTS; l < LIST_LANES; ++l)
            position[j * LIST_LANES + l] = NOT_IN_LIST;
    unscheduled = 0;
    laid_out_for = n_jobs;
}

void ParentLists::reserve() {
    if (laid_out_for == n_jobs) return;
    own_.assign(bytes_needed() / sizeof(double) + 8, 0.0);
    // 64-byte aligned, so that every row of a table starts a cache line where it can.
    const size_t misalignment = reinterpret_cast<uintptr_t>(own_.data()) % 64;
    place(reinterpret_cast<char*>(own_.data()) + (misalignment ? 64 - misalignment : 0));
}

namespace {

// Each list in its own order with the times and weights its walk reads, for the run.
struct ListEntries {
    int p1[NUM_LISTS][MAX_JOBS];
    int p2[NUM_LISTS][MAX_JOBS];
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
    prepare_list_sums();
    return 0;
}

void ParentLists::fill(const Node* parent) {
    reserve();
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
        int* row_p1 = &p1[step * LIST_LANES];
        int* row_p2 = &p2[step * LIST_LANES];
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

// The rows of a derived table: each lane reads one step further on from the step of the
// removed job in its list. (The index type matches the element's width, so that the
// comparison and the selection share one vector shape.)
template <typename T, typename Index>
[[gnu::always_inline]] inline void copy_rows_without_in(T* __restrict to, const T* __restrict from,
                                                        const Index* __restrict removed_at,
                                                        int rows) {
    for (int step = 0; step < rows; ++step) {
        const T* here = from + step * LIST_LANES;
        const T* next = here + LIST_LANES;
        T* row = to + step * LIST_LANES;
        for (int l = 0; l < LIST_LANES; ++l)
            row[l] = step >= removed_at[l] ? next[l] : here[l];
    }
}

__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void
copy_times_without(int* to, const int* from, const int* removed_at, int rows) {
    copy_rows_without_in(to, from, removed_at, rows);
}

__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void
copy_weights_without(double* to, const double* from, const long long* removed_at, int rows) {
    copy_rows_without_in(to, from, removed_at, rows);
}

// The steps of the jobs listed in `rows`, one step earlier beyond the removed job's.
__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void shift_positions(
    int* __restrict to, const int* __restrict from, const int* __restrict removed_at,
    const int* rows, int count) {
    for (int i = 0; i < count; ++i) {
        const int row = rows[i] * LIST_LANES;
        for (int l = 0; l < LIST_LANES; ++l) {
            const int at = from[row + l];
            to[row + l] = at - (at > removed_at[l]);
        }
    }
}

}  // namespace

void ParentLists::derive(const ParentLists& from, int j) {
    reserve();
    unscheduled = from.unscheduled - 1;
    const int* removed_at = &from.position[j * LIST_LANES];
    long long removed_at_wide[LIST_LANES];
    for (int l = 0; l < LIST_LANES; ++l)
        removed_at_wide[l] = removed_at[l];
    copy_times_without(p1, from.p1, removed_at, unscheduled);
    copy_times_without(p2, from.p2, removed_at, unscheduled);
    copy_weights_without(w, from.w, removed_at_wide, unscheduled);
    int found = 0;
    for (int k = 0; k < from.unscheduled; ++k)
        if (from.by_p1[k] != j) by_p1[found++] = from.by_p1[k];
    // Only the unscheduled jobs' steps are ever read.
    shift_positions(position, from.position, &from.position[j * LIST_LANES], by_p1, found);
}

namespace {

// The list UB and the first list giving it, with the same strict comparisons as the plain
// bound, list by list; from the completion walk of parent + j.
void choose_list_ub(const ParentLists& lists, int j, const ChildTimes& t, ChildBound& out) {
    int tail_sum[LIST_LANES];
    walk_completions(lists, j, t.c1, t.c2, tail_sum);
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
int child_start2(const ParentLists& lists, const ChildTimes& t, int j) {
    int start2 = t.c2;
    int first = first_by_p1(lists, j);
    if (first >= 0 && t.c1 + jobs[first].p1 > start2) start2 = t.c1 + jobs[first].p1;
    return start2;
}

// E* from the estimate walk.
double walked_best_estimate(const ParentLists& lists, int j, const ChildTimes& t) {
    double estimate[LIST_LANES];
    walk_estimates(lists, j, t.c1, child_start2(lists, t, j), estimate);
    double best_estimate = 0.0;
    for (int l = 0; l < NUM_LISTS; ++l)
        if (estimate[l] > best_estimate) best_estimate = estimate[l];
    return best_estimate;
}

// The LB from the estimates in closed form; false when their slack leaves it open. E* lies
// between the largest lower and the largest upper end of the estimates' intervals, and the LB
// grows with E*: equal LBs at both ends settle it.
bool summed_lb(const ListSums& sums, const ParentLists& lists, int j, const ChildTimes& t,
               int& lb) {
    SummedEstimates lanes;
    sum_child_estimates(sums, lists, j, t.c1, child_start2(lists, t, j), lanes);
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

double bound_child_by_walk(const ParentLists& lists, const Node* parent, int j, ChildBound& out) {
    const ChildTimes t = child_times(parent, j);
    const double best_estimate = walked_best_estimate(lists, j, t);
    choose_list_ub(lists, j, t, out);
    out.lb = lb_from_estimate(t.c2sum, best_estimate);
    out.greedy = BetterUB ? greedy_child(lists, parent, j, nullptr) : INT_MAX;
    return best_estimate;
}

void bound_child(const ParentLists& lists, const ListSums* sums, const Node* parent, int j,
                 ChildBound& out) {
    const ChildTimes t = child_times(parent, j);
    if (!sums || !summed_lb(*sums, lists, j, t, out.lb))
        out.lb = lb_from_estimate(t.c2sum, walked_best_estimate(lists, j, t));
    choose_list_ub(lists, j, t, out);
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
