// What one solve lends every engine it runs: the memory budget they all count in, the worker
// threads, the limits (the stop flag raised from outside, the deadline), the start of the
// solve, the transcript and the progress hook. The driver owns it for the solve's life; the
// engines borrow it and own only their own tables.
#pragma once

#include <functional>

#include <zemko/zemko.hpp>

#include "util/limits.hpp"
#include "util/memory_budget.hpp"
#include "util/thread_pool.hpp"
#include "util/transcript.hpp"

namespace zemko {

struct SolveContext {
    SolveContext() = default;
    SolveContext(const SolveContext&) = delete;
    SolveContext& operator=(const SolveContext&) = delete;

    MemoryBudget budget;
    ThreadPool pool;
    Limits limits;
    Clock::time_point start = Clock::now();
    Transcript out;
    std::function<void(const Progress&)> progress;  // told where the solve stands, if set
};

}  // namespace zemko
