// With A_k the first k jobs of a sequence, the k-th completion on machine 2 is at least
// P1(A_k) + p2 of the k-th job (machine 1 up to it, then the job on machine 2) and at least
// p1 of the first job + P2(A_k) (machine 2 busy from then on), whatever the signs of the times.
// A weight lambda_k in [0, 1] per position mixes the two; summed over k, the job in position i
// then costs a_i p1 + b_i p2 with
//   a_i = sum_{k >= i} lambda_k (+ sum_k (1 - lambda_k) for the first position),
//   b_i = lambda_i + sum_{k >= i} (1 - lambda_k),
// so the least over every order is an assignment problem of jobs to positions, and it is a
// lower bound for any weights. The weights are integers out of MIX_SCALE, so every cost is an
// exact integer. They start, position by position, at the weight that best bounds the k-th
// completion alone (the k smallest mixed times); subgradient steps follow, the gradient at
// position k being the first bound minus the second in the cheapest order.
#include "certify/mixed_assignment_bound.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "certify/min_cost_assignment.hpp"
#include "util/integer_division.hpp"

namespace zemko {

namespace {

constexpr int MIX_SCALE = 200;  // weight w stands for lambda = w / MIX_SCALE

// Polyak's step, aimed at the target: the factor starts at FIRST_STEP and halves, back at the
// best weights, after STALL_LIMIT steps without a better bound.
constexpr double FIRST_STEP = 0.1;
constexpr int STALL_LIMIT = 3;

// Per position k, the weight w for which the k smallest of w p1 + (MIX_SCALE - w) p2, plus
// w * min p2 + (MIX_SCALE - w) * min p1, is largest (the smallest such w): each completion
// bounded alone, which the assignment then ties together.
std::vector<double> first_weights(const JobTimes& times) {
    const int n = times.count();
    const Cost min_p1 = *std::min_element(times.p1.begin(), times.p1.end());
    const Cost min_p2 = *std::min_element(times.p2.begin(), times.p2.end());
    std::vector<Cost> best(n, std::numeric_limits<Cost>::min());
    std::vector<int> best_weight(n, 0);
    std::vector<Cost> keys(n);
    for (int w = 0; w <= MIX_SCALE; ++w) {
        for (int j = 0; j < n; ++j)
            keys[j] =
                static_cast<Cost>(w) * times.p1[j] + static_cast<Cost>(MIX_SCALE - w) * times.p2[j];
        std::sort(keys.begin(), keys.end());
        Cost value = w * min_p2 + (MIX_SCALE - w) * min_p1;
        for (int k = 0; k < n; ++k) {
            value += keys[k];
            if (value > best[k]) {
                best[k] = value;
                best_weight[k] = w;
            }
        }
    }
    std::vector<double> lambda(n);
    for (int k = 0; k < n; ++k)
        lambda[k] = static_cast<double>(best_weight[k]) / MIX_SCALE;
    return lambda;
}

// The cost table of the assignment (position by position, jobs along a row), in units of
// 1 / MIX_SCALE.
void fill_costs(const JobTimes& times, const std::vector<int>& weight, std::vector<Cost>& cost) {
    const int n = times.count();
    std::vector<Cost> a(n), b(n);
    Cost later_weight = 0, later_rest = 0;
    for (int i = n - 1; i >= 0; --i) {
        later_weight += weight[i];
        later_rest += MIX_SCALE - weight[i];
        a[i] = later_weight;
        b[i] = weight[i] + later_rest;
    }
    a[0] += later_rest;
    cost.resize(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            cost[static_cast<std::size_t>(i) * n + j] = a[i] * times.p1[j] + b[i] * times.p2[j];
}

// The column potentials are the jobs' duals: with the rows' (positions') ones they price every
// cost from below and sum to the least total, in units of 1 / MIX_SCALE.
void keep_job_prices(const AssignmentWork& work, int n, std::vector<double>& prices) {
    prices.resize(n);
    for (int j = 0; j < n; ++j)
        prices[j] = static_cast<double>(work.column_potential[j + 1]) / MIX_SCALE;
}

}  // namespace

MixedBound mixed_assignment_bound(const JobTimes& times, int solves, Cost target,
                                  const Limits& limits) {
    MixedBound result;
    result.lower_bound = std::numeric_limits<Cost>::min();
    const int n = times.count();
    std::vector<double> lambda = first_weights(times), best_lambda = lambda;
    std::vector<int> weight(n), job_at;
    std::vector<Cost> cost;
    std::vector<double> gradient(n);
    AssignmentWork work;
    double step_factor = FIRST_STEP;
    Cost best_scaled = std::numeric_limits<Cost>::min();
    int stalled = 0;
    for (int solve = 0; solve < solves; ++solve) {
        if (must_stop(limits)) {
            result.stopped = true;
            break;
        }
        for (int k = 0; k < n; ++k)
            weight[k] = static_cast<int>(std::nearbyint(lambda[k] * MIX_SCALE));
        fill_costs(times, weight, cost);
        const std::optional<Cost> solved = min_cost_assignment(cost, n, job_at, work, limits);
        if (!solved) {
            result.stopped = true;
            break;
        }
        const Cost scaled = *solved;
        result.solves_done = solve + 1;
        result.lower_bound = std::max(result.lower_bound, ceil_div(scaled, MIX_SCALE));
        if (result.lower_bound >= target) break;

        if (scaled > best_scaled) {
            best_scaled = scaled;
            best_lambda = lambda;
            stalled = 0;
            keep_job_prices(work, n, result.job_prices);
        } else if (++stalled >= STALL_LIMIT) {
            step_factor /= 2;
            lambda = best_lambda;
            stalled = 0;
            continue;
        }
        Cost machine1 = 0, machine2 = 0;
        double norm = 0.0;
        for (int k = 0; k < n; ++k) {
            const int job = job_at[k];
            machine1 += times.p1[job];
            machine2 += times.p2[job];
            gradient[k] =
                static_cast<double>(machine1 + times.p2[job] - times.p1[job_at[0]] - machine2);
            norm += gradient[k] * gradient[k];
        }
        if (norm == 0.0) break;
        const double value = static_cast<double>(scaled) / MIX_SCALE;
        const double step = step_factor * (static_cast<double>(target) - value) / norm;
        for (int k = 0; k < n; ++k)
            lambda[k] = std::clamp(lambda[k] + step * gradient[k], 0.0, 1.0);
    }
    return result;
}

}  // namespace zemko
