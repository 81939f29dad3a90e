// The best solution of the run.
#include "bounds/best_solution.hpp"

#include "schedule/node.hpp"

namespace zemko {

void reset_best_solution(BestSolution& best) {
    best = BestSolution{};
}

bool offer_solution(BestSolution& best, const JobTable& table, const int* seq, int fo, int level) {
    if (fo >= best.fo) return false;
    best.fo = fo;
    copy_seq(table, best.seq, seq);
    best.level = level;
    return true;
}

}  // namespace zemko
