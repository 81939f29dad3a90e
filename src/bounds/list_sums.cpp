// List estimates in closed form.
//
// A child parent + j walks each list of its parent with job j stepped over. Along list l
// (steps k = 0 .. m-1 with times p1(k), p2(k), weight w(k), and running sums P1(k), P2(k)
// that include step k), the child meets every step but pos, the step of job j, with P1 and
// P2 short of p1(pos), p2(pos) beyond pos. Each step adds w * (R1 + p2) + (1 - w) * R2 with
// R1 = c1 + P1 and R2 = start2 + P2, so the estimate is linear in c1 and start2:
//     E = c1 * (W - w(pos)) + start2 * (W' - w'(pos)) + (A - A(pos))
//         - p1(pos) * W_after(pos) - p2(pos) * W'_after(pos)
// where W, W' are the sums of w and w' = 1 - w, A(k) = w (P1 + p2) + w' P2 at step k, A their
// sum, and W_after(pos), W'_after(pos) the sums of w, w' beyond pos.
//
// The walk rounds each of its 4 (m - 1) operations once, and every partial sum is bounded by
// the sum of the magnitudes of its terms, M; so the walked estimate is within (2m - 1) units
// of roundoff of M from the exact sum. The sums here are within m + 10 units of M as well.
// `slack` is (3m + 16) * 2^-52 * M, twice what both need. Lists whose weights are all 0, 1/2
// or 1 round nothing at all, in the walk or here (every value is a multiple of 1/2 far below
// 2^52): their slack is 0 and their estimate exact.
#include "bounds/list_sums.hpp"

#include <cmath>

#include "bounds/priority_lists.hpp"
#include "input/jobs.hpp"

namespace zemko {

namespace {

// The weights of the run's lists.
struct WeightFacts {
    bool in_unit_range = true;    // every weight is in [0, 1]
    bool exact[LIST_LANES] = {};  // the list's weights are all 0, 1/2 or 1
};
WeightFacts weight_facts;

bool is_half_multiple(double w) {
    return w == 0.0 || w == 0.5 || w == 1.0;
}

// The running sums, step by step; every lane is independent.
__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void forward_sums(
    const int* __restrict p1s, const int* __restrict p2s, const double* __restrict ws, int m,
    double* __restrict a_term, double* __restrict w_after, double* __restrict w2_after,
    double* __restrict totals) {
    double p1_run[LIST_LANES] = {}, p2_run[LIST_LANES] = {}, w_total[LIST_LANES] = {};
    double w2_total[LIST_LANES] = {}, a_total[LIST_LANES] = {}, scale[LIST_LANES] = {};
    for (int k = 0; k < m; ++k) {
        const int row = k * LIST_LANES;
        for (int l = 0; l < LIST_LANES; ++l) {
            const double p2 = p2s[row + l], w = ws[row + l];
            const double w2 = 1 - w;
            p1_run[l] += p1s[row + l];
            p2_run[l] += p2;
            const double r1 = p1_run[l] + p2;
            const double a = w * r1 + w2 * p2_run[l];
            a_term[row + l] = a;
            a_total[l] += a;
            scale[l] += w * std::fabs(r1) + w2 * std::fabs(p2_run[l]);
            w_total[l] += w;
            w2_total[l] += w2;
        }
    }
    for (int l = 0; l < LIST_LANES; ++l) {
        totals[ListSums::W_TOTAL * LIST_LANES + l] = w_total[l];
        totals[ListSums::W2_TOTAL * LIST_LANES + l] = w2_total[l];
        totals[ListSums::A_TOTAL * LIST_LANES + l] = a_total[l];
        totals[ListSums::SCALE_TOTAL * LIST_LANES + l] = scale[l];
    }
    // Summed from the end, so that each is as accurate as its own size.
    double w_acc[LIST_LANES] = {}, w2_acc[LIST_LANES] = {};
    for (int k = m - 1; k >= 0; --k) {
        const int row = k * LIST_LANES;
        for (int l = 0; l < LIST_LANES; ++l) {
            w_after[row + l] = w_acc[l];
            w2_after[row + l] = w2_acc[l];
            w_acc[l] += ws[row + l];
            w2_acc[l] += 1 - ws[row + l];
        }
    }
}

}  // namespace

void prepare_list_sums() {
    WeightFacts facts;
    for (int l = 0; l < NUM_LISTS; ++l) {
        bool exact = true;
        for (int j = 0; j < n_jobs; ++j) {
            const double w = prio_weight[l][j];
            if (!(w >= 0.0 && w <= 1.0)) facts.in_unit_range = false;
            exact = exact && is_half_multiple(w);
        }
        facts.exact[l] = exact;
    }
    weight_facts = facts;
}

bool list_sums_apply() {
    return weight_facts.in_unit_range;
}

void ListSums::build(const ParentLists& lists) {
    const int m = lists.unscheduled;
    steps = m;
    const size_t cells = static_cast<size_t>(n_jobs + 1) * LIST_LANES;
    if (a_term.size() < cells) {
        for (auto* v : {&a_term, &w_after, &w2_after})
            v->assign(cells, 0.0);
        lane_total.assign(static_cast<size_t>(LANE_TOTALS) * LIST_LANES, 0.0);
    }
    forward_sums(lists.p1, lists.p2, lists.w, m, a_term.data(), w_after.data(),
                 w2_after.data(), lane_total.data());
    const double slack_factor = (3.0 * m + 16.0) * 0x1p-52;
    for (int l = 0; l < LIST_LANES; ++l)
        lane_total[SLACK_FACTOR * LIST_LANES + l] = weight_facts.exact[l] ? 0.0 : slack_factor;
}

void sum_child_estimates(const ListSums& sums, const ParentLists& lists, int j, int c1, int start2,
                         SummedEstimates& out) {
    const double* total = sums.lane_total.data();
    const double dc1 = c1, dstart2 = start2;
    const double scale_c = std::fabs(dc1), scale_s = std::fabs(dstart2);
    for (int l = 0; l < NUM_LISTS; ++l) {
        const int at = lists.position[j * LIST_LANES + l] * LIST_LANES + l;
        const double w = lists.w[at], p1 = lists.p1[at], p2 = lists.p2[at];
        const double w_after = sums.w_after[at], w2_after = sums.w2_after[at];
        const double w_total = total[ListSums::W_TOTAL * LIST_LANES + l];
        const double w2_total = total[ListSums::W2_TOTAL * LIST_LANES + l];
        out.estimate[l] = dc1 * (w_total - w) + dstart2 * (w2_total - (1 - w)) +
                          (total[ListSums::A_TOTAL * LIST_LANES + l] - sums.a_term[at]) -
                          p1 * w_after - p2 * w2_after;
        const double magnitude = scale_c * w_total + scale_s * w2_total +
                                 total[ListSums::SCALE_TOTAL * LIST_LANES + l] +
                                 std::fabs(p1) * w_after + std::fabs(p2) * w2_after;
        out.slack[l] = magnitude * total[ListSums::SLACK_FACTOR * LIST_LANES + l];
    }
}

}  // namespace zemko
