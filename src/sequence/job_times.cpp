// The evaluation of a sequence on job times.
#include "sequence/job_times.hpp"

#include <algorithm>

namespace zemko {

Routes routes_of(const JobTable& table) {
    for (int i = 1; i < table.n_jobs; ++i)
        if (table.jobs[i].route != table.jobs[0].route) return Routes::mixed;
    return table.n_jobs > 0 && table.jobs[0].route == 2 ? Routes::machine_two_first
                                                        : Routes::machine_one_first;
}

std::optional<JobTimes> machine_one_first_times(const JobTable& table) {
    const Routes routes = routes_of(table);
    if (routes == Routes::mixed) return std::nullopt;
    JobTimes times;
    for (int j = 0; j < table.n_jobs; ++j) {
        times.p1.push_back(table.jobs[j].p1);
        times.p2.push_back(table.jobs[j].p2);
    }
    if (routes == Routes::machine_two_first) times.p1.swap(times.p2);
    return times;
}

Cost sequence_objective(const JobTimes& times, const int* sequence, int length) {
    Cost c1 = 0, c2 = 0, sum = 0;
    for (int k = 0; k < length; ++k) {
        const int job = sequence[k];
        c1 += times.p1[job];
        c2 = std::max(c1, c2) + times.p2[job];
        sum += c2;
    }
    return sum;
}

Cost sequence_objective(const JobTimes& times, const std::vector<int>& sequence) {
    return sequence_objective(times, sequence.data(), static_cast<int>(sequence.size()));
}

bool is_permutation_of_jobs(const std::vector<int>& sequence, int n) {
    if (static_cast<int>(sequence.size()) != n) return false;
    std::vector<char> seen(n, 0);
    for (const int job : sequence) {
        if (job < 0 || job >= n || seen[job]) return false;
        seen[job] = 1;
    }
    return true;
}

}  // namespace zemko
