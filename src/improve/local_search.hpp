// The local search of the improvement walks: moves single jobs to their best places, trying
// only the jobs near the places where the sequence changed.
#pragma once

#include <vector>

#include "sequence/insertion.hpp"
#include "sequence/job_times.hpp"
#include "util/cost.hpp"
#include "util/limits.hpp"

namespace zemko {

// The working state of the local search, owned by one walk.
struct LocalSearch {
    std::vector<int> position_of;  // per job: its position in the sequence searched
    std::vector<int> queue;        // jobs still to try, in the order they came
    std::vector<char> queued;      // per job: whether it is in `queue`
    InsertionWorkspace work;
};

// Empties the queue for a sequence of n jobs.
void clear_queue(LocalSearch& search, int n);

// Queues the jobs of `sequence` at positions [position - window, position + window].
void queue_around(LocalSearch& search, const std::vector<int>& sequence, int position, int window);

// Takes the queued jobs in turn and moves each to its best place when that lowers the
// objective, queueing the jobs within `window` positions of both ends of every move, until
// the queue is empty or the limits' flag or deadline stops it. Returns the new objective.
Cost local_search(const JobTimes& times, LocalSearch& search, std::vector<int>& sequence,
                  Cost objective, int window, const Limits& limits);

}  // namespace zemko
