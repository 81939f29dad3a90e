#include "certify/strong_lower_bound.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "certify/backlog_paths.hpp"
#include "certify/mixed_assignment_bound.hpp"
#include "certify/position_bounds.hpp"
#include "sequence/construction.hpp"
#include "util/integer_division.hpp"

namespace zemko {

namespace {

// Prices are multiplier * PRICE_SCALE rounded to integers, so that every path value is an
// exact integer in a double (all magnitudes stay far below 2^53). A multiple of 4 (see
// cheapest_relaxed_path).
constexpr double PRICE_SCALE = 16.0;
constexpr double PRICE_LIMIT = 68719476736.0;  // 2^36: |multiplier| never grows past it
constexpr int SHAPE_FUNCTIONS = 6;
constexpr int MIN_SPAN_FACTOR = 2;  // the grid's least span, in largest times
// The grid has one bucket per time unit for times up to BUCKETS_PER_SPAN, over its span, and
// BUCKET_MARGIN more.
constexpr int BUCKETS_PER_SPAN = 100;
constexpr int BUCKET_MARGIN = 24;
// The working vectors of the steps (multipliers, prices, directions, the shape basis), per job.
constexpr std::size_t WORK_DOUBLES_PER_JOB = 64;
// A vector whose part orthogonal to the basis keeps less than this share of its squared norm
// depends on the basis.
constexpr double INDEPENDENT_SHARE = 1e-9;

// Polyak's step, aimed at the best objective known: the factor starts at FIRST_STEP and
// halves after STALL_LIMIT steps without a better bound.
constexpr double FIRST_STEP = 2.0;
constexpr int STALL_LIMIT = 20;

// The backward pass of the table of rests takes up to twice as long as a solve of the paths
// (measured at 100 to 500 jobs): under a deadline the steps end this many of their longest
// solves before it, so that the table is made in time.
constexpr double REST_TABLE_SOLVES = 4.0;

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
        Cost nearest_distance = -1;
        for (std::size_t m = 0; m < missing.size(); ++m) {
            const int j = missing[m];
            const Cost distance = std::llabs(static_cast<Cost>(times.p1[j]) - times.p1[repeated]) +
                                  std::llabs(static_cast<Cost>(times.p2[j]) - times.p2[repeated]);
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
    if (norm > INDEPENDENT_SHARE * before && norm > 0.0) basis.push_back(std::move(v));
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

}  // namespace

StrongBoundEffort default_strong_bound_effort(int jobs) {
    // Measured on times uniform in 1..100: a wider span of backlogs helps more than further
    // steps up to about 200 jobs. On two of ten 100-job instances a span of 10 largest times
    // cut the backlogs of good sequences off (30 gave 0.2 % more there, 50 no more than 30).
    // At 500 they run into thousands: spans of 6 to 30 gained nothing over the first paths,
    // 50 gained 0.014 % of the objective in 230 steps.
    StrongBoundEffort effort;
    effort.shaped_iterations = 30;
    // Measured at 500 jobs: the first solve gives most of what 15 give (0.2 s and 1.2 s of a
    // core). Its duals start the paths' prices, and the paths then end above it at any size.
    effort.assignment_solves = 15;
    if (jobs <= 30) {
        effort.iterations = 2000;
        effort.span_factor = 10;
    } else if (jobs <= 60) {
        effort.iterations = 1000;
        effort.span_factor = 10;
    } else if (jobs <= 100) {
        effort.iterations = 700;
        effort.span_factor = 30;
    } else if (jobs <= 130) {
        effort.iterations = 450;
        effort.span_factor = 30;
    } else if (jobs <= 200) {
        effort.iterations = 200;
        effort.span_factor = 30;
    } else if (jobs <= 300) {
        effort.iterations = 140;
        effort.span_factor = 30;
    } else {
        effort.iterations = 230;
        effort.span_factor = 50;
    }
    effort.max_buckets = BUCKETS_PER_SPAN * effort.span_factor + BUCKET_MARGIN;
    return effort;
}

namespace {

// The working state of the Lagrangian steps on the relaxed paths.
struct PathSteps {
    BacklogGrid grid;
    BacklogWork work;
    std::vector<std::vector<double>> basis;
    std::vector<double> multipliers, prices, direction;
    std::vector<double> best_prices;  // the prices of the best path bound
    double best_scaled = -UNREACHED;  // that bound, scaled
    std::vector<int> path, uses;
    double step_factor = FIRST_STEP;
    double best_value = -UNREACHED;
    int stalled = 0;
};

// The multipliers start level, at the best objective known shared out; with `first_prices`
// for every job (the mixed assignment bound's duals, at whose prices every path within the
// grid costs at least that bound) they take its shape. A path has one job per position, so adding
// the same amount to every price changes no path bound.
PathSteps start_path_steps(const JobTimes& times, const StrongBoundEffort& effort, Cost upper_bound,
                           const std::vector<double>& first_prices) {
    const int n = times.count();
    PathSteps steps;
    steps.grid = make_backlog_grid(times, std::max(effort.max_buckets, 1), effort.span_factor);
    steps.basis = shape_basis(times);
    steps.multipliers.assign(n, static_cast<double>(upper_bound) / n);
    if (static_cast<int>(first_prices.size()) == n) {
        double mean = 0.0;
        for (const double price : first_prices)
            mean += price / n;
        for (int j = 0; j < n; ++j)
            steps.multipliers[j] = std::clamp(steps.multipliers[j] + first_prices[j] - mean,
                                              -PRICE_LIMIT, PRICE_LIMIT);
    }
    steps.prices.resize(n);
    steps.direction.resize(n);
    steps.uses.resize(n);
    return steps;
}

// Solves the paths at the current prices and raises the bound with them; repairs the path into
// a sequence, which may lower the upper bound. Returns the path's value (unscaled), or
// nothing when no path came back.
std::optional<double> solve_paths(const JobTimes& times, PathSteps& steps, StrongBound& result,
                                  const Limits& limits) {
    const int n = times.count();
    double price_sum = 0.0;
    for (int j = 0; j < n; ++j) {
        steps.prices[j] = std::nearbyint(steps.multipliers[j] * PRICE_SCALE);
        price_sum += steps.prices[j];
    }
    // The relaxed value of the best sequence known bounds the cheapest path from above.
    const double ceiling = static_cast<double>(result.upper_bound) * PRICE_SCALE - price_sum;
    const double scaled = cheapest_relaxed_path(steps.grid, PRICE_SCALE, steps.prices, ceiling,
                                                steps.work, steps.path, limits) +
                          price_sum;
    // Only a stop can cut the solve: the best sequence's path is never dropped, and the values
    // that the path is walked back along were built from its very steps.
    if (!(scaled < REACHED_BELOW) || steps.path.empty()) return std::nullopt;
    result.lower_bound = std::max(
        result.lower_bound, ceil_div(static_cast<Cost>(scaled), static_cast<Cost>(PRICE_SCALE)));
    if (scaled > steps.best_scaled) {
        steps.best_scaled = scaled;
        steps.best_prices = steps.prices;
    }
    std::fill(steps.uses.begin(), steps.uses.end(), 0);
    for (const int j : steps.path)
        ++steps.uses[j];
    const std::vector<int> repaired = repair_path(times, steps.path);
    const Cost repaired_value = sequence_objective(times, repaired);
    if (repaired_value < result.upper_bound) {
        result.upper_bound = repaired_value;
        result.best_sequence = repaired;
    }
    return scaled / PRICE_SCALE;
}

// Polyak's step from the path's job counts: each job should be used once. Returns false when
// no step would change the prices.
bool step_multipliers(int it, const StrongBoundEffort& effort, double value, Cost aim,
                      PathSteps& steps) {
    const int n = static_cast<int>(steps.multipliers.size());
    if (value > steps.best_value) {
        steps.best_value = value;
        steps.stalled = 0;
    } else if (++steps.stalled >= STALL_LIMIT) {
        steps.step_factor /= 2;
        steps.stalled = 0;
    }
    double norm = 0.0;
    for (int j = 0; j < n; ++j) {
        steps.direction[j] = 1.0 - steps.uses[j];
        norm += steps.direction[j] * steps.direction[j];
    }
    if (norm == 0.0) return false;  // every job used once
    if (it < effort.shaped_iterations) {
        project(steps.basis, steps.direction);
        norm = 0.0;
        for (int j = 0; j < n; ++j)
            norm += steps.direction[j] * steps.direction[j];
        if (norm < 1e-12) return true;
    }
    const double step = steps.step_factor * (static_cast<double>(aim) - value) / norm;
    for (int j = 0; j < n; ++j)
        steps.multipliers[j] =
            std::clamp(steps.multipliers[j] + step * steps.direction[j], -PRICE_LIMIT, PRICE_LIMIT);
    return true;
}

void tell_proven(const BoundShares& shares, Cost lower_bound) {
    if (shares.proven != nullptr) shares.proven->store(lower_bound, std::memory_order_relaxed);
}

// The subgradient steps of run_path_steps.
void steps_loop(const JobTimes& times, const StrongBoundEffort& effort, const Limits& limits,
                const BoundShares& shares, PathSteps& steps, StrongBound& result) {
    double longest_solve = 0;
    for (int it = 0; it < effort.iterations; ++it) {
        if (must_stop(limits)) {
            result.stopped = true;
            return;
        }
        // Under a deadline the steps leave the table of rests the time it takes.
        if (effort.rest_table && limits.deadline &&
            seconds_until(*limits.deadline) < REST_TABLE_SOLVES * longest_solve)
            return;
        const Clock::time_point solve_start = Clock::now();
        if (it == effort.shaped_iterations) {
            steps.step_factor = FIRST_STEP;
            steps.stalled = 0;
        }
        const std::optional<double> value = solve_paths(times, steps, result, limits);
        if (!value) {
            result.stopped = must_stop(limits);
            return;
        }
        result.iterations_done = it + 1;
        longest_solve = std::max(longest_solve, seconds_since(solve_start));
        tell_proven(shares, result.lower_bound);
        // The steps aim at the best objective known: the nearer it is to the optimum, the
        // better they converge.
        Cost aim = result.upper_bound;
        if (shares.better_known != nullptr)
            aim = std::min(aim, shares.better_known->load(std::memory_order_relaxed));
        if (result.lower_bound >= aim) return;  // proven optimal
        if (!step_multipliers(it, effort, *value, aim, steps)) return;
    }
}

// The table of the relaxed rests under the best prices.
// A stop during it leaves the table empty: a bound must end at once when stopped.
void fill_rest_costs(PathSteps& steps, StrongBound& result, const Limits& limits) {
    if (steps.best_prices.empty()) return;
    const BacklogGrid& grid = steps.grid;
    if (!cheapest_relaxed_rests(grid, PRICE_SCALE, steps.best_prices, steps.work, limits.stop))
        return;
    RestCostTable& table = result.rest_costs;
    table.jobs = grid.jobs;
    table.buckets = grid.buckets;
    table.origin = grid.origin;
    table.width = grid.width;
    table.scale = static_cast<Cost>(PRICE_SCALE);
    table.prices.assign(steps.best_prices.begin(), steps.best_prices.end());
    table.values.assign(steps.work.values.begin(), steps.work.values.end());
}

// The Lagrangian bound of the relaxed paths, `effort.iterations` subgradient steps.
void run_path_steps(const JobTimes& times, const StrongBoundEffort& effort, const Limits& limits,
                    const std::vector<double>& first_prices, const BoundShares& shares,
                    StrongBound& result) {
    PathSteps steps = start_path_steps(times, effort, result.upper_bound, first_prices);
    steps_loop(times, effort, limits, shares, steps, result);
    // The backward pass costs as much as several steps: only for the search that needs it, and
    // not after a stop, which must end the bound at once.
    if (effort.rest_table && !result.stopped) fill_rest_costs(steps, result, limits);
}

// The bound's start: the position bounds, and the best sequence at hand to aim at, the
// insertion construction's or `known`.
StrongBound start_bound(const JobTimes& times, const std::vector<int>& known,
                        const Limits& limits) {
    StrongBound result;
    const int n = times.count();
    result.position_bound = position_lower_bound(times);
    result.lower_bound = result.position_bound;
    if (n == 0) return result;
    result.best_sequence = insertion_construction(times, limits);
    result.upper_bound = sequence_objective(times, result.best_sequence);
    if (is_permutation_of_jobs(known, n)) {
        const Cost value = sequence_objective(times, known);
        if (value < result.upper_bound) {
            result.upper_bound = value;
            result.best_sequence = known;
        }
    }
    return result;
}

}  // namespace

std::size_t strong_bound_bytes(int jobs, const StrongBoundEffort& effort) {
    const std::size_t n = static_cast<std::size_t>(jobs);
    const std::size_t buckets = static_cast<std::size_t>(std::max(effort.max_buckets, 1)) + 2;
    // the forward values, and the table of rests made from them
    const std::size_t paths = 2 * (n + 1) * buckets * sizeof(double) + n * (n + 1);
    const std::size_t assignment = effort.assignment_solves > 0 ? n * n * sizeof(Cost) : 0;
    return paths + assignment + WORK_DOUBLES_PER_JOB * n * sizeof(double);
}

StrongBoundEffort effort_within(StrongBoundEffort effort, int jobs, std::size_t bytes) {
    // The buckets halve with the span, so that each keeps its width.
    while (effort.span_factor > MIN_SPAN_FACTOR && strong_bound_bytes(jobs, effort) > bytes) {
        effort.span_factor = std::max(MIN_SPAN_FACTOR, effort.span_factor / 2);
        effort.max_buckets = std::max(1, effort.max_buckets / 2);
    }
    return effort;
}

StrongBound strong_lower_bound(const JobTimes& times, const StrongBoundEffort& effort,
                               const std::vector<int>& known, const Limits& limits,
                               MemoryBudget* memory, const BoundShares& shares) {
    const MemoryReservation tables(memory, strong_bound_bytes(times.count(), effort));
    StrongBound result = start_bound(times, known, limits);
    tell_proven(shares, result.lower_bound);
    if (times.count() <= 1) {
        result.lower_bound = std::max(result.lower_bound, result.upper_bound);
        return result;
    }
    MixedBound mixed;
    if (effort.assignment_solves > 0) {
        mixed = mixed_assignment_bound(times, effort.assignment_solves, result.upper_bound, limits);
        result.lower_bound = std::max(result.lower_bound, mixed.lower_bound);
        tell_proven(shares, result.lower_bound);
        if (mixed.stopped) {
            result.stopped = true;
            return result;
        }
        if (result.lower_bound >= result.upper_bound) return result;
    }
    run_path_steps(times, effort, limits, mixed.job_prices, shares, result);
    return result;
}

}  // namespace zemko
