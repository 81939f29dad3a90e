#include "bounds/strong_lower_bound.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bounds/backlog_paths.hpp"
#include "bounds/mixed_assignment_bound.hpp"
#include "bounds/position_bounds.hpp"

namespace zemko {

namespace {

// Prices are multiplier * PRICE_SCALE rounded to integers, so that every path value is an
// exact integer in a double (all magnitudes stay far below 2^53). A multiple of 4 (see
// cheapest_relaxed_path).
constexpr double PRICE_SCALE = 16.0;
constexpr double PRICE_LIMIT = 68719476736.0;  // 2^36: |multiplier| never grows past it
constexpr int SHAPE_FUNCTIONS = 6;

// Polyak's step, aimed at the best objective known: the factor starts at FIRST_STEP and
// halves after STALL_LIMIT steps without a better bound.
constexpr double FIRST_STEP = 2.0;
constexpr int STALL_LIMIT = 20;

// The best of the orders by a * p1 + (10 - a) * p2, a = 0..10 (ties by index).
std::vector<int> priority_sequence(const JobTimes& times) {
    const int n = times.count();
    std::vector<int> order(n), best;
    std::int64_t best_value = 0;
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
        if (best.empty() || value < best_value) {
            best_value = value;
            best = order;
        }
    }
    return best;
}

// Where `job` goes best in `sequence` (the first such place), and the objective then.
std::size_t best_insertion(const JobTimes& times, const std::vector<int>& sequence, int job,
                           std::int64_t& objective) {
    const std::size_t m = sequence.size();
    std::size_t best_place = 0;
    std::int64_t c1 = 0, c2 = 0, sum = 0;  // of sequence[0, place)
    objective = -1;
    for (std::size_t place = 0; place <= m; ++place) {
        std::int64_t d1 = c1 + times.p1[job];
        std::int64_t d2 = std::max(d1, c2) + times.p2[job];
        std::int64_t total = sum + d2;
        for (std::size_t i = place; i < m; ++i) {
            d1 += times.p1[sequence[i]];
            d2 = std::max(d1, d2) + times.p2[sequence[i]];
            total += d2;
        }
        if (objective < 0 || total < objective) {
            objective = total;
            best_place = place;
        }
        if (place < m) {
            c1 += times.p1[sequence[place]];
            c2 = std::max(c1, c2) + times.p2[sequence[place]];
            sum += c2;
        }
    }
    return best_place;
}

bool stop_asked(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

// A good sequence to aim the steps at: insertion of the jobs in the best priority order, each
// where it costs least, then one pass that takes each job out and puts it back at its best.
// Asked to stop, it appends the jobs left in priority order.
std::vector<int> heuristic_sequence(const JobTimes& times, const std::atomic<bool>* stop) {
    const std::vector<int> order = priority_sequence(times);
    std::vector<int> sequence;
    std::int64_t objective = 0;
    for (int job : order) {
        std::size_t place = sequence.size();
        if (!stop_asked(stop)) place = best_insertion(times, sequence, job, objective);
        sequence.insert(sequence.begin() + static_cast<std::ptrdiff_t>(place), job);
    }
    for (int job : order) {
        if (stop_asked(stop)) break;
        std::vector<int> rest;
        for (int j : sequence)
            if (j != job) rest.push_back(j);
        const std::size_t place = best_insertion(times, rest, job, objective);
        rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(place), job);
        sequence = std::move(rest);
    }
    return sequence;
}

bool is_permutation_of_jobs(const std::vector<int>& sequence, int n) {
    if (static_cast<int>(sequence.size()) != n) return false;
    std::vector<char> seen(n, 0);
    for (int j : sequence) {
        if (j < 0 || j >= n || seen[j]) return false;
        seen[j] = 1;
    }
    return true;
}

// A true sequence from a relaxed path: each job stays where it first appears, and the places
// of its repeats go, in position order, to the missing job nearest in times to the repeated one
// (ties by index).
std::vector<int> repair_path(const JobTimes& times, const std::vector<int>& path) {
    const int n = times.count();
    std::vector<char> placed(n, 0);
    std::vector<int> sequence(path);
    std::vector<int> free_places;
    for (int k = 0; k < n; ++k) {
        if (placed[path[k]]) {
            free_places.push_back(k);
        } else {
            placed[path[k]] = 1;
        }
    }
    std::vector<int> missing;
    for (int j = 0; j < n; ++j)
        if (!placed[j]) missing.push_back(j);
    for (int k : free_places) {
        const int repeated = path[k];
        std::size_t nearest = 0;
        std::int64_t nearest_distance = -1;
        for (std::size_t m = 0; m < missing.size(); ++m) {
            const int j = missing[m];
            const std::int64_t distance =
                std::llabs(static_cast<std::int64_t>(times.p1[j]) - times.p1[repeated]) +
                std::llabs(static_cast<std::int64_t>(times.p2[j]) - times.p2[repeated]);
            if (nearest_distance < 0 || distance < nearest_distance) {
                nearest_distance = distance;
                nearest = m;
            }
        }
        sequence[k] = missing[nearest];
        missing.erase(missing.begin() + static_cast<std::ptrdiff_t>(nearest));
    }
    return sequence;
}

// Gram-Schmidt: appends v to the orthogonal basis unless it depends on it.
void add_orthogonal(std::vector<std::vector<double>>& basis, std::vector<double> v) {
    const int n = static_cast<int>(v.size());
    double before = 0.0;
    for (int j = 0; j < n; ++j)
        before += v[j] * v[j];
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
    if (norm > 1e-9 * before && norm > 0.0) basis.push_back(std::move(v));
}

// Orthogonal vectors spanning 1, p1, p2, p1^2, p2^2 and p1 p2 over the jobs (the times divided
// by the largest): the multipliers of a solved instance lie close to their span, so the first
// steps move the multipliers within it.
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
        add_orthogonal(basis, std::move(v));
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
    // Measured on times uniform in 1..100: a wider span of backlogs helps more than further
    // steps up to about 200 jobs; past that the steps are too dear, and a narrow span buys
    // enough of them.
    StrongBoundEffort effort;
    effort.shaped_iterations = 30;
    // Measured at 500 jobs: the first solve gives most of what 15 give (0.2 s and 1.2 s of a
    // core); the paths' bound is the stronger one up to about 200 jobs.
    effort.assignment_solves = 15;
    if (jobs <= 30) {
        effort.iterations = 2000;
        effort.span_factor = 10;
    } else if (jobs <= 60) {
        effort.iterations = 1000;
        effort.span_factor = 10;
    } else if (jobs <= 100) {
        effort.iterations = 700;
        effort.span_factor = 10;
    } else if (jobs <= 130) {
        effort.iterations = 450;
        effort.span_factor = 10;
    } else if (jobs <= 200) {
        effort.iterations = 200;
        effort.span_factor = 20;
    } else if (jobs <= 300) {
        effort.iterations = 140;
        effort.span_factor = 20;
    } else {
        effort.iterations = 230;
        effort.span_factor = 6;
    }
    // One bucket per time unit for times up to 100.
    effort.max_buckets = 100 * effort.span_factor + 24;
    return effort;
}

StrongBound strong_lower_bound(const JobTimes& times, const StrongBoundEffort& effort,
                               const std::vector<int>& known, const std::atomic<bool>* stop) {
    StrongBound result;
    const int n = times.count();
    result.position_bound = position_lower_bound(times);
    result.lower_bound = result.position_bound;
    if (n == 0) return result;
    result.best_sequence = heuristic_sequence(times, stop);
    result.upper_bound = sequence_objective(times, result.best_sequence);
    if (is_permutation_of_jobs(known, n)) {
        const std::int64_t value = sequence_objective(times, known);
        if (value < result.upper_bound) {
            result.upper_bound = value;
            result.best_sequence = known;
        }
    }
    if (n == 1) {
        result.lower_bound = result.upper_bound;
        return result;
    }

    if (effort.assignment_solves > 0) {
        const MixedBound mixed =
            mixed_assignment_bound(times, effort.assignment_solves, result.upper_bound, stop);
        result.lower_bound = std::max(result.lower_bound, mixed.lower_bound);
        if (mixed.stopped) {
            result.stopped = true;
            return result;
        }
        if (result.lower_bound >= result.upper_bound) return result;
    }

    const BacklogGrid grid =
        make_backlog_grid(times, std::max(effort.max_buckets, 1), effort.span_factor);
    BacklogWork work;
    const std::vector<std::vector<double>> basis = shape_basis(times);
    std::vector<double> multipliers(n, static_cast<double>(result.upper_bound) / n);
    std::vector<double> prices(n), direction(n);
    std::vector<int> path, uses(n);
    double step_factor = FIRST_STEP;
    double best_value = -1e300;
    int stalled = 0;

    for (int it = 0; it < effort.iterations; ++it) {
        if (stop_asked(stop)) {
            result.stopped = true;
            break;
        }
        if (it == effort.shaped_iterations) {
            step_factor = FIRST_STEP;
            stalled = 0;
        }
        double price_sum = 0.0;
        for (int j = 0; j < n; ++j) {
            prices[j] = std::nearbyint(multipliers[j] * PRICE_SCALE);
            price_sum += prices[j];
        }
        // The relaxed value of the best sequence known bounds the cheapest path from above.
        const double ceiling = static_cast<double>(result.upper_bound) * PRICE_SCALE - price_sum;
        const double scaled =
            cheapest_relaxed_path(grid, PRICE_SCALE, prices, ceiling, work, path) + price_sum;
        result.iterations_done = it + 1;
        if (!(scaled < 1e299)) break;  // cannot happen: the best sequence's path is never dropped
        result.lower_bound =
            std::max(result.lower_bound, ceil_div(scaled, static_cast<std::int64_t>(PRICE_SCALE)));
        const double value = scaled / PRICE_SCALE;
        std::fill(uses.begin(), uses.end(), 0);
        for (int j : path)
            ++uses[j];

        const std::vector<int> repaired = repair_path(times, path);
        const std::int64_t repaired_value = sequence_objective(times, repaired);
        if (repaired_value < result.upper_bound) {
            result.upper_bound = repaired_value;
            result.best_sequence = repaired;
        }
        if (value > best_value) {
            best_value = value;
            stalled = 0;
        } else if (++stalled >= STALL_LIMIT) {
            step_factor /= 2;
            stalled = 0;
        }
        if (result.lower_bound >= result.upper_bound) break;  // proven optimal

        double norm = 0.0;
        for (int j = 0; j < n; ++j) {
            direction[j] = 1.0 - uses[j];
            norm += direction[j] * direction[j];
        }
        if (norm == 0.0) break;  // every job used once: no step would change the prices
        if (it < effort.shaped_iterations) {
            project(basis, direction);
            norm = 0.0;
            for (int j = 0; j < n; ++j)
                norm += direction[j] * direction[j];
            if (norm < 1e-12) continue;
        }
        const double step = step_factor * (static_cast<double>(result.upper_bound) - value) / norm;
        for (int j = 0; j < n; ++j)
            multipliers[j] =
                std::clamp(multipliers[j] + step * direction[j], -PRICE_LIMIT, PRICE_LIMIT);
    }
    return result;
}

}  // namespace zemko
