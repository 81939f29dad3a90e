// Stopping a run from outside: the search looks at the run's stop flag between the steps of a
// level and, when it is raised, abandons the level by throwing SearchStopped.
#pragma once

#include <atomic>
#include <exception>

namespace zemko {

struct SearchStopped : std::exception {
    const char* what() const noexcept override { return "search stopped"; }
};

// Throws SearchStopped when the flag is raised.
inline void check_stop(const std::atomic<bool>* stop) {
    if (stop && stop->load(std::memory_order_relaxed)) throw SearchStopped();
}

}  // namespace zemko
