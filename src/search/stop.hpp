// Stopping a run from outside or at its deadline: the beam search looks at the run's stop check
// between the steps of a level and, when it fires, abandons the level by throwing SearchStopped.
#pragma once

#include <exception>

#include "search/stop_check.hpp"

namespace zemko {

struct SearchStopped : std::exception {
    const char* what() const noexcept override { return "search stopped"; }
};

// Throws SearchStopped when the check fires.
inline void check_stop(const StopCheck& check) {
    if (should_stop(check)) throw SearchStopped();
}

}  // namespace zemko
