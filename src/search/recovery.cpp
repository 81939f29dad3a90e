// The recovery step.
//
// Every candidate of a pass is the pass's starting sequence with its end rearranged: at
// position i (J = s[i], L = the last job, M = s[i+1 .. m-2] the jobs in between) the tails are
// L M J, L J M and M L J. Evaluating each tail job by job costs the length of M, for every
// position and move. Here M is evaluated from the starting sequence's own schedule instead.
// Write h = c2 - c1 for the lead of machine 2 over machine 1 after a job; along any sequence
// h(k) = max(h(k-1) - p1(k), 0) + p2(k), whatever c1 is. A candidate runs through M with its
// machine-1 times shifted by a constant (the p1 of the jobs it moved) and its lead shifted by
// some delta; the delta follows
//     delta(k) = max(h(k-1) - p1(k) + delta(k-1), 0) - max(h(k-1) - p1(k), 0),
// stays the same while the starting sequence keeps machine 2 busy and, once 0, stays 0. So the
// candidate's C2sum over M is the starting sequence's, plus the shift times |M|, plus the sum of
// the deltas, and the deltas are followed only until they vanish, skipping the stretches where
// a positive delta cannot change. All of it is integer arithmetic on the same values: the sums
// are exactly those of the job-by-job evaluation.
#include "search/recovery.hpp"

#include <algorithm>

namespace zemko {

namespace {

enum Move { SWAP_LAST, INSERT_LAST, MOVE_TO_END, N_MOVES };

// Writes the tail that `move` puts at positions i .. m-1 of s (m = level) into tail.
void write_tail(Move move, const int* s, int m, int i, int* tail) {
    const int last = s[m - 1];
    const int job = s[i];
    int t = 0;
    switch (move) {
        case SWAP_LAST:  // exchange the job at i and the last job
            tail[t++] = last;
            for (int k = i + 1; k <= m - 2; ++k)
                tail[t++] = s[k];
            tail[t++] = job;
            break;
        case INSERT_LAST:  // the last job moves in front of the job at i
            tail[t++] = last;
            tail[t++] = job;
            for (int k = i + 1; k <= m - 2; ++k)
                tail[t++] = s[k];
            break;
        default:  // MOVE_TO_END: the job at i goes after the last job
            for (int k = i + 1; k <= m - 2; ++k)
                tail[t++] = s[k];
            tail[t++] = last;
            tail[t++] = job;
            break;
    }
}

// A candidate dominates the reference when it lowers C2sum by at least the delay of machine 2
// times the number of jobs still to come (and by at least 1).
bool accepts(int gain, int delay, int remaining) {
    return gain >= 1 && remaining * delay <= gain;
}

// Machine completion times after some jobs.
struct Times {
    int c1;
    int c2;
};

Times after(const Job* jobs, Times t, int j) {
    t.c1 += jobs[j].p1;
    t.c2 = imax(t.c2, t.c1) + jobs[j].p2;
    return t;
}

// The schedule of the pass's starting sequence, position by position.
struct Trajectory {
    int m;                        // jobs in the sequence
    int c1[MAX_JOBS];             // machine-1 completion at each position
    int lead[MAX_JOBS];           // h = c2 - c1 at each position
    int slack[MAX_JOBS];          // h(k-1) - p1(k): how far machine 2 is from idling at k
    int idle_gap[MAX_JOBS];       // max(slack, 0)
    int next_idle[MAX_JOBS + 1];  // first position >= k (up to m-2) with slack < 0, else m-1
    int c2_before[MAX_JOBS + 1];  // C2sum of positions 0 .. k-1

    Trajectory(const Job* jobs, const Node* node) : m(node->level) {
        const int* s = node->seq;
        c2_before[0] = 0;
        for (int k = 0; k < m; ++k) {
            c1[k] = node->c1_of[s[k]];
            lead[k] = node->c2_of[s[k]] - c1[k];
            c2_before[k + 1] = c2_before[k] + node->c2_of[s[k]];
            slack[k] = k > 0 ? lead[k - 1] - jobs[s[k]].p1 : 0;
            idle_gap[k] = imax(slack[k], 0);
        }
        next_idle[m - 1 > 0 ? m - 1 : 0] = m - 1;
        for (int k = m - 2; k >= 0; --k)
            next_idle[k] = slack[k] < 0 ? k : next_idle[k + 1];
    }

    // Runs the jobs of positions i+1 .. m-2 (the middle M) after `start`; returns the C2sum
    // they add and leaves the times after them in `start`.
    int run_middle(int i, Times& start) const {
        const int length = m - 2 - i;
        if (length <= 0) return 0;
        const int shift = start.c1 - c1[i];
        int delta = (start.c2 - start.c1) - lead[i];
        int delta_sum = 0;
        int k = i + 1;
        while (k <= m - 2 && delta != 0) {
            if (delta > 0) {
                // A positive delta is unchanged until the starting sequence idles machine 2.
                const int stop = next_idle[k];
                delta_sum += delta * (stop - k);
                k = stop;
                if (k > m - 2) break;
            }
            delta = imax(slack[k] + delta, 0) - idle_gap[k];
            delta_sum += delta;
            ++k;
        }
        if (k <= m - 2) delta = 0;
        start.c1 = c1[m - 2] + shift;
        start.c2 = start.c1 + lead[m - 2] + delta;
        return (c2_before[m - 1] - c2_before[i + 1]) + length * shift + delta_sum;
    }
};

// C2sum and final times of `move`'s tail at position i after `prefix`.
int evaluate_move(const Job* jobs, const Trajectory& t, const int* s, int i, Move move,
                  Times& state) {
    const int job = s[i];
    const int last = s[t.m - 1];
    int sum = 0;
    switch (move) {
        case SWAP_LAST:
            state = after(jobs, state, last);
            sum += state.c2;
            sum += t.run_middle(i, state);
            state = after(jobs, state, job);
            sum += state.c2;
            break;
        case INSERT_LAST:
            state = after(jobs, state, last);
            sum += state.c2;
            state = after(jobs, state, job);
            sum += state.c2;
            sum += t.run_middle(i, state);
            break;
        default:
            sum += t.run_middle(i, state);
            state = after(jobs, state, last);
            sum += state.c2;
            state = after(jobs, state, job);
            sum += state.c2;
            break;
    }
    return sum;
}

}  // namespace

int recover_node(SearchRun& run, Node* node) {
    run.recoveries += 1;
    return recover_in_place(run.table, run.settings.more_loops, node);
}

int recover_in_place(const JobTable& table, int more_loops, Node* node) {
    const Job* jobs = table.jobs;
    int result = 0;
    int new_seq[MAX_JOBS];
    for (;;) {
        const int m = node->level;
        const int* s = node->seq;
        const int remaining = table.n_jobs - m;
        int ref_c2sum = node->c2sum;
        int ref_c2 = node->c2;
        bool changed = false;
        bool repeat = false;
        if (m <= 1) return result;

        const Trajectory trajectory(jobs, node);
        for (int i = 0; i <= m - 2; ++i) {
            Times prefix{0, 0};
            if (i > 0) prefix = {node->c1_of[s[i - 1]], node->c2_of[s[i - 1]]};
            const int prefix_sum = trajectory.c2_before[i];
            for (int move = 0; move < N_MOVES; ++move) {
                Times state = prefix;
                int cand_c2sum =
                    prefix_sum + evaluate_move(jobs, trajectory, s, i, Move(move), state);
                int gain = ref_c2sum - cand_c2sum;
                int delay = state.c2 - ref_c2;
                if (!accepts(gain, delay, remaining)) continue;
                changed = true;
                if (gain - delay > 0) repeat = true;
                ref_c2sum = cand_c2sum;
                ref_c2 = state.c2;
                std::copy(s, s + i, new_seq);
                write_tail(Move(move), s, m, i, new_seq + i);
                break;
            }
        }
        if (!changed) return result;
        result = 1;
        rebuild_node(table, node, new_seq, m);
        if (more_loops == 0 || !repeat) return result;
    }
}

}  // namespace zemko
