// The evaluation of a sequence on job times.
#include "schedule/job_times.hpp"

#include <algorithm>

namespace zemko {

long long sequence_objective(const JobTimes& times, const int* sequence, int length) {
    long long c1 = 0, c2 = 0, sum = 0;
    for (int k = 0; k < length; ++k) {
        const int job = sequence[k];
        c1 += times.p1[job];
        c2 = std::max(c1, c2) + times.p2[job];
        sum += c2;
    }
    return sum;
}

long long sequence_objective(const JobTimes& times, const std::vector<int>& sequence) {
    return sequence_objective(times, sequence.data(), static_cast<int>(sequence.size()));
}

}  // namespace zemko
