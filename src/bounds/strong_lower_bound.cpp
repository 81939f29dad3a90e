#include "bounds/strong_lower_bound.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bounds/backlog_paths.hpp"
#include "bounds/position_bounds.hpp"

namespace zemko {

namespace {

// Prices are multiplier * PRICE_SCALE rounded to integers, so that every path value is an
// exact integer in a double (all magnitudes stay far below 2^53).
constexpr double PRICE_SCALE = 16.0;
constexpr double PRICE_LIMIT = 1099511627776.0;  // 2^40: |multiplier| never grows past it
constexpr int STALL_LIMIT = 20;                  // steps without a better bound, then halve
constexpr double FIRST_STEP_FACTOR = 1.0;
constexpr int SHAPE_FUNCTIONS = 6;

// The best of the orders by a * p1 + (10 - a) * p2, a = 0..10 (ties by index): a sequence
// whose objective aims the subgradient steps.
std::vector<int> priority_sequence(const JobTimes& times, std::int64_t& objective) {
    const int n = times.count();
    std::vector<int> order(n), best;
    objective = 0;
    for (int a = 0; a <= 10; ++a) {
        for (int j = 0; j < n; ++j)
            order[j] = j;
        auto key = [&](int j) {
            return static_cast<std::int64_t>(a) * times.p1[j] +
                   static_cast<std::int64_t>(10 - a) * times.p2[j];
        };
        std::sort(order.begin(), order.end(), [&](int x, int y) {
            if (key(x) != key(y)) return key(x) < key(y);
            return x < y;
        });
        const std::int64_t value = sequence_objective(times, order);
        if (best.empty() || value < objective) {
            objective = value;
            best = order;
        }
    }
    return best;
}

// Mutually orthogonal vectors spanning 1, p1, p2, p1^2, p2^2 and p1 p2 (over the jobs, the
// times divided by the largest): the multipliers of a solved instance lie close to their span,
// so the first steps move the multipliers within it.
std::vector<std::vector<double>> shape_basis(const JobTimes& times) {
    const int n = times.count();
    double largest = 1.0;
    for (int j = 0; j < n; ++j)
        largest = std::max({largest, std::fabs(static_cast<double>(times.p1[j])),
                            std::fabs(static_cast<double>(times.p2[j]))});
    std::vector<std::vector<double>> basis;
    for (int f = 0; f < SHAPE_FUNCTIONS; ++f) {
        std::vector<double> v(n);
        for (int j = 0; j < n; ++j) {
            const double a = times.p1[j] / largest, b = times.p2[j] / largest;
            const double values[SHAPE_FUNCTIONS] = {1.0, a, b, a * a, b * b, a * b};
            v[j] = values[f];
        }
        for (const auto& q : basis) {
            double dot = 0.0, norm = 0.0;
            for (int j = 0; j < n; ++j) {
                dot += q[j] * v[j];
                norm += q[j] * q[j];
            }
            for (int j = 0; j < n; ++j)
                v[j] -= dot / norm * q[j];
        }
        double norm = 0.0;
        for (int j = 0; j < n; ++j)
            norm += v[j] * v[j];
        if (norm > 1e-9 * n) basis.push_back(std::move(v));  // skip dependent functions
    }
    return basis;
}

// Replaces `direction` by its projection on the span of the orthogonal `basis`.
void project(const std::vector<std::vector<double>>& basis, std::vector<double>& direction) {
    const int n = static_cast<int>(direction.size());
    std::vector<double> projected(n, 0.0);
    for (const auto& q : basis) {
        double dot = 0.0, norm = 0.0;
        for (int j = 0; j < n; ++j) {
            dot += q[j] * direction[j];
            norm += q[j] * q[j];
        }
        for (int j = 0; j < n; ++j)
            projected[j] += dot / norm * q[j];
    }
    direction = std::move(projected);
}

// ceil(value / scale) of an exact integer held in a double.
std::int64_t ceil_div(double value, std::int64_t scale) {
    const auto v = static_cast<std::int64_t>(value);
    std::int64_t q = v / scale;
    if (v % scale != 0 && v > 0) ++q;
    return q;
}

}  // namespace

StrongBoundEffort default_strong_bound_effort(int jobs) {
    StrongBoundEffort effort;
    effort.iterations = 300;
    effort.shaped_iterations = 80;
    effort.max_buckets = jobs <= 100 ? 1024 : 2048;
    effort.span_factor = jobs <= 100 ? 10 : 20;
    return effort;
}

StrongBound strong_lower_bound(const JobTimes& times, const StrongBoundEffort& effort,
                               const std::atomic<bool>* stop) {
    StrongBound result;
    const int n = times.count();
    result.position_bound = position_lower_bound(times);
    result.lower_bound = result.position_bound;
    if (n == 0) return result;
    result.best_sequence = priority_sequence(times, result.upper_bound);
    if (n == 1) {
        result.lower_bound = result.upper_bound;
        return result;
    }

    const BacklogGrid grid =
        make_backlog_grid(times, std::max(effort.max_buckets, 1), effort.span_factor);
    BacklogWork work;
    const std::vector<std::vector<double>> basis = shape_basis(times);
    const auto target = static_cast<double>(result.upper_bound);
    std::vector<double> multipliers(n, target / n), prices(n), direction(n);
    std::vector<int> uses;
    double step_factor = FIRST_STEP_FACTOR;
    double best_value = -1e300;
    int stalled = 0;

    for (int it = 0; it < effort.iterations; ++it) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            result.stopped = true;
            break;
        }
        if (it == effort.shaped_iterations) {
            step_factor = FIRST_STEP_FACTOR;
            stalled = 0;
        }
        double price_sum = 0.0;
        for (int j = 0; j < n; ++j) {
            prices[j] = std::nearbyint(multipliers[j] * PRICE_SCALE);
            price_sum += prices[j];
        }
        const double scaled =
            cheapest_relaxed_path(grid, PRICE_SCALE, prices, work, uses) + price_sum;
        result.iterations_done = it + 1;
        const std::int64_t bound = ceil_div(scaled, static_cast<std::int64_t>(PRICE_SCALE));
        result.lower_bound = std::max(result.lower_bound, bound);
        const double value = scaled / PRICE_SCALE;
        if (value > best_value) {
            best_value = value;
            stalled = 0;
        } else if (++stalled >= STALL_LIMIT) {
            step_factor /= 2;
            stalled = 0;
        }

        double norm = 0.0;
        for (int j = 0; j < n; ++j)
            direction[j] = 1.0 - uses[j];
        for (int j = 0; j < n; ++j)
            norm += direction[j] * direction[j];
        if (norm == 0.0) break;  // every job used once: no step would change the prices
        if (result.lower_bound >= result.upper_bound) break;
        if (it < effort.shaped_iterations) {
            project(basis, direction);
            norm = 0.0;
            for (int j = 0; j < n; ++j)
                norm += direction[j] * direction[j];
            if (norm < 1e-12) norm = 1e-12;
        }
        const double step = step_factor * (target - value) / norm;
        for (int j = 0; j < n; ++j)
            multipliers[j] =
                std::clamp(multipliers[j] + step * direction[j], -PRICE_LIMIT, PRICE_LIMIT);
    }
    return result;
}

}  // namespace zemko
