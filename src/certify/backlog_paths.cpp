// A path fills positions 0..n-1. With C1 the machine-1 completion and d = C2 - C1 the backlog
// after a position, C2sum = sum_k (n - k) * p1[job at k] + sum_k d_k, and the backlog moves as
// d' = max(d - p1, 0) + p2: both need only the job and the backlog, so (position, backlog) is
// an exact state for a sequence. A path may repeat jobs; the prices make up for that.
//
// Leaving the buckets: with d' past the last bucket after position k, each of the T = n - k - 1
// later backlogs d_t is at least d' plus the p2 - p1 of the jobs from k + 1 to t (the backlog
// never falls faster), and at least its own job's p2. With weights alpha and 1 - alpha the rest
// costs at least alpha T d' + sum_t [w_t (alpha p2 + (1 - alpha) p1) + (1 - alpha) p2 - price]
// over the later positions, w_t = n - t; its smallest value over T distinct jobs puts the
// largest alpha p2 + (1 - alpha) p1 at weight 1, the next at 2, ... (rearrangement, any signs):
// a knapsack-like recursion over the jobs in that order gives it for every T at once.
#include "certify/backlog_paths.hpp"

#include "util/cpu_forms.hpp"
#include "util/integer_division.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace zemko {

namespace {

// Where the cheapest path ends: at the last level in a bucket, or leaving the buckets.
struct PathEnd {
    double value = UNREACHED;
    int level = -1;   // position of the step that leaves (-1: the path reaches the last level)
    int source = -1;  // bucket before that step, or the bucket at the last level
    int job = -1;     // job of the leaving step
    int target = -1;  // bucket it leaves to
};

// tails[mix][T] for every T (see above, alpha = mix / 4). With `record`, keeps the choices of
// this mix for count_tail.
void fill_tail(const BacklogGrid& grid, int mix, double scale, const std::vector<double>& prices,
               BacklogWork& work, bool record) {
    const int n = grid.jobs;
    double* best = &work.tails[static_cast<std::size_t>(mix) * (n + 1)];
    std::fill(best, best + n + 1, UNREACHED);
    best[0] = 0.0;
    if (record) work.tail_taken.assign(static_cast<std::size_t>(n) * (n + 1), 0);
    const double quarter = scale / 4;
    const std::vector<int>& order = grid.tail_orders[mix];
    for (int i = 0; i < n; ++i) {
        const int j = order[i];
        const double key = static_cast<double>(mix * grid.p2[j] + (4 - mix) * grid.p1[j]) * quarter;
        const double own = static_cast<double>((4 - mix) * grid.p2[j]) * quarter - prices[j];
        // Counts downwards so that best[t - 1] is still the value before job j.
        for (int t = i + 1; t >= 1; --t) {
            if (best[t - 1] >= REACHED_BELOW) continue;
            const double with_job = best[t - 1] + static_cast<double>(t) * key + own;
            const bool taken = with_job < best[t];
            if (taken) best[t] = with_job;
            if (record) work.tail_taken[static_cast<std::size_t>(i) * (n + 1) + t] = taken;
        }
    }
}

// Writes the jobs of the recorded tail of T positions of `mix` to the last T places of path:
// the smallest key first, as the largest weight goes to it.
void place_tail(const BacklogGrid& grid, int mix, const BacklogWork& work, int T,
                std::vector<int>& path) {
    const int n = grid.jobs;
    int t = T;
    for (int i = n - 1; i >= 0 && t > 0; --i) {
        // Going down the jobs, the last decision for t jobs tells whether job i is the t-th.
        if (work.tail_taken[static_cast<std::size_t>(i) * (n + 1) + t]) {
            path[n - t] = grid.tail_orders[mix][i];
            --t;
        }
    }
}

// The bound on the last `rest` positions of a path from a state of backlog d (scaled): the
// best of the mixes, and which one it is.
double rest_bound(const BacklogGrid& grid, const BacklogWork& work, int rest, double backlog_scaled,
                  int& mix) {
    const int n = grid.jobs;
    double best = -UNREACHED;
    for (int a = 0; a < TAIL_MIXES; ++a) {
        const double bound = static_cast<double>(a * rest) * (backlog_scaled / 4) +
                             work.tails[static_cast<std::size_t>(a) * (n + 1) + rest];
        if (bound > best) {
            best = bound;
            mix = a;
        }
    }
    return best;
}

}  // namespace

BacklogGrid make_backlog_grid(const JobTimes& times, int max_buckets, int span_factor) {
    BacklogGrid grid;
    const int n = times.count();
    grid.jobs = n;
    if (n == 0) return grid;
    grid.p1.assign(times.p1.begin(), times.p1.end());
    grid.p2.assign(times.p2.begin(), times.p2.end());
    Cost largest = 1, max_p2 = grid.p2[0], min_p2 = grid.p2[0];
    for (int j = 0; j < n; ++j) {
        largest = std::max({largest, static_cast<Cost>(std::llabs(grid.p1[j])),
                            static_cast<Cost>(std::llabs(grid.p2[j]))});
        max_p2 = std::max(max_p2, grid.p2[j]);
        min_p2 = std::min(min_p2, grid.p2[j]);
    }
    grid.origin = std::min<Cost>(0, min_p2);
    const Cost span = std::max(max_p2 - grid.origin + 1, std::max(span_factor, 2) * largest);
    grid.width = std::max<Cost>(1, (span + max_buckets - 1) / max_buckets);
    grid.buckets = static_cast<int>((span + grid.width - 1) / grid.width);

    grid.idle_last.resize(n);
    grid.idle_target.resize(n);
    std::vector<int>& shift = grid.shift;
    shift.resize(n);
    for (int j = 0; j < n; ++j) {
        const Cost last = floor_div(grid.p1[j] - grid.origin, grid.width);
        grid.idle_last[j] = static_cast<int>(std::clamp<Cost>(last, -1, grid.buckets - 1));
        grid.idle_target[j] = static_cast<int>(
            std::min<Cost>(floor_div(grid.p2[j] - grid.origin, grid.width), grid.buckets));
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

    grid.tail_orders.assign(TAIL_MIXES, std::vector<int>(n));
    for (int mix = 0; mix < TAIL_MIXES; ++mix) {
        std::vector<int>& order = grid.tail_orders[mix];
        for (int j = 0; j < n; ++j)
            order[j] = j;
        auto key = [&](int j) { return mix * grid.p2[j] + (4 - mix) * grid.p1[j]; };
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            if (key(a) != key(b)) return key(a) > key(b);
            return a < b;
        });
    }
    return grid;
}

namespace {

// What one call of cheapest_relaxed_path works with besides the grid and the arrays of `work`.
struct PathCall {
    const BacklogGrid& grid;
    double scale;
    const std::vector<double>& prices;
    BacklogWork& work;
    int overflow = 1;                    // buckets a step can reach past the last one
    std::vector<double> leave_add;       // per such bucket: its backlog and the rest's bound
    std::vector<double> backlog_scaled;  // per bucket: its backlog, scaled

    // The scaled backlog of bucket b (any b >= 0, also past the last).
    double bucket_scaled(int b) const {
        return static_cast<double>(grid.origin + grid.width * b) * scale;
    }
};

// The steps of one level are inlined into every compiled form of the call, so that each is
// vectorised for its own instruction set.
#define ZEMKO_LEVEL_STEP inline __attribute__((always_inline))

PathCall start_call(const BacklogGrid& grid, double scale, const std::vector<double>& prices,
                    BacklogWork& work) {
    const int n = grid.jobs;
    const int B = grid.buckets;
    PathCall call{grid, scale, prices, work, 1, {}, {}};
    work.tails.resize(static_cast<std::size_t>(TAIL_MIXES) * (n + 1));
    for (int mix = 0; mix < TAIL_MIXES; ++mix)
        fill_tail(grid, mix, scale, prices, work, false);
    for (int j = 0; j < n; ++j)
        call.overflow = std::max(call.overflow, grid.shift[j] + 1);
    call.leave_add.resize(call.overflow);
    call.backlog_scaled.resize(B);
    for (int b = 0; b < B; ++b)
        call.backlog_scaled[b] = call.bucket_scaled(b);
    work.values.assign(static_cast<std::size_t>(n + 1) * B, UNREACHED);
    work.step_cost.resize(n);
    work.prefix_min.resize(B);
    work.prefix_arg.resize(B);
    work.best_into.resize(B);
    return call;
}

// The costs of level k's steps and the cost of leaving the buckets from it.
ZEMKO_LEVEL_STEP void price_level(PathCall& call, int k) {
    const BacklogGrid& grid = call.grid;
    BacklogWork& work = call.work;
    const int n = grid.jobs;
    const int B = grid.buckets;
    const double weight = static_cast<double>(n - k);
    for (int j = 0; j < n; ++j)
        work.step_cost[j] = weight * static_cast<double>(grid.p1[j]) * call.scale - call.prices[j];
    int unused_mix = 0;
    for (int e = 0; e < call.overflow; ++e)
        call.leave_add[e] =
            call.bucket_scaled(B + e) +
            rest_bound(grid, work, n - k - 1, call.bucket_scaled(B + e), unused_mix);
}

// price_level, and the cheapest state at or below each bucket.
ZEMKO_LEVEL_STEP void prepare_level(PathCall& call, int k, int top) {
    BacklogWork& work = call.work;
    const double* from = &work.values[static_cast<std::size_t>(k) * call.grid.buckets];
    price_level(call, k);
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
    std::fill(work.best_into.begin(), work.best_into.end(), UNREACHED);
}

// Steps with idle time on machine 2 (backlog <= p1): the next backlog is p2 itself.
ZEMKO_LEVEL_STEP void idle_steps(PathCall& call, int k, int top, PathEnd& end) {
    const BacklogGrid& grid = call.grid;
    BacklogWork& work = call.work;
    double* into = work.best_into.data();
    for (int j = 0; j < grid.jobs; ++j) {
        const int last = std::min(grid.idle_last[j], top);
        if (last < 0) continue;
        const double source = work.prefix_min[last];
        if (source >= REACHED_BELOW) continue;
        const double value = source + work.step_cost[j];
        const int target = grid.idle_target[j];
        if (target < grid.buckets) {
            if (value < into[target]) into[target] = value;
        } else {
            const double leave = value + call.leave_add[target - grid.buckets];
            if (leave < end.value) end = {leave, k, work.prefix_arg[last], j, target};
        }
    }
}

// Steps without idle time: the backlog moves by the job's shift. In a group the jobs allowed
// from bucket b are those with idle_last < b, a prefix of the group's order.
ZEMKO_LEVEL_STEP void shifted_steps(PathCall& call, int k, int top, PathEnd& end) {
    const BacklogGrid& grid = call.grid;
    BacklogWork& work = call.work;
    const int B = grid.buckets;
    const double* from = &work.values[static_cast<std::size_t>(k) * B];
    double* into = work.best_into.data();
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
                const double leave = from[b] + best_cost + call.leave_add[b + shift - B];
                if (leave < end.value) end = {leave, k, b, best_job, b + shift};
            }
        }
    }
}

// Moves the states reached into level k + 1, but those whose value plus the bound on their rest
// (as for leaving, without the step itself) exceeds the ceiling: they are on the path of no
// sequence within it. Returns the highest bucket kept (-1: none).
ZEMKO_LEVEL_STEP int keep_states(PathCall& call, int k, double ceiling) {
    const BacklogGrid& grid = call.grid;
    BacklogWork& work = call.work;
    const int B = grid.buckets;
    double* to = &work.values[static_cast<std::size_t>(k + 1) * B];
    const double* into = work.best_into.data();
    const int rest = grid.jobs - k - 1;
    int new_top = -1;
    for (int b = 0; b < B; ++b) {
        if (into[b] >= REACHED_BELOW) continue;
        const double value = into[b] + call.backlog_scaled[b];
        int unused_mix = 0;
        if (ceiling < REACHED_BELOW &&
            value + rest_bound(grid, work, rest, call.backlog_scaled[b], unused_mix) > ceiling)
            continue;
        to[b] = value;
        new_top = b;
    }
    return new_top;
}

// Walks back from (level, bucket) of the given value: at each level finds a job and a bucket
// that give the value exactly. Returns false if some level has none (which the values, built
// from these very steps, rule out).
bool walk_back(const PathCall& call, int level, int bucket, double value, std::vector<int>& path) {
    const BacklogGrid& grid = call.grid;
    const int n = grid.jobs;
    const int B = grid.buckets;
    for (int k = level - 1; k >= 0; --k) {
        const double* from = &call.work.values[static_cast<std::size_t>(k) * B];
        const double weight = static_cast<double>(n - k);
        const double before = value - call.backlog_scaled[bucket];
        int found_job = -1, found_bucket = -1;
        for (int j = 0; j < n && found_job < 0; ++j) {
            const double cost =
                weight * static_cast<double>(grid.p1[j]) * call.scale - call.prices[j];
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
        if (found_job < 0) return false;
        path[k] = found_job;
        bucket = found_bucket;
        value = from[bucket];
    }
    return true;
}

// The cheapest path reaching the last level, unless leaving was cheaper (ties: the level);
// leaves it in `path` (emptied if it cannot be walked back) and returns its value.
double finish_path(PathCall& call, const PathEnd& end, std::vector<int>& path) {
    const BacklogGrid& grid = call.grid;
    const int n = grid.jobs;
    const int B = grid.buckets;
    const double* last_level = &call.work.values[static_cast<std::size_t>(n) * B];
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
        path[end.level] = end.job;
        int mix = 0;
        rest_bound(grid, call.work, n - end.level - 1, call.bucket_scaled(end.target), mix);
        fill_tail(grid, mix, call.scale, call.prices, call.work, true);
        place_tail(grid, mix, call.work, n - end.level - 1, path);
        level = end.level;
        bucket = end.source;
        value = call.work.values[static_cast<std::size_t>(level) * B + bucket];
        end_value = end.value;
    }
    if (level > 0 && (bucket < 0 || !walk_back(call, level, bucket, value, path))) path.clear();
    return end_value;
}

}  // namespace

// Compiled also for wider vector units where the processor has them: the values are exact
// integers, so every variant gives the same result.
ZEMKO_CPU_CLONES double cheapest_relaxed_path(const BacklogGrid& grid, double scale,
                                              const std::vector<double>& scaled_prices,
                                              double ceiling, BacklogWork& work,
                                              std::vector<int>& path, const Limits& limits) {
    const int n = grid.jobs;
    path.assign(n, -1);
    if (n == 0) return 0.0;
    PathCall call = start_call(grid, scale, scaled_prices, work);
    const int start = static_cast<int>(floor_div(-grid.origin, grid.width));
    work.values[start] = 0.0;
    int top = start;  // highest reached bucket of the current level
    PathEnd end;
    for (int k = 0; k < n && top >= 0; ++k) {
        // A level of a large instance takes a fraction of a millisecond: the solve ends within
        // one of a stop.
        if (must_stop(limits)) {
            path.clear();
            return UNREACHED;
        }
        prepare_level(call, k, top);
        idle_steps(call, k, top, end);
        shifted_steps(call, k, top, end);
        top = keep_states(call, k, ceiling);
    }
    return finish_path(call, end, path);
}

namespace {

// The cost of arriving in bucket `target` after a step of the level whose arrivals are in
// work.arrive: its backlog and the rest from it, or when past the last bucket the bound of
// leaving.
double arrival(const PathCall& call, int target) {
    const int B = call.grid.buckets;
    return target >= B ? call.leave_add[target - B] : call.work.arrive[target];
}

// Level k of the backward pass, from level k + 1's rests: the steps with idle time reach the
// job's p2 from every bucket up to idle_last (a suffix minimum), the others move by the group's
// shift from the buckets above it (a prefix of the group's order, as forwards).
ZEMKO_LEVEL_STEP void rest_level(PathCall& call, int k) {
    const BacklogGrid& grid = call.grid;
    BacklogWork& work = call.work;
    const int B = grid.buckets;
    double* rest = &work.values[static_cast<std::size_t>(k) * B];
    const double* next = &work.values[static_cast<std::size_t>(k + 1) * B];
    double* arrive = work.arrive.data();
    for (int b = 0; b < B; ++b)
        arrive[b] = call.backlog_scaled[b] + next[b];
    std::fill(rest, rest + B, UNREACHED);
    std::fill(work.best_into.begin(), work.best_into.end(), UNREACHED);
    for (int j = 0; j < grid.jobs; ++j) {
        if (grid.idle_last[j] < 0) continue;
        const double value = work.step_cost[j] + arrival(call, grid.idle_target[j]);
        double& slot = work.best_into[grid.idle_last[j]];
        if (value < slot) slot = value;
    }
    double running = UNREACHED;
    for (int b = B - 1; b >= 0; --b) {
        if (work.best_into[b] < running) running = work.best_into[b];
        rest[b] = running;
    }
    const int groups = static_cast<int>(grid.group_shift.size());
    for (int g = 0; g < groups; ++g) {
        const int shift = grid.group_shift[g];
        const int first = grid.group_begin[g], stop = grid.group_begin[g + 1];
        double best_cost = UNREACHED;
        for (int i = first; i < stop; ++i) {
            const int j = grid.grouped_jobs[i];
            best_cost = std::min(best_cost, work.step_cost[j]);
            const int lo = std::max(grid.idle_last[j] + 1, 0);
            const int hi =
                std::min(i + 1 < stop ? grid.idle_last[grid.grouped_jobs[i + 1]] : B - 1, B - 1);
            // Within the buckets, then past the last one: the first loop is a vector loop.
            const int direct_hi = std::min(hi, B - 1 - shift);
            for (int b = std::max(lo, -shift); b <= direct_hi; ++b) {
                const double value = best_cost + arrive[b + shift];
                rest[b] = value < rest[b] ? value : rest[b];
            }
            for (int b = std::max({lo, -shift, direct_hi + 1}); b <= hi; ++b) {
                const double value = best_cost + call.leave_add[b + shift - B];
                if (value < rest[b]) rest[b] = value;
            }
        }
    }
}

}  // namespace

ZEMKO_CPU_CLONES bool cheapest_relaxed_rests(const BacklogGrid& grid, double scale,
                                             const std::vector<double>& scaled_prices,
                                             BacklogWork& work, const std::atomic<bool>* stop) {
    const int n = grid.jobs;
    if (n == 0) return true;
    PathCall call = start_call(grid, scale, scaled_prices, work);
    const int B = grid.buckets;
    work.arrive.resize(B);
    std::fill(work.values.begin() + static_cast<std::ptrdiff_t>(n) * B, work.values.end(), 0.0);
    for (int k = n - 1; k >= 0; --k) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
        price_level(call, k);
        rest_level(call, k);
    }
    return true;
}

namespace {

// The bucket a step of job j leads to from bucket b: p2 after idle time, else the shift.
int step_target(const BacklogGrid& grid, int b, int j) {
    return b <= grid.idle_last[j] ? grid.idle_target[j] : b + grid.shift[j];
}

// Calls visit(j) for every job whose arc out of `state` is kept, in index order.
template <typename Visit>
void for_each_kept(const ArcMasks& masks, std::size_t state, Visit&& visit) {
    const std::uint64_t* words = &masks.allowed[state * masks.words];
    for (int w = 0; w < masks.words; ++w)
        for (std::uint64_t bits = words[w]; bits != 0; bits &= bits - 1)
            visit(64 * w + std::countr_zero(bits));
}

// The cost of arriving in bucket t from a step of the level priced last, with the rests of
// the level after it in `rests`.
double arrival_cost(const PathCall& call, const double* rests, int t) {
    const int B = call.grid.buckets;
    return t >= B ? call.leave_add[t - B] : call.backlog_scaled[t] + rests[t];
}

// The cheapest prefixes over the kept arcs: forward[k * B + b], the start's backlog counted
// at no level, every later one at its arrival.
void kept_prefixes(PathCall& call, const ArcMasks& masks, std::vector<double>& forward) {
    const BacklogGrid& grid = call.grid;
    const int n = grid.jobs, B = grid.buckets;
    forward.assign(static_cast<std::size_t>(n + 1) * B, UNREACHED);
    forward[static_cast<std::size_t>(floor_div(-grid.origin, grid.width))] = 0.0;
    for (int k = 0; k < n; ++k) {
        price_level(call, k);
        const double* from = &forward[static_cast<std::size_t>(k) * B];
        double* into = &forward[static_cast<std::size_t>(k + 1) * B];
        for (int b = 0; b < B; ++b) {
            if (from[b] >= REACHED_BELOW) continue;
            for_each_kept(masks, static_cast<std::size_t>(k) * B + b, [&](int j) {
                const int t = step_target(grid, b, j);
                if (t >= B) return;
                const double value = from[b] + call.work.step_cost[j] + call.backlog_scaled[t];
                if (value < into[t]) into[t] = value;
            });
        }
    }
}

// The cheapest rests over the kept arcs, into work.values as cheapest_relaxed_rests leaves
// them; a state without a kept arc has none (UNREACHED).
void kept_rests(PathCall& call, const ArcMasks& masks) {
    const BacklogGrid& grid = call.grid;
    const int n = grid.jobs, B = grid.buckets;
    std::vector<double>& values = call.work.values;
    std::fill(values.begin() + static_cast<std::ptrdiff_t>(n) * B, values.end(), 0.0);
    for (int k = n - 1; k >= 0; --k) {
        price_level(call, k);
        const double* next = &values[static_cast<std::size_t>(k + 1) * B];
        double* rest = &values[static_cast<std::size_t>(k) * B];
        for (int b = 0; b < B; ++b) {
            double best = UNREACHED;
            for_each_kept(masks, static_cast<std::size_t>(k) * B + b, [&](int j) {
                const double value =
                    call.work.step_cost[j] + arrival_cost(call, next, step_target(grid, b, j));
                if (value < best) best = value;
            });
            rest[b] = best;
        }
    }
}

// Deletes every kept arc whose cheapest path exceeds keep_at_most; returns the arcs deleted.
long long delete_dear_arcs(PathCall& call, const std::vector<double>& forward, ArcMasks& masks,
                           double keep_at_most) {
    const BacklogGrid& grid = call.grid;
    const int n = grid.jobs, B = grid.buckets;
    long long deleted = 0;
    for (int k = 0; k < n; ++k) {
        price_level(call, k);
        const double* next = &call.work.values[static_cast<std::size_t>(k + 1) * B];
        for (int b = 0; b < B; ++b) {
            const std::size_t state = static_cast<std::size_t>(k) * B + b;
            const double before = forward[state];
            for_each_kept(masks, state, [&](int j) {
                const double through = before + call.work.step_cost[j] +
                                       arrival_cost(call, next, step_target(grid, b, j));
                if (before < REACHED_BELOW && through <= keep_at_most) return;
                masks.allowed[state * masks.words + j / 64] &= ~(std::uint64_t{1} << (j % 64));
                ++deleted;
            });
        }
    }
    return deleted;
}

}  // namespace

ArcMasks all_arcs(const BacklogGrid& grid) {
    ArcMasks masks;
    masks.words = (grid.jobs + 63) / 64;
    masks.allowed.assign(static_cast<std::size_t>(grid.jobs) * grid.buckets * masks.words, 0);
    for (std::size_t state = 0; state < static_cast<std::size_t>(grid.jobs) * grid.buckets; ++state)
        for (int j = 0; j < grid.jobs; ++j)
            masks.allowed[state * masks.words + j / 64] |= std::uint64_t{1} << (j % 64);
    return masks;
}

long long filter_relaxed_arcs(const BacklogGrid& grid, double scale,
                              const std::vector<double>& scaled_prices, double keep_at_most,
                              ArcMasks& masks, BacklogWork& work) {
    if (grid.jobs == 0) return 0;
    PathCall call = start_call(grid, scale, scaled_prices, work);
    std::vector<double> forward;
    kept_prefixes(call, masks, forward);
    kept_rests(call, masks);
    const long long deleted = delete_dear_arcs(call, forward, masks, keep_at_most);
    kept_rests(call, masks);
    return deleted;
}

}  // namespace zemko
