// The processing times of an instance's jobs by job index, machine 1 first, made from the job
// table in one place for every engine; a sequence's objective on them, and the check that a
// sequence is a permutation of the jobs.
#pragma once

#include <optional>
#include <vector>

#include "input/jobs.hpp"
#include "util/cost.hpp"

namespace zemko {

struct JobTimes {
    std::vector<int> p1;  // processing time on machine 1, by job index
    std::vector<int> p2;  // processing time on machine 2, by job index
    int count() const { return static_cast<int>(p1.size()); }
};

// How the jobs of an instance go through the machines. An instance without jobs counts as
// machine 1 first.
enum class Routes { machine_one_first, machine_two_first, mixed };

Routes routes_of(const JobTable& table);

// The times of the table's jobs with the machine every job visits first as machine 1: as given
// when every job takes route 1, exchanged when every job takes route 2. A job sequence then has
// the same objective on these times as on the instance. Nothing for mixed routes: such an
// instance is not a flow shop.
std::optional<JobTimes> machine_one_first_times(const JobTable& table);

// The objective of `sequence` [0, length), machine 1 first from time 0: the sum of its
// machine-2 completion times.
Cost sequence_objective(const JobTimes& times, const int* sequence, int length);
Cost sequence_objective(const JobTimes& times, const std::vector<int>& sequence);

// True when `sequence` holds every job index in [0, n) exactly once.
bool is_permutation_of_jobs(const std::vector<int>& sequence, int n);

}  // namespace zemko
