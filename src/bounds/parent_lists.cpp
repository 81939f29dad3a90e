// Compacted parent lists: filled from the run's list entries, or derived from the lists of the
// parent's own parent in one pass.
#include "bounds/parent_lists.hpp"

#include <cstdint>

#include "bounds/bounds_run.hpp"
#include "util/cpu_forms.hpp"

namespace zemko {

namespace {

constexpr int NOT_IN_LIST = 1 << 30;  // position of padding lanes: never reached

bool is_half_multiple(double w) {
    return w == 0.0 || w == 0.5 || w == 1.0;
}

}  // namespace

int build_list_entries(const JobTable& table, const PriorityLists& lists, ListEntries& entries) {
    entries.weights_in_unit_range = true;
    for (int l = 0; l < NUM_LISTS; ++l) {
        bool exact = true;
        for (int k = 0; k < table.n_jobs; ++k) {
            const int j = lists.prio_list[l][k];
            const double w = lists.prio_weight[l][j];
            entries.p1[l][k] = table.jobs[j].p1;
            entries.p2[l][k] = table.jobs[j].p2;
            entries.w[l][k] = w;
            if (!(w >= 0.0 && w <= 1.0)) entries.weights_in_unit_range = false;
            exact = exact && is_half_multiple(w);
        }
        entries.exact_weights[l] = exact;
    }
    for (int l = NUM_LISTS; l < LIST_LANES; ++l)
        entries.exact_weights[l] = false;
    return 0;
}

size_t ParentLists::bytes_needed(int n_jobs) {
    const size_t cells = static_cast<size_t>(n_jobs + 1) * LIST_LANES;
    const size_t bytes = cells * (sizeof(double) + 2 * sizeof(int)) +
                         static_cast<size_t>(n_jobs) * (LIST_LANES + 1) * sizeof(int);
    return (bytes + 63) / 64 * 64;
}

void ParentLists::place(char* storage, int n_jobs) {
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

void ParentLists::reserve(int n_jobs) {
    if (laid_out_for == n_jobs) return;
    own_.assign(bytes_needed(n_jobs) / sizeof(double) + 8, 0.0);
    // 64-byte aligned, so that every row of a table starts a cache line where it can.
    const size_t misalignment = reinterpret_cast<uintptr_t>(own_.data()) % 64;
    place(reinterpret_cast<char*>(own_.data()) + (misalignment ? 64 - misalignment : 0), n_jobs);
}

void ParentLists::fill(const BoundsRun& run, const Node* parent) {
    const int n_jobs = run.table.n_jobs;
    const ListEntries& entries = run.entries;
    reserve(n_jobs);
    int count = 0;
    for (int j = 0; j < n_jobs; ++j)
        count += parent->unscheduled[j] != 0;
    unscheduled = count;
    // Per list: the places of its unscheduled jobs, in order. Every place is written at the
    // next free slot and kept only if its job is unscheduled: no branch on the flags.
    int places[NUM_LISTS][MAX_JOBS + 1];
    const int* flags = parent->unscheduled;
    for (int l = 0; l < NUM_LISTS; ++l) {
        const int* order = run.lists.prio_list[l];
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
            row_p1[l] = entries.p1[l][k];
            row_p2[l] = entries.p2[l][k];
            row_w[l] = entries.w[l][k];
        }
    }
    int found = 0;
    for (int k = 0; k < n_jobs; ++k) {
        by_p1[found] = run.lists.order_p1[k].job;
        found += parent->unscheduled[run.lists.order_p1[k].job] != 0;
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

ZEMKO_CPU_CLONES void copy_times_without(int* to, const int* from, const int* removed_at,
                                         int rows) {
    copy_rows_without_in(to, from, removed_at, rows);
}

ZEMKO_CPU_CLONES void copy_weights_without(double* to, const double* from,
                                           const long long* removed_at, int rows) {
    copy_rows_without_in(to, from, removed_at, rows);
}

// The steps of the jobs listed in `rows`, one step earlier beyond the removed job's.
ZEMKO_CPU_CLONES void shift_positions(int* __restrict to, const int* __restrict from,
                                      const int* __restrict removed_at, const int* rows,
                                      int count) {
    for (int i = 0; i < count; ++i) {
        const int row = rows[i] * LIST_LANES;
        for (int l = 0; l < LIST_LANES; ++l) {
            const int at = from[row + l];
            to[row + l] = at - (at > removed_at[l]);
        }
    }
}

}  // namespace

void ParentLists::derive(const BoundsRun& run, const ParentLists& from, int j) {
    reserve(run.table.n_jobs);
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

}  // namespace zemko
