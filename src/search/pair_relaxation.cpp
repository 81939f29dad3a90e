#include "search/pair_relaxation.hpp"

#include <algorithm>

namespace zemko {

// Why it is a lower bound (any signs of the times). After a prefix ending at (C1, C2), with
// E = max(C2, C1 + min p1) over the unscheduled jobs, every job j that follows satisfies
//   C2(j) >= C1 + p1(j) + p2(j) + sum of p1 over the jobs before j  (machine-1 chain),
//   C2(j) >= E + p2(j) + sum of p2 over the jobs before j            (machine-2 chain),
// (the jobs before j: those that follow the prefix and precede j). With l_j in [0, 1],
// C2(j) >= l_j * chain1 + (1 - l_j) * chain2, and summed over the jobs
//   sum C2 >= sum_j [l_j C1 + (1 - l_j) E + l_j p1(j) + p2(j)] + sum over pairs {i, j} of
//             (l_j p1(i) + (1 - l_j) p2(i) if i precedes j, else l_i p1(j) + (1 - l_i) p2(j)).
// Any order pays one of the two costs of each pair, so at least the smaller: replacing each
// pair's cost by its minimum gives a bound that holds for every order. Everything is scaled
// by kPairWeightScale and exact in 64-bit integers; the caller rounds the quotient up.

std::vector<int> tuned_pair_weights(const JobTimes& times, int iterations) {
    const int n = times.count();
    std::vector<double> mix(n, 0.5), best_mix = mix, gradient(n);
    int min_p1 = 0;
    for (int j = 0; j < n; ++j)
        if (j == 0 || times.p1[j] < min_p1) min_p1 = times.p1[j];
    const double start = min_p1 > 0 ? min_p1 : 0;  // E of the empty sequence
    double best_value = 0;
    for (int step = 0; step < iterations; ++step) {
        double value = 0, largest = 0;
        for (int j = 0; j < n; ++j) {
            value += mix[j] * times.p1[j] + (1 - mix[j]) * start + times.p2[j];
            gradient[j] = times.p1[j] - start;
        }
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                const double i_first = mix[j] * times.p1[i] + (1 - mix[j]) * times.p2[i];
                const double j_first = mix[i] * times.p1[j] + (1 - mix[i]) * times.p2[j];
                if (i_first <= j_first) {
                    value += i_first;
                    gradient[j] += times.p1[i] - times.p2[i];
                } else {
                    value += j_first;
                    gradient[i] += times.p1[j] - times.p2[j];
                }
            }
        if (step == 0 || value > best_value) {
            best_value = value;
            best_mix = mix;
        }
        for (int j = 0; j < n; ++j)
            largest = std::max(largest, gradient[j] > 0 ? gradient[j] : -gradient[j]);
        if (largest == 0) break;
        // Steps that shrink from a fifth of the range, scaled by the largest slope.
        const double length = 0.2 * (1 - static_cast<double>(step) / iterations) / largest;
        for (int j = 0; j < n; ++j)
            mix[j] = std::clamp(mix[j] + length * gradient[j], 0.0, 1.0);
    }
    std::vector<int> weight(n);
    for (int j = 0; j < n; ++j)
        weight[j] = static_cast<int>(best_mix[j] * kPairWeightScale + 0.5);
    return weight;
}

PairRelaxation make_pair_relaxation(const JobTimes& times, const std::vector<int>& weight) {
    const int n = times.count();
    constexpr std::int64_t scale = kPairWeightScale;
    PairRelaxation relaxation;
    relaxation.jobs = n;
    relaxation.weight = weight;
    relaxation.own.resize(n);
    relaxation.pair_cost.assign(static_cast<std::size_t>(n) * n, 0);
    for (int j = 0; j < n; ++j)
        relaxation.own[j] = std::int64_t{weight[j]} * times.p1[j] + scale * times.p2[j];
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            const std::int64_t i_first =
                std::int64_t{weight[j]} * times.p1[i] + (scale - weight[j]) * times.p2[i];
            const std::int64_t j_first =
                std::int64_t{weight[i]} * times.p1[j] + (scale - weight[i]) * times.p2[j];
            const std::int64_t cheaper = std::min(i_first, j_first);
            relaxation.pair_cost[static_cast<std::size_t>(i) * n + j] = cheaper;
            relaxation.pair_cost[static_cast<std::size_t>(j) * n + i] = cheaper;
        }
    return relaxation;
}

}  // namespace zemko
