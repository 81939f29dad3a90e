// The best solution of the run.
#include "bounds/best_solution.hpp"

#include <climits>
#include <cstring>

#include "schedule/node.hpp"

namespace zemko {

int best_fo = INT_MAX;
int best_seq[MAX_JOBS];
int best_level = 0;

void reset_best_solution() {
    best_fo = INT_MAX;
    std::memset(best_seq, 0, sizeof best_seq);
    best_level = 0;
}

bool offer_solution(const int* seq, int fo, int level) {
    if (fo >= best_fo) return false;
    best_fo = fo;
    copy_seq(best_seq, seq);
    best_level = level;
    return true;
}

}  // namespace zemko
