// How an engine spreads independent work over the threads its caller lends it.
#pragma once

#include <functional>

namespace zemko {

// Runs body(item, thread) for every item in [0, count) on the caller's worker threads and
// returns when all are done; `thread` is in [0, threads) and tells which thread runs the call.
// What is computed must not depend on how the items are spread.
using ParallelFor =
    std::function<void(int count, const std::function<void(int item, int thread)>& body)>;

}  // namespace zemko
