// The certificate of an answer: a lower bound on the objective of every sequence, the largest of
// the bounds at hand (each valid on its own), and whether the answer is proven optimal.
#pragma once

#include <initializer_list>

namespace zemko {

struct Certificate {
    long long lower_bound = 0;  // no sequence has a smaller objective
    bool optimal = false;       // the answer's objective equals the optimum
};

// The certificate of an answer of objective `answer`, from valid lower bounds (LLONG_MIN for a
// bound that is not at hand). The answer is optimal when a search proved it so
// (`proven_by_search`) or a bound reaches it; the bound is then the answer's objective.
Certificate certify_answer(long long answer, std::initializer_list<long long> bounds,
                           bool proven_by_search);

// The gap of an objective over a lower bound in percent (0 for a bound that is not positive).
double percent_gap(long long objective, long long bound);

}  // namespace zemko
