#include "sequence/insertion.hpp"

#include <algorithm>
#include <limits>

namespace zemko {

// Why the sweep below is exact. Let the sequence without x be s_0 .. s_{m-1} with completion
// times C1(k), C2(k), and C2(-1) = C1(-1) = 0. Put x before s_i. The first i jobs do not
// move; x completes at c2x = max(C1(i-1) + p1x, C2(i-1)) + p2x; every later job ends p1x
// later on machine 1, and on machine 2 it is shifted by d(k), with d(i-1) = c2x - C2(i-1) and
//     d(k) = max(p1x - max(h_k, 0), d(k-1) + min(h_k, 0)),   h_k = C2(k-1) - C1(k),
// which is max(C1(k) + p1x, C2(k-1) + d(k-1)) - max(C1(k), C2(k-1)) written by the sign of
// h_k (no sign of any time is assumed). With B(k) = sum_{j<=k} min(h_j, 0) (minus the idle
// time of machine 2 up to s_k) and g_k = -max(h_k, 0) - B(k), induction on k gives
//     d(k) = B(k) + p1x + max(u_i, max_{i<=j<=k} g_j),   u_i = d(i-1) - B(i-1) - p1x.
// The running maximum of g from i is a staircase over the "records" of g from i (the
// positions whose g exceeds every g before them, from i on), so with k* the first position
// k >= i with g_k > u_i and R(j) = sum_{k>=j} max_{j<=l<=k} g_l,
//     sum_{k>=i} max(u_i, running max) = u_i (k* - i) + R(k*)   (u_i (m - i) when no k*).
// Sweeping i from m - 1 down to 0, the records from i are a stack of positions whose g
// decreases strictly from the bottom to the top (a monotonic stack); R follows from the
// next record, and k* is found by a binary search of the stack. The objective is then
//     F + c2x + sum_{k>=i} B(k) + (m - i) p1x + sum_{k>=i} max(u_i, running max),
// F being the objective of the sequence without x: O(m log m) for all positions.

namespace {

void reserve_workspace(InsertionWorkspace& work, int length) {
    const std::size_t size = static_cast<std::size_t>(length) + 1;
    if (work.c1.size() >= size) return;
    work.c1.resize(size);
    work.c2.resize(size);
    work.idle_before.resize(size);
    work.record_key.resize(size);
    work.record_sum.resize(size);
    work.stack_key.resize(size);
    work.stack_position.resize(size);
    work.rest.resize(size);
}

// Calls visit(position, objective) for the positions from `length` down to 0, skipping
// those whose objective is above `threshold` (which visit may lower) by a lower bound.
template <typename Visit>
void sweep_insertions(const JobTimes& times, const int* sequence, int length, int job,
                      InsertionWorkspace& work, Cost& threshold, Visit&& visit) {
    reserve_workspace(work, length);
    Cost* const c1 = work.c1.data();
    Cost* const c2 = work.c2.data();
    Cost* const idle = work.idle_before.data();  // idle[k + 1] = B(k)
    Cost* const key = work.record_key.data();    // key[k] = g_k
    Cost* const record_sum = work.record_sum.data();
    Cost* const stack_key = work.stack_key.data();
    int* const stack_position = work.stack_position.data();
    const int* const p1 = times.p1.data();
    const int* const p2 = times.p2.data();

    // Locals carry the recurrences: the arrays may alias as far as the compiler knows.
    Cost c1_now = 0, c2_now = 0, idle_now = 0, objective_without = 0;
    c1[0] = c2[0] = idle[0] = 0;
    for (int k = 0; k < length; ++k) {
        const int other = sequence[k];
        c1_now += p1[other];
        const Cost backlog = c2_now - c1_now;  // h_k
        c2_now = std::max(c1_now, c2_now) + p2[other];
        idle_now += std::min<Cost>(backlog, 0);
        key[k] = -std::max<Cost>(backlog, 0) - idle_now;
        c1[k + 1] = c1_now;
        c2[k + 1] = c2_now;
        idle[k + 1] = idle_now;
        objective_without += c2_now;
    }

    const Cost p1x = p1[job];
    const Cost p2x = p2[job];
    const Cost appended = objective_without + std::max(c1_now + p1x, c2_now) + p2x;
    if (appended <= threshold) visit(length, appended);

    // The bottom of the stack is a record at `length` above every key: a search that ends
    // there finds no record above u, and its sum of records is 0.
    stack_key[0] = std::numeric_limits<Cost>::max();
    stack_position[0] = length;
    record_sum[length] = 0;
    int top = 0;
    Cost idle_suffix = 0;  // sum_{k>=i} B(k)
    for (int i = length - 1; i >= 0; --i) {
        const Cost g = key[i];
        while (stack_key[top] <= g)
            --top;
        const int next_record = stack_position[top];
        const Cost records = g * (next_record - i) + record_sum[next_record];
        record_sum[i] = records;
        ++top;
        stack_key[top] = g;
        stack_position[top] = i;
        idle_suffix += idle[i + 1];

        const Cost c2_before = c2[i];
        const Cost c2x = std::max(c1[i] + p1x, c2_before) + p2x;
        const Cost u = c2x - c2_before - idle[i] - p1x;
        const Cost later = length - i;
        const Cost fixed = objective_without + c2x + idle_suffix + later * p1x;
        // Every term of the sum is at least u and at least the running record from i.
        if (fixed + std::max(u * later, records) > threshold) continue;
        // The topmost stack entry whose key exceeds u: keys decrease towards the top.
        int low = 0, span = top + 1;
        while (span > 1) {
            const int half = span / 2;
            if (stack_key[low + half] > u) low += half;
            span -= half;
        }
        const int first = stack_position[low];
        const Cost value = fixed + u * (first - i) + record_sum[first];
        if (value <= threshold) visit(i, value);
    }
}

}  // namespace

void insertion_objectives(const JobTimes& times, const int* sequence, int length, int job,
                          InsertionWorkspace& work, Cost* objectives) {
    Cost threshold = std::numeric_limits<Cost>::max();
    sweep_insertions(
        times, sequence, length, job, work, threshold,
        [objectives](int position, Cost objective) { objectives[position] = objective; });
}

Insertion best_insertion(const JobTimes& times, const int* sequence, int length, int job,
                         InsertionWorkspace& work) {
    Insertion best{length, 0};
    Cost threshold = std::numeric_limits<Cost>::max();
    // Positions come from the last down, so `<=` keeps the lowest of equal ones.
    sweep_insertions(times, sequence, length, job, work, threshold,
                     [&best, &threshold](int position, Cost objective) {
                         best = {position, objective};
                         threshold = objective;
                     });
    return best;
}

Insertion best_reinsertion(const JobTimes& times, const int* sequence, int length, int position,
                           Cost objective, InsertionWorkspace& work) {
    reserve_workspace(work, length);
    int* rest = work.rest.data();
    std::copy(sequence, sequence + position, rest);
    std::copy(sequence + position + 1, sequence + length, rest + position);
    // Back at its old position the job gives `objective`: only strictly lower ones count.
    Insertion best{position, objective};
    Cost threshold = objective - 1;
    sweep_insertions(times, rest, length - 1, sequence[position], work, threshold,
                     [&best, &threshold](int candidate, Cost value) {
                         best = {candidate, value};
                         threshold = value;
                     });
    return best;
}

void move_job(std::vector<int>& sequence, int from, int to) {
    if (from < to) {
        std::rotate(sequence.begin() + from, sequence.begin() + from + 1,
                    sequence.begin() + to + 1);
    } else if (to < from) {
        std::rotate(sequence.begin() + to, sequence.begin() + from, sequence.begin() + from + 1);
    }
}

}  // namespace zemko
