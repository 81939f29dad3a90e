#include "sequence/construction.hpp"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "sequence/insertion.hpp"

namespace zemko {

namespace {

constexpr int PRIORITY_MIXES = 10;  // weights a = 0..PRIORITY_MIXES of p1, the rest of p2

// The best of the orders by a * p1 + (10 - a) * p2 (ties by index).
std::vector<int> best_priority_order(const JobTimes& times) {
    const int n = times.count();
    std::vector<int> order(n), best;
    Cost best_value = 0;
    for (int a = 0; a <= PRIORITY_MIXES; ++a) {
        std::iota(order.begin(), order.end(), 0);
        const auto key = [&](int j) {
            return static_cast<std::int64_t>(a) * times.p1[j] +
                   static_cast<std::int64_t>(PRIORITY_MIXES - a) * times.p2[j];
        };
        std::sort(order.begin(), order.end(), [&](int x, int y) {
            if (key(x) != key(y)) return key(x) < key(y);
            return x < y;
        });
        const Cost value = sequence_objective(times, order);
        if (best.empty() || value < best_value) {
            best_value = value;
            best = order;
        }
    }
    return best;
}

}  // namespace

std::vector<int> insertion_construction(const JobTimes& times, const Limits& limits) {
    const std::vector<int> order = best_priority_order(times);
    std::vector<int> sequence;
    sequence.reserve(order.size());
    InsertionWorkspace work;
    for (const int job : order) {
        int place = static_cast<int>(sequence.size());
        if (!must_stop(limits))
            place =
                best_insertion(times, sequence.data(), static_cast<int>(sequence.size()), job, work)
                    .position;
        sequence.insert(sequence.begin() + place, job);
    }
    Cost objective = sequence_objective(times, sequence);
    const int n = static_cast<int>(sequence.size());
    for (const int job : order) {
        if (must_stop(limits)) break;
        const int from =
            static_cast<int>(std::find(sequence.begin(), sequence.end(), job) - sequence.begin());
        const Insertion place = best_reinsertion(times, sequence.data(), n, from, objective, work);
        if (place.position != from) {
            move_job(sequence, from, place.position);
            objective = place.objective;
        }
    }
    return sequence;
}

}  // namespace zemko
