// The shortest relaxed path against enumeration of every sequence with repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "certify/backlog_paths.hpp"
#include "certify/position_bounds.hpp"

using namespace zemko;

namespace {

constexpr double SCALE = 16.0;

// scale * C2sum - the prices of the jobs, a job counted as often as it appears.
double relaxed_cost(const JobTimes& times, const std::vector<int>& path,
                    const std::vector<double>& prices) {
    double cost = SCALE * static_cast<double>(sequence_objective(times, path));
    for (int j : path)
        cost -= prices[j];
    return cost;
}

}  // namespace

TEST(BacklogPaths, FindTheCheapestSequenceWithRepeatsExactly) {
    std::uint64_t state = 99;
    auto draw = [&](int low, int high) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return low + static_cast<int>((state >> 33) % static_cast<std::uint64_t>(high - low + 1));
    };
    for (int round = 0; round < 40; ++round) {
        const int n = draw(1, 5);
        JobTimes times;
        std::vector<double> prices(n);
        for (int j = 0; j < n; ++j) {
            times.p1.push_back(draw(-4, 12));
            times.p2.push_back(draw(-4, 12));
            prices[j] = draw(-2000, 2000);
        }
        // Every sequence of n jobs with repeats, as the digits of a number in base n.
        double cheapest = 1e300;
        std::vector<int> path(n);
        for (int code = 0, count = 1; code < count; ++code) {
            if (code == 0)
                for (int k = 0; k < n; ++k)
                    count *= n;
            for (int k = 0, rest = code; k < n; ++k, rest /= n)
                path[k] = rest % n;
            cheapest = std::min(cheapest, relaxed_cost(times, path, prices));
        }
        SCOPED_TRACE(testing::Message() << "round " << round << " jobs " << n);

        // Buckets for every backlog a sequence reaches: the relaxation is exact.
        BacklogWork work;
        std::vector<int> found;
        const BacklogGrid wide = make_backlog_grid(times, 4096, 20);
        ASSERT_EQ(wide.width, 1);
        const double value = cheapest_relaxed_path(wide, SCALE, prices, 1e300, work, found);
        EXPECT_EQ(value, cheapest);
        EXPECT_EQ(relaxed_cost(times, found, prices), value);

        // Wide buckets and paths leaving them (the rest then of distinct jobs): never above any
        // true sequence.
        std::vector<int> order(n);
        for (int j = 0; j < n; ++j)
            order[j] = j;
        double best_order = relaxed_cost(times, order, prices);
        while (std::next_permutation(order.begin(), order.end()))
            best_order = std::min(best_order, relaxed_cost(times, order, prices));
        const BacklogGrid narrow = make_backlog_grid(times, 2, 2);
        EXPECT_LE(cheapest_relaxed_path(narrow, SCALE, prices, 1e300, work, found), best_order);
    }
}
