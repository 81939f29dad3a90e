// The exact objective of inserting one job at every position of a sequence in O(n log n), and
// of the best reinsertion of one job.
#pragma once

#include <vector>

#include "sequence/job_times.hpp"
#include "util/cost.hpp"

namespace zemko {

// Arrays of the insertion evaluation, kept between calls so that a walk allocates only when
// a longer sequence comes. Contents are scratch: nothing survives a call.
struct InsertionWorkspace {
    std::vector<Cost> c1;             // [k]: machine-1 completion of the first k jobs
    std::vector<Cost> c2;             // [k]: machine-2 completion of the first k jobs
    std::vector<Cost> idle_before;    // [k]: minus the machine-2 idle time of them
    std::vector<Cost> record_key;     // per position: the key the records are taken on
    std::vector<Cost> record_sum;     // per position: sum of the running records to the end
    std::vector<Cost> stack_key;      // keys of the records open during the sweep
    std::vector<int> stack_position;  // their positions
    std::vector<int> rest;            // a sequence with one job taken out
};

// objectives[i], for every i in [0, length]: the objective of `sequence` with `job` inserted
// before its job at position i (i = length: appended). `job` must not be in `sequence`.
void insertion_objectives(const JobTimes& times, const int* sequence, int length, int job,
                          InsertionWorkspace& work, Cost* objectives);

struct Insertion {
    int position;    // where the job goes, in the sequence without it
    Cost objective;  // the objective of the sequence with the job there
};

// The position of least objective for `job` in `sequence`; the lowest position on ties.
Insertion best_insertion(const JobTimes& times, const int* sequence, int length, int job,
                         InsertionWorkspace& work);

// Takes the job at `position` out of `sequence`, whose objective is `objective`, and finds
// its best position in the rest: its old position when nothing is strictly better (so a
// returned position that differs from `position` always lowers the objective), otherwise
// the lowest position of least objective. work.rest holds the rest afterwards.
Insertion best_reinsertion(const JobTimes& times, const int* sequence, int length, int position,
                           Cost objective, InsertionWorkspace& work);

// Moves the job at `from` so that it ends at position `to` (positions in the whole sequence).
void move_job(std::vector<int>& sequence, int from, int to);

}  // namespace zemko
