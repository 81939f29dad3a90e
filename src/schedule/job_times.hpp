// The processing times of an instance's jobs by job index, machine 1 first: what the
// improvement walks, the exact search and the certificate's bounds work on; a sequence's
// objective on them, and the check that a sequence is a permutation of the jobs.
#pragma once

#include <functional>
#include <vector>

#include "input/jobs.hpp"

namespace zemko {

struct JobTimes {
    std::vector<int> p1;  // processing time on machine 1, by job index
    std::vector<int> p2;  // processing time on machine 2, by job index
    int count() const { return static_cast<int>(p1.size()); }
};

// The times of the table's jobs, in the table's order of the machines.
JobTimes job_times_of(const JobTable& table);

// The objective of `sequence` [0, length), machine 1 first from time 0: the sum of its
// machine-2 completion times.
long long sequence_objective(const JobTimes& times, const int* sequence, int length);
long long sequence_objective(const JobTimes& times, const std::vector<int>& sequence);

// True when `sequence` holds every job index in [0, n) exactly once.
bool is_permutation_of_jobs(const std::vector<int>& sequence, int n);

// Runs body(item, thread) for every item in [0, count) on the caller's worker threads and
// returns when all are done; `thread` is in [0, threads) and tells which thread runs the call.
// What is computed must not depend on how the items are spread.
using ParallelFor =
    std::function<void(int count, const std::function<void(int item, int thread)>& body)>;

}  // namespace zemko
