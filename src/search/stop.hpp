// Stopping the beam search from outside or at its deadline: it looks at the run's limits
// between the steps of a level and, when they are reached, abandons the level by throwing
// SearchStopped.
#pragma once

#include <exception>

#include "util/limits.hpp"

namespace zemko {

struct SearchStopped : std::exception {
    const char* what() const noexcept override { return "search stopped"; }
};

// Throws SearchStopped when the stop flag is raised or the deadline has passed.
inline void check_stop(const Limits& limits) {
    if (must_stop(limits)) throw SearchStopped();
}

}  // namespace zemko
