#include "search/completion_bounds.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace zemko {

// Every bound rests on two facts about the jobs u_1 .. u_r that follow a prefix ending at
// (C1, C2), in any order and for any signs of the times (write P1(k) and P2(k) for the sums of
// p1 and p2 over u_1 .. u_k):
//   machine-1 chain: C2(u_k) >= C1 + P1(k) + p2(u_k), since the job starts on machine 2 after
//     it ends on machine 1;
//   machine-2 chain: C2(u_k) >= E + P2(k), with E = max(C2, C1 + min p1) over the unscheduled
//     jobs, since machine 2 runs u_1 .. u_k one after the other and starts u_1 no earlier than
//     C2 or than u_1's end on machine 1, C1 + p1(u_1).
// Fixed mix (w1, w2): w1 * chain1 + w2 * chain2 at every position, summed, is
//   r (w1 C1 + w2 E) + w1 * sum p2 + sum_k (r - k + 1) q(u_k),  q = w1 p1 + w2 p2,
// and the last sum is smallest with the jobs by ascending q (exchange of neighbours). Divided
// by w1 + w2 and rounded up it bounds the sum of the completions.
// Job mix (mu): job j mixes its two chains with weight l_j = mu p1_j / (mu p1_j + p2_j) on
// chain 1. The sum is C1 sum l + E sum (1 - l) + sum_j l_j p2_j + sum over pairs i before j of
// c(i, j) (i = j included), where c(i, j) = l_j p1_i + (1 - l_j) p2_i
// = (mu p1_i p1_j + p2_i p2_j) / (mu p1_j + p2_j). The numerator is symmetric, so each pair
// costs least with the job of smaller d = mu p1 + p2 first, and ascending d gives every pair
// its cheaper order at once: the minimum over all orders. With a negative time l_j leaves
// [0, 1] and the bound is not used. It is computed in doubles, and lowered by a margin that
// exceeds their rounding error before it is rounded up.
// Separate sorts: C2(u_k) >= max(C2, C1 + a_1) + B_k and C2(u_k) >= C1 + A_k + b_1, where A_k
// and B_k are the sums of the k smallest p1 and p2 and a_1, b_1 the smallest: position by
// position, each order of the jobs giving its own.

namespace {

std::int64_t ceil_div(std::int64_t value, std::int64_t divisor) {
    std::int64_t quotient = value / divisor;
    if (quotient * divisor < value) ++quotient;
    return quotient;
}

// The order of the jobs by key(j), ties by index.
template <typename Key>
std::vector<int> jobs_by(int n, Key key) {
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    return order;
}

// The set the bound is taken over: the prepared node's unscheduled jobs without `removed`
// (-1: none), after `state`.
struct BoundSet {
    const ParentBounds& parent;
    int removed;
    PrefixState state;
    int remaining() const { return parent.remaining - (removed >= 0 ? 1 : 0); }
    int min_p1() const {
        return removed >= 0 && removed == parent.min_p1_job ? parent.second_min_p1 : parent.min_p1;
    }
    std::int64_t machine2_start() const {
        const std::int64_t through_machine1 = state.c1 + min_p1();
        return state.c2 > through_machine1 ? state.c2 : through_machine1;
    }
};

std::int64_t fixed_mix_bound(const JobTimes& times, const FixedMix& mix, const FixedMixSums& sums,
                             const std::vector<int>& position, const BoundSet& set) {
    const int r = set.parent.remaining;
    std::int64_t weighted = sums.weighted;
    std::int64_t p2_total = set.parent.p2_total;
    if (set.removed >= 0) {
        const int m = position[set.removed];
        const std::int64_t mixed = std::int64_t{mix.w1} * times.p1[set.removed] +
                                   std::int64_t{mix.w2} * times.p2[set.removed];
        weighted -= (r - m + 1) * mixed + sums.prefix[m - 1];
        p2_total -= times.p2[set.removed];
    }
    const std::int64_t value =
        set.remaining() * (mix.w1 * set.state.c1 + mix.w2 * set.machine2_start()) +
        mix.w1 * p2_total + weighted;
    return ceil_div(value, mix.w1 + mix.w2);
}

std::int64_t job_mix_bound(const JobTimes& times, const JobMix& mix, const JobMixSums& sums,
                           const std::vector<int>& position, const BoundSet& set) {
    const int r = set.parent.remaining;
    double inner = sums.inner;
    double weight_total = sums.weight_suffix[0];
    if (set.removed >= 0) {
        const int x = set.removed;
        const int m = position[x];
        const double l = mix.weight[x];
        const double after = sums.weight_suffix[m];
        inner -= l * static_cast<double>(sums.p1_prefix[m]) +
                 (1 - l) * static_cast<double>(sums.p2_prefix[m]) + l * times.p2[x];
        inner -= times.p1[x] * after + times.p2[x] * (static_cast<double>(r - m) - after);
        weight_total -= l;
    }
    const double c1 = static_cast<double>(set.state.c1);
    const double start = static_cast<double>(set.machine2_start());
    const double value =
        c1 * weight_total + start * (static_cast<double>(set.remaining()) - weight_total) + inner;
    // Every term is at most the magnitude below; each of the O(r) operations is off by at
    // most 2^-53 of a partial sum, so 2^-40 * r * magnitude is well above their total.
    const double magnitude =
        std::fabs(value) + std::fabs(inner) + (std::fabs(c1) + std::fabs(start)) * (r + 1) + 1.0;
    const double margin = 1e-6 + magnitude * (r + 1) * 0x1p-40;
    return static_cast<std::int64_t>(std::ceil(value - margin));
}

std::int64_t separate_sorts_bound(const JobTimes& times, const BoundSet& set) {
    const ParentBounds& parent = set.parent;
    const int r = parent.remaining;
    int skip1 = -1, skip2 = -1;  // the removed job's entries in the sorted times
    if (set.removed >= 0) {
        skip1 = static_cast<int>(std::lower_bound(parent.p1_sorted.begin(), parent.p1_sorted.end(),
                                                  times.p1[set.removed]) -
                                 parent.p1_sorted.begin());
        skip2 = static_cast<int>(std::lower_bound(parent.p2_sorted.begin(), parent.p2_sorted.end(),
                                                  times.p2[set.removed]) -
                                 parent.p2_sorted.begin());
    }
    const int first1 = skip1 == 0 ? 1 : 0, first2 = skip2 == 0 ? 1 : 0;
    const std::int64_t a1 = parent.p1_sorted[first1], b1 = parent.p2_sorted[first2];
    const std::int64_t start = std::max(set.state.c2, set.state.c1 + a1);
    std::int64_t total = 0, sum1 = 0, sum2 = 0;
    for (int i1 = 0, i2 = 0, k = 0; k < r - (set.removed >= 0 ? 1 : 0); ++k, ++i1, ++i2) {
        if (i1 == skip1) ++i1;
        if (i2 == skip2) ++i2;
        sum1 += parent.p1_sorted[i1];
        sum2 += parent.p2_sorted[i2];
        total += std::max(start + sum2, set.state.c1 + sum1 + b1);
    }
    return total;
}

std::int64_t pair_bound(const CompletionBounds& bounds, const BoundSet& set) {
    const ParentBounds& parent = set.parent;
    const PairRelaxation& pairs = bounds.pairs;
    constexpr std::int64_t scale = kPairWeightScale;
    std::int64_t weight = parent.weight_total, own = parent.own_total, paired = parent.pair_total;
    if (set.removed >= 0) {
        weight -= pairs.weight[set.removed];
        own -= pairs.own[set.removed];
        paired -= parent.pair_sum[set.removed];
    }
    const std::int64_t value = set.state.c1 * weight +
                               set.machine2_start() * (scale * set.remaining() - weight) + own +
                               paired;
    return ceil_div(value, scale);
}

std::int64_t bound_of(const CompletionBounds& bounds, const BoundSet& set) {
    const JobTimes& times = *bounds.times;
    const ParentBounds& parent = set.parent;
    std::int64_t best = std::numeric_limits<std::int64_t>::min();
    for (std::size_t f = 0; f < bounds.fixed_mixes.size(); ++f)
        best = std::max(best, fixed_mix_bound(times, bounds.fixed_mixes[f], parent.fixed[f],
                                              parent.position[f], set));
    if (bounds.nonnegative) {
        const std::size_t first = bounds.fixed_mixes.size();
        for (std::size_t g = 0; g < bounds.job_mixes.size(); ++g)
            best = std::max(best, job_mix_bound(times, bounds.job_mixes[g], parent.job[g],
                                                parent.position[first + g], set));
    }
    if (bounds.separate_sorts) best = std::max(best, separate_sorts_bound(times, set));
    if (bounds.use_pairs) best = std::max(best, pair_bound(bounds, set));
    return best;
}

}  // namespace

CompletionBounds make_completion_bounds(const JobTimes& times,
                                        const CompletionBoundOptions& options) {
    CompletionBounds bounds;
    bounds.times = &times;
    const int n = times.count();
    for (int j = 0; j < n; ++j)
        if (times.p1[j] < 0 || times.p2[j] < 0) bounds.nonnegative = false;
    bounds.by_p1 = jobs_by(n, [&](int j) { return times.p1[j]; });
    bounds.by_p2 = jobs_by(n, [&](int j) { return times.p2[j]; });
    for (auto [w1, w2] : options.fixed_mixes) {
        FixedMix mix;
        mix.w1 = w1;
        mix.w2 = w2;
        mix.order = jobs_by(n, [&](int j) {
            return std::int64_t{w1} * times.p1[j] + std::int64_t{w2} * times.p2[j];
        });
        bounds.fixed_mixes.push_back(std::move(mix));
    }
    for (double mu : options.job_mix_scales) {
        JobMix mix;
        mix.order = jobs_by(n, [&](int j) { return mu * times.p1[j] + times.p2[j]; });
        mix.weight.resize(n);
        for (int j = 0; j < n; ++j) {
            const double scaled = mu * times.p1[j];
            const double total = scaled + times.p2[j];
            mix.weight[j] = total > 0 ? scaled / total : 0.5;
        }
        bounds.job_mixes.push_back(std::move(mix));
    }
    bounds.separate_sorts = options.separate_sorts;
    if (options.pair_tuning_steps > 0 && n > 0) {
        bounds.use_pairs = true;
        bounds.pairs =
            make_pair_relaxation(times, tuned_pair_weights(times, options.pair_tuning_steps));
    }
    return bounds;
}

void prepare_parent(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                    ParentBounds& parent) {
    const JobTimes& times = *bounds.times;
    const int n = times.count();
    const std::size_t orders = bounds.fixed_mixes.size() + bounds.job_mixes.size();
    parent.position.resize(orders);
    parent.fixed.resize(bounds.fixed_mixes.size());
    parent.job.resize(bounds.job_mixes.size());

    parent.p2_total = 0;
    parent.unscheduled.clear();
    for (int j = 0; j < n; ++j)
        if (!scheduled[j]) {
            parent.unscheduled.push_back(j);
            parent.p2_total += times.p2[j];
        }
    const int r = static_cast<int>(parent.unscheduled.size());
    parent.remaining = r;
    if (bounds.use_pairs) {
        const PairRelaxation& pairs = bounds.pairs;
        parent.pair_sum.assign(n, 0);
        parent.pair_total = parent.weight_total = parent.own_total = 0;
        for (int a = 0; a < r; ++a) {
            const int i = parent.unscheduled[a];
            const std::int64_t* row = &pairs.pair_cost[static_cast<std::size_t>(i) * n];
            std::int64_t sum = 0;
            for (int b = 0; b < r; ++b)
                sum += row[parent.unscheduled[b]];
            sum -= row[i];  // the diagonal is 0; kept general
            parent.pair_sum[i] = sum;
            parent.pair_total += sum;
            parent.weight_total += pairs.weight[i];
            parent.own_total += pairs.own[i];
        }
        parent.pair_total /= 2;
    }
    parent.min_p1_job = -1;
    parent.min_p1 = parent.second_min_p1 = 0;
    parent.p1_sorted.clear();
    parent.p2_sorted.clear();
    for (int j : bounds.by_p1)
        if (!scheduled[j]) {
            if (parent.min_p1_job < 0) {
                parent.min_p1_job = j;
                parent.min_p1 = times.p1[j];
            } else if (parent.p1_sorted.size() == 1) {
                parent.second_min_p1 = times.p1[j];
            }
            parent.p1_sorted.push_back(times.p1[j]);
        }
    if (bounds.separate_sorts)
        for (int j : bounds.by_p2)
            if (!scheduled[j]) parent.p2_sorted.push_back(times.p2[j]);

    for (std::size_t f = 0; f < bounds.fixed_mixes.size(); ++f) {
        const FixedMix& mix = bounds.fixed_mixes[f];
        std::vector<int>& position = parent.position[f];
        FixedMixSums& sums = parent.fixed[f];
        position.assign(n, 0);
        sums.prefix.assign(r + 1, 0);
        sums.weighted = 0;
        int m = 0;
        for (int j : mix.order) {
            if (scheduled[j]) continue;
            ++m;
            position[j] = m;
            const std::int64_t mixed =
                std::int64_t{mix.w1} * times.p1[j] + std::int64_t{mix.w2} * times.p2[j];
            sums.prefix[m] = sums.prefix[m - 1] + mixed;
            sums.weighted += (r - m + 1) * mixed;
        }
    }
    for (std::size_t g = 0; g < bounds.job_mixes.size(); ++g) {
        const JobMix& mix = bounds.job_mixes[g];
        std::vector<int>& position = parent.position[bounds.fixed_mixes.size() + g];
        JobMixSums& sums = parent.job[g];
        position.assign(n, 0);
        sums.p1_prefix.assign(r + 1, 0);
        sums.p2_prefix.assign(r + 1, 0);
        sums.weight_suffix.assign(r + 1, 0.0);
        sums.inner = 0;
        int m = 0;
        for (int j : mix.order) {
            if (scheduled[j]) continue;
            ++m;
            position[j] = m;
            sums.p1_prefix[m] = sums.p1_prefix[m - 1] + times.p1[j];
            sums.p2_prefix[m] = sums.p2_prefix[m - 1] + times.p2[j];
            const double l = mix.weight[j];
            sums.inner += l * static_cast<double>(sums.p1_prefix[m]) +
                          (1 - l) * static_cast<double>(sums.p2_prefix[m]) + l * times.p2[j];
        }
        // Summed from the back, one job at a time, so that each suffix is an exact running sum.
        for (auto it = mix.order.rbegin(); it != mix.order.rend(); ++it)
            if (!scheduled[*it])
                sums.weight_suffix[position[*it] - 1] =
                    sums.weight_suffix[position[*it]] + mix.weight[*it];
    }
}

std::int64_t child_completion_bound(const CompletionBounds& bounds, const ParentBounds& parent,
                                    int job, const PrefixState& child) {
    return bound_of(bounds, BoundSet{parent, job, child});
}

std::int64_t completion_bound(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                              const PrefixState& state) {
    ParentBounds parent;
    prepare_parent(bounds, scheduled, parent);
    if (parent.remaining == 0) return 0;
    return bound_of(bounds, BoundSet{parent, -1, state});
}

}  // namespace zemko
