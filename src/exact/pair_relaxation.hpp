// The pair relaxation: a lower bound that mixes the two completion chains of each job with a
// weight of its own and lets every pair of jobs take its cheaper order independently of the
// others; the weights, and the cheaper cost of every pair, are set once per instance.
#pragma once

#include <cstdint>
#include <vector>

#include "sequence/job_times.hpp"
#include "util/cost.hpp"

namespace zemko {

// Weights are integers in [0, PAIR_WEIGHT_SCALE] (the weight of machine 1's chain, times the
// scale), so that the bound is computed exactly in integers.
inline constexpr int PAIR_WEIGHT_SCALE = 1024;

struct PairRelaxation {
    int jobs = 0;
    std::vector<int> weight;      // by job
    std::vector<Cost> own;        // by job: w p1 + scale * p2
    std::vector<Cost> pair_cost;  // [i * jobs + j]: the pair's cheaper order, i != j
};

// How the weights are tuned: projected subgradient ascent on the bound of the jobs `jobs`
// after a prefix ending at machine-1 time `c1` with machine 2 free from `start` (E), from
// `initial` weights, in doubles (the same steps on every machine); the best weights met are
// rounded to the scale.
struct PairTuning {
    std::vector<int> jobs;
    Cost c1 = 0, start = 0;
    std::vector<int> initial;  // by job, scaled
    int iterations = 0;
    double first_step = 0.2;  // the first step's largest change of a weight, then shrinking
};

std::vector<int> tuned_pair_weights(const JobTimes& times, const PairTuning& tuning);

// The weights for the empty sequence, tuned by `iterations` steps from 1/2, as if machine 2
// were busy `backlog` longer than machine 1 at the start.
std::vector<int> root_pair_weights(const JobTimes& times, int iterations, int backlog);

// The relaxation with these weights; its pair costs are set for the pairs within `jobs` only
// (all jobs when empty).
PairRelaxation make_pair_relaxation(const JobTimes& times, const std::vector<int>& weight,
                                    const std::vector<int>& jobs = {});

}  // namespace zemko
