#include "schedule/insertion.hpp"

#include <algorithm>

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

long long sequence_objective(const JobTimes& times, const int* sequence, int length) {
    long long c1 = 0, c2 = 0, sum = 0;
    for (int k = 0; k < length; ++k) {
        const int job = sequence[k];
        c1 += times.p1[job];
        c2 = std::max(c1, c2) + times.p2[job];
        sum += c2;
    }
    return sum;
}

long long sequence_objective(const JobTimes& times, const std::vector<int>& sequence) {
    return sequence_objective(times, sequence.data(), static_cast<int>(sequence.size()));
}

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

// Calls visit(position, objective) for every position from `length` down to 0.
template <typename Visit>
void sweep_insertions(const JobTimes& times, const int* sequence, int length, int job,
                      InsertionWorkspace& work, Visit&& visit) {
    reserve_workspace(work, length);
    long long* c1 = work.c1.data();
    long long* c2 = work.c2.data();
    long long* idle = work.idle_before.data();  // idle[k + 1] = B(k)
    long long* key = work.record_key.data();    // key[k] = g_k
    long long* record_sum = work.record_sum.data();
    long long* stack_key = work.stack_key.data();
    int* stack_position = work.stack_position.data();

    c1[0] = c2[0] = idle[0] = 0;
    long long objective_without = 0;
    for (int k = 0; k < length; ++k) {
        const int other = sequence[k];
        c1[k + 1] = c1[k] + times.p1[other];
        const long long backlog = c2[k] - c1[k + 1];  // h_k
        c2[k + 1] = std::max(c1[k + 1], c2[k]) + times.p2[other];
        idle[k + 1] = idle[k] + std::min(backlog, 0LL);
        key[k] = -std::max(backlog, 0LL) - idle[k + 1];
        objective_without += c2[k + 1];
    }

    const long long p1x = times.p1[job];
    const long long p2x = times.p2[job];
    visit(length, objective_without + std::max(c1[length] + p1x, c2[length]) + p2x);

    long long idle_suffix = 0;  // sum_{k>=i} B(k)
    int stack_size = 0;
    for (int i = length - 1; i >= 0; --i) {
        const long long g = key[i];
        while (stack_size > 0 && stack_key[stack_size - 1] <= g)
            --stack_size;
        const int next_record = stack_size > 0 ? stack_position[stack_size - 1] : length;
        record_sum[i] =
            g * (next_record - i) + (next_record < length ? record_sum[next_record] : 0);
        stack_key[stack_size] = g;
        stack_position[stack_size] = i;
        ++stack_size;
        idle_suffix += idle[i + 1];

        const long long c2x = std::max(c1[i] + p1x, c2[i]) + p2x;
        const long long u = c2x - c2[i] - idle[i] - p1x;
        const long long later = length - i;
        long long shifted;
        if (stack_key[0] <= u) {
            shifted = u * later;
        } else {
            // The topmost stack entry whose key exceeds u: keys decrease towards the top.
            int low = 0, span = stack_size;
            while (span > 1) {
                const int half = span / 2;
                if (stack_key[low + half] > u) low += half;
                span -= half;
            }
            const int first = stack_position[low];
            shifted = u * (first - i) + record_sum[first];
        }
        visit(i, objective_without + c2x + idle_suffix + later * p1x + shifted);
    }
}

}  // namespace

void insertion_objectives(const JobTimes& times, const int* sequence, int length, int job,
                          InsertionWorkspace& work, long long* objectives) {
    sweep_insertions(
        times, sequence, length, job, work,
        [objectives](int position, long long objective) { objectives[position] = objective; });
}

Insertion best_insertion(const JobTimes& times, const int* sequence, int length, int job,
                         InsertionWorkspace& work) {
    Insertion best{length, 0};
    bool first = true;
    // Positions come from the last down, so `<=` keeps the lowest of equal ones.
    sweep_insertions(times, sequence, length, job, work,
                     [&best, &first](int position, long long objective) {
                         if (first || objective <= best.objective) {
                             best = {position, objective};
                             first = false;
                         }
                     });
    return best;
}

Insertion best_reinsertion(const JobTimes& times, const int* sequence, int length, int position,
                           InsertionWorkspace& work) {
    reserve_workspace(work, length);
    int* rest = work.rest.data();
    std::copy(sequence, sequence + position, rest);
    std::copy(sequence + position + 1, sequence + length, rest + position);
    const int job = sequence[position];
    Insertion best{position, 0};
    long long at_old = 0;
    sweep_insertions(times, rest, length - 1, job, work, [&](int candidate, long long objective) {
        if (candidate == position) at_old = objective;
        if (candidate == length - 1 || objective <= best.objective) {
            best = {candidate, objective};
        }
    });
    if (best.objective == at_old) best.position = position;
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
