// The memory a run may take, counted where it is taken in large blocks (node chunks, tables),
// so that a run stops cleanly before it passes its ceiling instead of being killed by the
// system.
#pragma once

#include <cstddef>

namespace zemko {

struct MemoryBudget {
    size_t limit = 0;     // bytes the run may take; 0: no ceiling
    size_t reserved = 0;  // bytes taken so far
    size_t peak = 0;      // the most taken at once
};

// Counts `bytes` as taken; throws MemoryError (and counts nothing) when that would pass the
// ceiling.
void reserve_memory(MemoryBudget& budget, size_t bytes);

// Counts `bytes` taken earlier as given back.
void return_memory(MemoryBudget& budget, size_t bytes);

// The ceiling of the MemoryLimit setting: `mib` MiB, or for 0 the smaller of 80 % of the
// physical memory and the limit of the process's control group, if it has one.
size_t memory_limit_for_setting(int mib);

}  // namespace zemko
