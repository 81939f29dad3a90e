// A path fills positions 0..n-1. With C1 the machine-1 completion and d = C2 - C1 the backlog
// after a position, C2sum = sum_k (n - k) * p1[job at k] + sum_k d_k, and the backlog moves as
// d' = max(d - p1, 0) + p2: both need only the job and the backlog, so (position, backlog) is
// an exact state for a sequence. A path may repeat jobs; the prices make up for that.
//
// Leaving the buckets: with d' past the last bucket after position k, every later backlog is
// at least d' plus the p2 - p1 of the jobs in between, so the rest costs at least
// (n - k - 1) d' + sum_t (n - t) p2[job at t] - prices over the later positions t, and the
// smallest such sum over distinct jobs is `tail` (the largest p2 weighted 1, the next 2, ...).
#include "bounds/backlog_paths.hpp"

#include <algorithm>
#include <cstdlib>

namespace zemko {

namespace {

constexpr double UNREACHED = 1e300;
constexpr double REACHED_BELOW = 1e299;

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Where the cheapest path ends: at the last level in a bucket, or leaving the buckets.
struct PathEnd {
    double value = UNREACHED;
    int level = -1;   // position of the step that leaves (-1: the path reaches the last level)
    int source = -1;  // bucket before that step, or the bucket at the last level
    int job = -1;     // job of the leaving step
};

// tail[T]: the smallest sum over T distinct jobs of weight * p2 * scale - price, the weights
// 1..T given to the jobs by p2 descending. With `taken`, records the choices for recovery.
void fill_tail(const BacklogGrid& grid, double scale, const std::vector<double>& prices,
               BacklogWork& work, bool record) {
    const int n = grid.jobs;
    std::vector<double>& best = work.tail;
    best.assign(n + 1, UNREACHED);
    best[0] = 0.0;
    if (record) work.tail_taken.assign(static_cast<std::size_t>(n) * (n + 1), 0);
    for (int i = 0; i < n; ++i) {
        const int j = grid.by_p2_descending[i];
        const double p2_scaled = static_cast<double>(grid.p2[j]) * scale;
        // Counts downwards so that best[t - 1] is still the value before job j.
        for (int t = i + 1; t >= 1; --t) {
            if (best[t - 1] >= REACHED_BELOW) continue;
            const double with_job = best[t - 1] + static_cast<double>(t) * p2_scaled - prices[j];
            if (with_job < best[t]) {
                best[t] = with_job;
                if (record) work.tail_taken[static_cast<std::size_t>(i) * (n + 1) + t] = 1;
            } else if (record) {
                work.tail_taken[static_cast<std::size_t>(i) * (n + 1) + t] = 0;
            }
        }
    }
}

// Adds the jobs of the tail of T jobs to uses (fill_tail must have recorded its choices).
void count_tail(const BacklogGrid& grid, const BacklogWork& work, int T, std::vector<int>& uses) {
    const int n = grid.jobs;
    int t = T;
    for (int i = n - 1; i >= 0 && t > 0; --i) {
        // Job i (in p2 order) was last decided with t jobs at step i; taken means it is the
        // t-th. A later improvement of best[t] by a job after i is seen first, going down.
        if (work.tail_taken[static_cast<std::size_t>(i) * (n + 1) + t]) {
            ++uses[grid.by_p2_descending[i]];
            --t;
        }
    }
}

}  // namespace

BacklogGrid make_backlog_grid(const JobTimes& times, int max_buckets, int span_factor) {
    BacklogGrid grid;
    const int n = times.count();
    grid.jobs = n;
    if (n == 0) return grid;
    grid.p1.assign(times.p1.begin(), times.p1.end());
    grid.p2.assign(times.p2.begin(), times.p2.end());
    std::int64_t largest = 1, max_p2 = grid.p2[0], min_p2 = grid.p2[0];
    for (int j = 0; j < n; ++j) {
        largest = std::max({largest, static_cast<std::int64_t>(std::llabs(grid.p1[j])),
                            static_cast<std::int64_t>(std::llabs(grid.p2[j]))});
        max_p2 = std::max(max_p2, grid.p2[j]);
        min_p2 = std::min(min_p2, grid.p2[j]);
    }
    grid.origin = std::min<std::int64_t>(0, min_p2);
    const std::int64_t span =
        std::max(max_p2 - grid.origin + 1, std::max(span_factor, 2) * largest);
    grid.width = std::max<std::int64_t>(1, (span + max_buckets - 1) / max_buckets);
    grid.buckets = static_cast<int>((span + grid.width - 1) / grid.width);

    grid.idle_last.resize(n);
    grid.idle_target.resize(n);
    std::vector<int>& shift = grid.shift;
    shift.resize(n);
    for (int j = 0; j < n; ++j) {
        const std::int64_t last = floor_div(grid.p1[j] - grid.origin, grid.width);
        grid.idle_last[j] = static_cast<int>(std::clamp<std::int64_t>(last, -1, grid.buckets - 1));
        grid.idle_target[j] = static_cast<int>(
            std::min<std::int64_t>(floor_div(grid.p2[j] - grid.origin, grid.width), grid.buckets));
        // |p2 - p1| <= 2 * largest <= span: the shift stays within +-(buckets + 1).
        shift[j] = static_cast<int>(floor_div(grid.p2[j] - grid.p1[j], grid.width));
    }
    grid.grouped_jobs.resize(n);
    for (int j = 0; j < n; ++j)
        grid.grouped_jobs[j] = j;
    std::sort(grid.grouped_jobs.begin(), grid.grouped_jobs.end(), [&](int a, int b) {
        if (shift[a] != shift[b]) return shift[a] < shift[b];
        if (grid.idle_last[a] != grid.idle_last[b]) return grid.idle_last[a] < grid.idle_last[b];
        return a < b;
    });
    for (int i = 0; i < n; ++i) {
        const int j = grid.grouped_jobs[i];
        if (i == 0 || shift[j] != shift[grid.grouped_jobs[i - 1]]) {
            grid.group_begin.push_back(i);
            grid.group_shift.push_back(shift[j]);
        }
    }
    grid.group_begin.push_back(n);

    grid.by_p2_descending.resize(n);
    for (int j = 0; j < n; ++j)
        grid.by_p2_descending[j] = j;
    std::sort(grid.by_p2_descending.begin(), grid.by_p2_descending.end(), [&](int a, int b) {
        if (grid.p2[a] != grid.p2[b]) return grid.p2[a] > grid.p2[b];
        return a < b;
    });
    return grid;
}

double cheapest_relaxed_path(const BacklogGrid& grid, double scale,
                             const std::vector<double>& scaled_prices, BacklogWork& work,
                             std::vector<int>& uses) {
    const int n = grid.jobs;
    const int B = grid.buckets;
    uses.assign(n, 0);
    if (n == 0) return 0.0;

    fill_tail(grid, scale, scaled_prices, work, false);
    std::vector<double> backlog_scaled(B);
    for (int b = 0; b < B; ++b)
        backlog_scaled[b] = static_cast<double>(grid.origin + grid.width * b) * scale;
    // The scaled backlog of bucket b (any b >= 0, also past the last).
    auto bucket_scaled = [&](int b) {
        return static_cast<double>(grid.origin + grid.width * b) * scale;
    };

    work.values.assign(static_cast<std::size_t>(n + 1) * B, UNREACHED);
    work.step_cost.resize(n);
    work.prefix_min.resize(B);
    work.prefix_arg.resize(B);
    work.best_into.resize(B);
    const int start = static_cast<int>(floor_div(-grid.origin, grid.width));
    work.values[start] = 0.0;
    int top = start;  // highest reached bucket of the current level
    PathEnd end;

    for (int k = 0; k < n; ++k) {
        const double* from = &work.values[static_cast<std::size_t>(k) * B];
        double* to = &work.values[static_cast<std::size_t>(k + 1) * B];
        const double weight = static_cast<double>(n - k);
        const double rest_weight = weight;  // this step's backlog and the tail's
        const double tail = work.tail[n - k - 1];
        for (int j = 0; j < n; ++j)
            work.step_cost[j] = weight * static_cast<double>(grid.p1[j]) * scale - scaled_prices[j];

        double running = UNREACHED;
        int running_arg = -1;
        for (int b = 0; b <= top; ++b) {
            if (from[b] < running) {
                running = from[b];
                running_arg = b;
            }
            work.prefix_min[b] = running;
            work.prefix_arg[b] = running_arg;
        }
        double* into = work.best_into.data();
        std::fill(into, into + B, UNREACHED);

        // Steps with idle time on machine 2 (backlog <= p1): the next backlog is p2 itself.
        for (int j = 0; j < n; ++j) {
            const int last = std::min(grid.idle_last[j], top);
            if (last < 0) continue;
            const double source = work.prefix_min[last];
            if (source >= REACHED_BELOW) continue;
            const double value = source + work.step_cost[j];
            const int target = grid.idle_target[j];
            if (target < B) {
                if (value < into[target]) into[target] = value;
            } else {
                const double leave = value + rest_weight * bucket_scaled(target) + tail;
                if (leave < end.value) end = {leave, k, work.prefix_arg[last], j};
            }
        }

        // Steps without idle time: the backlog moves by the job's shift. In a group the jobs
        // allowed from bucket b are those with idle_last < b, a prefix of the group's order.
        const int groups = static_cast<int>(grid.group_shift.size());
        for (int g = 0; g < groups; ++g) {
            const int shift = grid.group_shift[g];
            const int first = grid.group_begin[g], stop = grid.group_begin[g + 1];
            double best_cost = UNREACHED;
            int best_job = -1;
            for (int i = first; i < stop; ++i) {
                const int j = grid.grouped_jobs[i];
                if (work.step_cost[j] < best_cost) {
                    best_cost = work.step_cost[j];
                    best_job = j;
                }
                const int lo = std::max(grid.idle_last[j] + 1, 0);
                const int hi =
                    std::min(i + 1 < stop ? grid.idle_last[grid.grouped_jobs[i + 1]] : top, top);
                if (lo > hi) continue;
                const int direct_lo = std::max(lo, -shift);
                const int direct_hi = std::min(hi, B - 1 - shift);
                for (int b = direct_lo; b <= direct_hi; ++b) {
                    const double value = from[b] + best_cost;
                    into[b + shift] = value < into[b + shift] ? value : into[b + shift];
                }
                for (int b = std::max(lo, direct_hi + 1); b <= hi; ++b) {
                    if (from[b] >= REACHED_BELOW) continue;
                    const double leave =
                        from[b] + best_cost + rest_weight * bucket_scaled(b + shift) + tail;
                    if (leave < end.value) end = {leave, k, b, best_job};
                }
            }
        }

        int new_top = -1;
        for (int b = 0; b < B; ++b) {
            if (into[b] < REACHED_BELOW) {
                to[b] = into[b] + backlog_scaled[b];
                new_top = b;
            }
        }
        top = new_top;
        if (top < 0) break;
    }

    // The cheapest path reaching the last level, unless leaving was cheaper (ties: the level).
    const double* last_level = &work.values[static_cast<std::size_t>(n) * B];
    int end_bucket = -1;
    double end_value = UNREACHED;
    for (int b = 0; b < B; ++b) {
        if (last_level[b] < end_value) {
            end_value = last_level[b];
            end_bucket = b;
        }
    }
    int level = n, bucket = end_bucket;
    double value = end_value;
    if (end.value < end_value) {
        ++uses[end.job];
        fill_tail(grid, scale, scaled_prices, work, true);
        count_tail(grid, work, n - end.level - 1, uses);
        level = end.level;
        bucket = end.source;
        value = work.values[static_cast<std::size_t>(level) * B + bucket];
        end_value = end.value;
    }

    // Walks back: at each level finds a job and a bucket that give the value exactly.
    for (int k = level - 1; k >= 0; --k) {
        const double* from = &work.values[static_cast<std::size_t>(k) * B];
        const double weight = static_cast<double>(n - k);
        const double before = value - backlog_scaled[bucket];
        int found_job = -1, found_bucket = -1;
        for (int j = 0; j < n && found_job < 0; ++j) {
            const double cost = weight * static_cast<double>(grid.p1[j]) * scale - scaled_prices[j];
            if (grid.idle_target[j] == bucket) {
                for (int b = 0; b <= grid.idle_last[j]; ++b) {
                    if (from[b] + cost == before) {
                        found_job = j;
                        found_bucket = b;
                        break;
                    }
                }
                if (found_job >= 0) break;
            }
            const int shift_bucket = bucket - grid.shift[j];
            if (shift_bucket > grid.idle_last[j] && shift_bucket >= 0 && shift_bucket < B &&
                from[shift_bucket] + cost == before) {
                found_job = j;
                found_bucket = shift_bucket;
            }
        }
        if (found_job < 0) std::abort();  // the values were built from these very steps
        ++uses[found_job];
        bucket = found_bucket;
        value = from[bucket];
    }
    return end_value;
}

}  // namespace zemko
