// A fixed pool of worker threads for the parallel parts of a level. Work items write only
// their own results, so what the search computes does not depend on the number of threads.
#pragma once

#include <functional>

namespace zemko {

// Uses `threads` threads from now on (0: one per hardware thread), including the caller's.
void set_worker_threads(int threads);

// The threads a run uses for the Threads setting: 0 and values above the hardware's threads
// mean one per hardware thread.
int threads_for_setting(int setting);

// The number of threads parallel_for uses.
int worker_threads();

// Calls body(i, thread) for every i in [0, count), spread over the pool, where thread (0 for
// the caller, 1 .. worker_threads() - 1 for the workers) tells which thread runs the call;
// returns when all are done.
using WorkItem = std::function<void(int item, int thread)>;
void parallel_for(int count, const WorkItem& body);

}  // namespace zemko
