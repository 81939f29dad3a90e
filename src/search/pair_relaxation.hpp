// The pair relaxation: a lower bound that mixes the two completion chains of each job with a
// weight of its own and lets every pair of jobs take its cheaper order independently of the
// others; the weights, and the cheaper cost of every pair, are set once per instance.
#pragma once

#include <cstdint>
#include <vector>

#include "schedule/job_times.hpp"

namespace zemko {

// Weights are integers in [0, kPairWeightScale] (the weight of machine 1's chain, times the
// scale), so that the bound is computed exactly in integers.
inline constexpr int kPairWeightScale = 1024;

struct PairRelaxation {
    int jobs = 0;
    std::vector<int> weight;              // by job
    std::vector<std::int64_t> own;        // by job: w p1 + scale * p2
    std::vector<std::int64_t> pair_cost;  // [i * jobs + j]: the pair's cheaper order, i != j
};

// Weights tuned for the empty sequence by `iterations` steps of projected subgradient ascent
// (in doubles, the same steps on every machine), then rounded to the scale.
std::vector<int> tuned_pair_weights(const JobTimes& times, int iterations);

PairRelaxation make_pair_relaxation(const JobTimes& times, const std::vector<int>& weight);

}  // namespace zemko
