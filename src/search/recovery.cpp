// The recovery step.
#include "search/recovery.hpp"

#include "input/jobs.hpp"
#include "input/settings.hpp"

namespace zemko {

int recoveries = 0;

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
            for (int k = i + 1; k <= m - 2; ++k) tail[t++] = s[k];
            tail[t++] = job;
            break;
        case INSERT_LAST:  // the last job moves in front of the job at i
            tail[t++] = last;
            tail[t++] = job;
            for (int k = i + 1; k <= m - 2; ++k) tail[t++] = s[k];
            break;
        default:  // MOVE_TO_END: the job at i goes after the last job
            for (int k = i + 1; k <= m - 2; ++k) tail[t++] = s[k];
            tail[t++] = last;
            tail[t++] = job;
            break;
    }
}

// A candidate dominates the reference when it lowers C2sum by at least the delay of machine 2
// times the number of jobs still to come (and by at least 1).
bool accepts(int gain, int delay, int remaining) { return gain >= 1 && remaining * delay <= gain; }

}  // namespace

int recover_node(Node* node) {
    recoveries += 1;
    int result = 0;
    int candidate[MAX_JOBS];
    int new_seq[MAX_JOBS];
    for (;;) {
        const int m = node->level;
        const int* s = node->seq;
        const int remaining = n_jobs - m;
        int ref_c2sum = node->c2sum;
        int ref_c2 = node->c2;
        bool changed = false;
        bool repeat = false;
        if (m <= 1) return result;

        for (int i = 0; i <= m - 2; ++i) {
            int prefix_c1 = 0;
            int prefix_c2 = 0;
            int prefix_sum = 0;
            if (i > 0) {
                prefix_c1 = node->c1_of[s[i - 1]];
                prefix_c2 = node->c2_of[s[i - 1]];
                for (int k = 0; k < i; ++k) prefix_sum += node->c2_of[s[k]];
            }
            for (int move = 0; move < N_MOVES; ++move) {
                write_tail(static_cast<Move>(move), s, m, i, candidate);
                int c1 = prefix_c1;
                int c2 = prefix_c2;
                int cand_c2sum = prefix_sum + eval_seq(candidate, m - i, c1, c2);
                int gain = ref_c2sum - cand_c2sum;
                int delay = c2 - ref_c2;
                if (!accepts(gain, delay, remaining)) continue;
                changed = true;
                if (gain - delay > 0) repeat = true;
                ref_c2sum = cand_c2sum;
                ref_c2 = c2;
                for (int k = 0; k < i; ++k) new_seq[k] = s[k];
                for (int k = i; k < m; ++k) new_seq[k] = candidate[k - i];
                break;
            }
        }
        if (!changed) return result;
        result = 1;
        rebuild_node(node, new_seq, m);
        if (MoreLoops == 0 || !repeat) return result;
    }
}

}  // namespace zemko
