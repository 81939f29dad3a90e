// The failure of a run to obtain memory: thrown where memory is refused, caught where the run
// ends, after which everything the run holds has been released.
#pragma once

#include <exception>

namespace zemko {

struct MemoryError : std::exception {
    const char* what() const noexcept override { return "memory error"; }
};

}  // namespace zemko
