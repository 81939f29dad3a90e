#include "exact/completion_bounds.hpp"

#include "util/integer_division.hpp"

#include <algorithm>
#include <limits>
#include <numeric>

namespace zemko {

// Both bounds rest on two facts about the jobs u_1 .. u_r that follow a prefix ending at
// (C1, C2), in any order and for any signs of the times (P1(k), P2(k): the sums of p1 and p2
// over u_1 .. u_k):
//   machine-1 chain: C2(u_k) >= C1 + P1(k) + p2(u_k), since the job starts on machine 2 after
//     it ends on machine 1;
//   machine-2 chain: C2(u_k) >= E + P2(k), with E = max(C2, C1 + min p1) over the unscheduled
//     jobs, since machine 2 runs u_1 .. u_k one after the other and starts u_1 no earlier than
//     C2 or than u_1's end on machine 1, C1 + p1(u_1).
// Fixed mix (w1, w2): w1 * chain1 + w2 * chain2 at every position, summed, is
//   r (w1 C1 + w2 E) + w1 * sum p2 + sum_k (r - k + 1) q(u_k),  q = w1 p1 + w2 p2,
// and the last sum is smallest with the jobs by ascending q (exchange of neighbours). Divided
// by w1 + w2 and rounded up it bounds the sum of the completions.
// Pair relaxation: see pair_relaxation.cpp; scaled by PAIR_WEIGHT_SCALE, rounded up likewise.

namespace {

// The set the bound is taken over: the prepared node's unscheduled jobs without `removed`
// (-1: none), after `state`.
struct BoundSet {
    const NodeSums& node;
    int removed;
    PrefixState state;
    int remaining() const { return node.remaining() - (removed >= 0 ? 1 : 0); }
    Cost machine2_start() const {
        const int min_p1 =
            removed >= 0 && removed == node.min_p1_job ? node.second_min_p1 : node.min_p1;
        const Cost through_machine1 = state.c1 + min_p1;
        return state.c2 > through_machine1 ? state.c2 : through_machine1;
    }
};

Cost fixed_mix_bound(const JobTimes& times, const FixedMix& mix, const FixedMixSums& sums,
                     const BoundSet& set) {
    const int r = set.node.remaining();
    Cost weighted = sums.weighted;
    Cost p2_total = set.node.p2_total;
    if (set.removed >= 0) {
        const int m = sums.position[set.removed];
        const Cost mixed =
            Cost{mix.w1} * times.p1[set.removed] + Cost{mix.w2} * times.p2[set.removed];
        weighted -= (r - m + 1) * mixed + sums.prefix[m - 1];
        p2_total -= times.p2[set.removed];
    }
    const Cost value = set.remaining() * (mix.w1 * set.state.c1 + mix.w2 * set.machine2_start()) +
                       mix.w1 * p2_total + weighted;
    return ceil_div(value, mix.w1 + mix.w2);
}

Cost pair_bound(const PairRelaxation& pairs, const PairSums& sums, const BoundSet& set) {
    constexpr Cost scale = PAIR_WEIGHT_SCALE;
    Cost weight = sums.weights, own = sums.own, paired = sums.pairs;
    if (set.removed >= 0) {
        weight -= pairs.weight[set.removed];
        own -= pairs.own[set.removed];
        paired -= sums.by_job[set.removed];
    }
    const Cost value = set.state.c1 * weight +
                       set.machine2_start() * (scale * set.remaining() - weight) + own + paired;
    return ceil_div(value, scale);
}

Cost bound_of(const CompletionBounds& bounds, const BoundSet& set) {
    Cost best = std::numeric_limits<Cost>::min();
    for (std::size_t f = 0; f < bounds.fixed_mixes.size(); ++f)
        best = std::max(
            best, fixed_mix_bound(*bounds.times, bounds.fixed_mixes[f], set.node.fixed[f], set));
    for (std::size_t k = 0; k < bounds.pairs.size(); ++k)
        best = std::max(best, pair_bound(bounds.pairs[k], set.node.pair[k], set));
    return best;
}

// The sums that are not derived from the parent's: the unscheduled set's p2 total and smallest
// p1, and the fixed mixes; from node.unscheduled and node.in_set.
void prepare_orders(const CompletionBounds& bounds, NodeSums& node) {
    const JobTimes& times = *bounds.times;
    const int r = node.remaining();
    node.p2_total = 0;
    node.min_p1_job = -1;
    node.min_p1 = node.second_min_p1 = 0;
    bool have_second = false;
    for (int j : node.unscheduled) {
        node.p2_total += times.p2[j];
        const int p1 = times.p1[j];
        if (node.min_p1_job < 0 || p1 < node.min_p1) {
            if (node.min_p1_job >= 0) {
                node.second_min_p1 = node.min_p1;
                have_second = true;
            }
            node.min_p1_job = j;
            node.min_p1 = p1;
        } else if (!have_second || p1 < node.second_min_p1) {
            node.second_min_p1 = p1;
            have_second = true;
        }
    }
    node.fixed.resize(bounds.fixed_mixes.size());
    for (std::size_t f = 0; f < bounds.fixed_mixes.size(); ++f) {
        const FixedMix& mix = bounds.fixed_mixes[f];
        FixedMixSums& sums = node.fixed[f];
        sums.position.resize(times.count());
        sums.prefix.assign(r + 1, 0);
        sums.weighted = 0;
        int m = 0;
        for (int j : mix.order) {
            if (!node.in_set[j]) continue;
            ++m;
            sums.position[j] = m;
            const Cost mixed = Cost{mix.w1} * times.p1[j] + Cost{mix.w2} * times.p2[j];
            sums.prefix[m] = sums.prefix[m - 1] + mixed;
            sums.weighted += (r - m + 1) * mixed;
        }
    }
}

}  // namespace

CompletionBounds make_completion_bounds(const JobTimes& times,
                                        const CompletionBoundOptions& options) {
    CompletionBounds bounds;
    bounds.times = &times;
    const int n = times.count();
    for (auto [w1, w2] : options.fixed_mixes) {
        FixedMix mix;
        mix.w1 = w1;
        mix.w2 = w2;
        mix.order.resize(n);
        std::iota(mix.order.begin(), mix.order.end(), 0);
        auto key = [&](int j) { return Cost{mix.w1} * times.p1[j] + Cost{mix.w2} * times.p2[j]; };
        std::stable_sort(mix.order.begin(), mix.order.end(),
                         [&](int a, int b) { return key(a) < key(b); });
        bounds.fixed_mixes.push_back(std::move(mix));
    }
    // A step costs n^2 / 2 pairs: large instances take fewer, so that setting up stays short.
    constexpr long long TUNING_PAIRS = 20'000'000;
    const long long affordable = std::max(10LL, TUNING_PAIRS / std::max(1LL, 1LL * n * n));
    const int steps = static_cast<int>(std::min<long long>(options.pair_tuning_steps, affordable));
    if (steps > 0 && n > 0)
        for (int backlog : options.pair_backlogs)
            bounds.pairs.push_back(
                make_pair_relaxation(times, root_pair_weights(times, steps, backlog)));
    return bounds;
}

namespace {

void sum_pairs(const PairRelaxation& pairs, const std::vector<int>& unscheduled, PairSums& sums) {
    const int n = pairs.jobs;
    sums.by_job.assign(n, 0);
    sums.pairs = sums.weights = sums.own = 0;
    for (int i : unscheduled) {
        const Cost* row = &pairs.pair_cost[static_cast<std::size_t>(i) * n];
        Cost sum = 0;
        for (int j : unscheduled)
            sum += row[j];  // the diagonal is 0
        sums.by_job[i] = sum;
        sums.pairs += sum;
        sums.weights += pairs.weight[i];
        sums.own += pairs.own[i];
    }
    sums.pairs /= 2;
}

void derive_pairs(const PairRelaxation& pairs, const PairSums& above, int job,
                  const std::vector<int>& unscheduled, PairSums& sums) {
    const int n = pairs.jobs;
    sums.by_job.resize(n);
    const Cost* row = &pairs.pair_cost[static_cast<std::size_t>(job) * n];
    for (int j : unscheduled)
        sums.by_job[j] = above.by_job[j] - row[j];
    sums.pairs = above.pairs - above.by_job[job];
    sums.weights = above.weights - pairs.weight[job];
    sums.own = above.own - pairs.own[job];
}

}  // namespace

void prepare_node(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                  NodeSums& node) {
    const int n = bounds.times->count();
    node.unscheduled.clear();
    node.in_set.assign(n, 0);
    for (int j = 0; j < n; ++j)
        if (!scheduled[j]) {
            node.unscheduled.push_back(j);
            node.in_set[j] = 1;
        }
    prepare_orders(bounds, node);
    node.pair.resize(bounds.pairs.size());
    for (std::size_t k = 0; k < bounds.pairs.size(); ++k)
        sum_pairs(bounds.pairs[k], node.unscheduled, node.pair[k]);
}

void derive_child(const CompletionBounds& bounds, const NodeSums& parent, int job,
                  NodeSums& child) {
    child.unscheduled.clear();
    for (int j : parent.unscheduled)
        if (j != job) child.unscheduled.push_back(j);
    child.in_set = parent.in_set;
    child.in_set[job] = 0;
    prepare_orders(bounds, child);
    child.pair.resize(bounds.pairs.size());
    for (std::size_t k = 0; k < bounds.pairs.size(); ++k)
        derive_pairs(bounds.pairs[k], parent.pair[k], job, child.unscheduled, child.pair[k]);
}

Cost child_completion_bound(const CompletionBounds& bounds, const NodeSums& node, int job,
                            const PrefixState& child) {
    return bound_of(bounds, BoundSet{node, job, child});
}

Cost completion_bound(const CompletionBounds& bounds, const std::vector<char>& scheduled,
                      const PrefixState& state) {
    NodeSums node;
    prepare_node(bounds, scheduled, node);
    if (node.remaining() == 0) return 0;
    return bound_of(bounds, BoundSet{node, -1, state});
}

}  // namespace zemko
