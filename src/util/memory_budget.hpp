// The memory a run may take, counted where it is taken in large blocks (node chunks, tables of
// every engine), so that a run stops cleanly before it passes its ceiling instead of being
// killed by the system. The engines of a run count in one budget from several threads at once.
#pragma once

#include <atomic>
#include <cstddef>

namespace zemko {

struct MemoryBudget {
    size_t limit = 0;                 // bytes the run may take; 0: no ceiling
    std::atomic<size_t> reserved{0};  // bytes taken so far
    std::atomic<size_t> peak{0};      // the most taken at once
};

// Counts `bytes` as taken; throws MemoryError (and counts nothing) when that would pass the
// ceiling.
void reserve_memory(MemoryBudget& budget, size_t bytes);

// Counts `bytes` taken earlier as given back.
void return_memory(MemoryBudget& budget, size_t bytes);

// The bytes the run may still take before its ceiling (all of size_t's range without one).
size_t memory_left(const MemoryBudget& budget);

// Bytes counted in a budget for as long as the reservation lives (none without a budget): what
// an engine's table takes while the engine runs.
class MemoryReservation {
  public:
    MemoryReservation() = default;
    // Throws MemoryError when the budget cannot take `bytes`.
    MemoryReservation(MemoryBudget* budget, size_t bytes);
    MemoryReservation(MemoryReservation&& other) noexcept;
    MemoryReservation& operator=(MemoryReservation&& other) noexcept;
    MemoryReservation(const MemoryReservation&) = delete;
    MemoryReservation& operator=(const MemoryReservation&) = delete;
    ~MemoryReservation();

    size_t bytes() const { return bytes_; }

  private:
    MemoryBudget* budget_ = nullptr;
    size_t bytes_ = 0;
};

// The ceiling of the MemoryLimit setting: `mib` MiB, or for 0 the smallest of 80 % of the
// physical memory, the limit of the process's control group and three quarters of its
// address-space limit, of those it has.
size_t memory_limit_for_setting(int mib);

}  // namespace zemko
