#include "exact/pair_relaxation.hpp"

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
// by PAIR_WEIGHT_SCALE and exact in 64-bit integers; the caller rounds the quotient up.

std::vector<int> tuned_pair_weights(const JobTimes& times, const PairTuning& tuning) {
    const std::vector<int>& jobs = tuning.jobs;
    const int r = static_cast<int>(jobs.size());
    std::vector<double> mix(r), best_mix(r), gradient(r);
    for (int a = 0; a < r; ++a)
        mix[a] = static_cast<double>(tuning.initial[jobs[a]]) / PAIR_WEIGHT_SCALE;
    best_mix = mix;
    const double c1 = static_cast<double>(tuning.c1), start = static_cast<double>(tuning.start);
    double best_value = 0;
    for (int step = 0; step < tuning.iterations; ++step) {
        double value = 0, largest = 0;
        for (int a = 0; a < r; ++a) {
            const int j = jobs[a];
            value += mix[a] * (c1 + times.p1[j]) + (1 - mix[a]) * start + times.p2[j];
            gradient[a] = c1 + times.p1[j] - start;
        }
        for (int a = 0; a < r; ++a)
            for (int b = a + 1; b < r; ++b) {
                const int i = jobs[a], j = jobs[b];
                const double i_first = mix[b] * times.p1[i] + (1 - mix[b]) * times.p2[i];
                const double j_first = mix[a] * times.p1[j] + (1 - mix[a]) * times.p2[j];
                if (i_first <= j_first) {
                    value += i_first;
                    gradient[b] += times.p1[i] - times.p2[i];
                } else {
                    value += j_first;
                    gradient[a] += times.p1[j] - times.p2[j];
                }
            }
        if (step == 0 || value > best_value) {
            best_value = value;
            best_mix = mix;
        }
        for (int a = 0; a < r; ++a)
            largest = std::max(largest, gradient[a] > 0 ? gradient[a] : -gradient[a]);
        if (largest == 0) break;
        const double length =
            tuning.first_step * (1 - static_cast<double>(step) / tuning.iterations) / largest;
        for (int a = 0; a < r; ++a)
            mix[a] = std::clamp(mix[a] + length * gradient[a], 0.0, 1.0);
    }
    std::vector<int> weight = tuning.initial;
    for (int a = 0; a < r; ++a)
        weight[jobs[a]] = static_cast<int>(best_mix[a] * PAIR_WEIGHT_SCALE + 0.5);
    return weight;
}

std::vector<int> root_pair_weights(const JobTimes& times, int iterations, int backlog) {
    const int n = times.count();
    PairTuning tuning;
    int min_p1 = 0;
    for (int j = 0; j < n; ++j) {
        tuning.jobs.push_back(j);
        if (j == 0 || times.p1[j] < min_p1) min_p1 = times.p1[j];
    }
    tuning.start = Cost{min_p1 > 0 ? min_p1 : 0} + backlog;
    tuning.initial.assign(n, PAIR_WEIGHT_SCALE / 2);
    tuning.iterations = iterations;
    return tuned_pair_weights(times, tuning);
}

PairRelaxation make_pair_relaxation(const JobTimes& times, const std::vector<int>& weight,
                                    const std::vector<int>& jobs) {
    const int n = times.count();
    constexpr Cost scale = PAIR_WEIGHT_SCALE;
    PairRelaxation relaxation;
    relaxation.jobs = n;
    relaxation.weight = weight;
    relaxation.own.resize(n);
    relaxation.pair_cost.assign(static_cast<std::size_t>(n) * n, 0);
    std::vector<int> all;
    if (jobs.empty())
        for (int j = 0; j < n; ++j)
            all.push_back(j);
    const std::vector<int>& set = jobs.empty() ? all : jobs;
    for (int j : set)
        relaxation.own[j] = Cost{weight[j]} * times.p1[j] + scale * times.p2[j];
    for (std::size_t a = 0; a < set.size(); ++a)
        for (std::size_t b = a + 1; b < set.size(); ++b) {
            const int i = set[a], j = set[b];
            const Cost i_first = Cost{weight[j]} * times.p1[i] + (scale - weight[j]) * times.p2[i];
            const Cost j_first = Cost{weight[i]} * times.p1[j] + (scale - weight[i]) * times.p2[j];
            const Cost cheaper = std::min(i_first, j_first);
            relaxation.pair_cost[static_cast<std::size_t>(i) * n + j] = cheaper;
            relaxation.pair_cost[static_cast<std::size_t>(j) * n + i] = cheaper;
        }
    return relaxation;
}

}  // namespace zemko
