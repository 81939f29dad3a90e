#include "certify/position_bounds.hpp"

#include <algorithm>

namespace zemko {

namespace {

// The smallest value of sum_k (n - k) * x[pi(k)] over all orders pi: the values ascending
// against the weights descending.
Cost smallest_weighted_sum(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    Cost sum = 0;
    const Cost n = static_cast<Cost>(values.size());
    for (Cost k = 0; k < n; ++k)
        sum += (n - k) * values[k];
    return sum;
}

}  // namespace

Cost position_lower_bound(const JobTimes& times) {
    const int n = times.count();
    if (n == 0) return 0;
    Cost total_p2 = 0;
    for (int v : times.p2)
        total_p2 += v;
    const Cost machine1 = smallest_weighted_sum(times.p1) + total_p2;
    const Cost machine2 =
        static_cast<Cost>(n) * *std::min_element(times.p1.begin(), times.p1.end()) +
        smallest_weighted_sum(times.p2);
    return std::max(machine1, machine2);
}

}  // namespace zemko
