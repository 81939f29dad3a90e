// A table of bounded size of the partial sequences the exact search has met, by set of
// scheduled jobs: a new partial sequence is dropped when a recorded one of the same set
// dominates it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "exact/prefix_dominance.hpp"
#include "util/huge_page_allocator.hpp"
#include "util/memory_budget.hpp"

namespace zemko {

// Buckets of VISITED_BUCKET_SLOTS slots; a set lives in the bucket its hash selects. The arrays
// are by slot (the sets: `words` 64-bit words per slot), the hashes first so that a bucket's
// hashes share a cache line. A hash of 0 marks a free slot. The table starts small and doubles
// when a full bucket would lose a prefix while half of all slots are taken, until it reaches
// its largest size, or the memory budget or the system refuses it more: it is a cache, and
// works on at the size it has.
inline constexpr int VISITED_BUCKET_SLOTS = 8;
inline constexpr std::size_t VISITED_FIRST_BUCKETS = 1024;
// What the memory budget counts per partial sequence the table may hold: the most a slot takes
// at up to 63 jobs (52 bytes), with room for the table's growth.
inline constexpr std::size_t VISITED_ENTRY_BYTES = 64;

template <typename T>
using HugeVector = std::vector<T, HugePageAllocator<T>>;

struct VisitedStates {
    int words = 0;
    std::uint64_t bucket_mask = 0;
    std::size_t largest_buckets = 1;
    HugeVector<std::uint64_t> hashes;
    HugeVector<std::uint64_t> sets;
    HugeVector<RankedPrefix> prefixes;
    HugeVector<int> scheduled_counts;
    std::size_t occupied = 0;        // slots taken
    MemoryBudget* memory = nullptr;  // where the table's bytes are counted, if anywhere
    MemoryReservation reserved;      // the bytes of the arrays above
};

// A table for instances of `jobs` jobs that holds at most `capacity` prefixes (and at least
// one bucket); it grows to that size only when it needs to. Its bytes are counted in `memory`
// when given; throws MemoryError when not even the first bucket fits.
VisitedStates make_visited_states(int jobs, std::size_t capacity, MemoryBudget* memory = nullptr);

// The 64-bit words of a set of jobs: job j is bit j % 64 of word j / 64.
int set_words(int jobs);

// The hash of a set is the exclusive or of the keys of its jobs, so that it follows the set
// job by job; never 0 (0 marks a free slot, and the empty set is never recorded).
std::uint64_t job_hash_key(int job);

// True when a recorded prefix of the same `set` (with `set_hash`) dominates `prefix`, which
// `remaining` jobs follow. Otherwise records it: in place of the recorded prefixes of the set
// that it dominates, in a free slot, or when the bucket is full and the table at its largest in
// place of the prefix with the most scheduled jobs (the cheapest to search again; the lowest
// slot on ties).
bool dominated_or_recorded(VisitedStates& table, const std::uint64_t* set, std::uint64_t set_hash,
                           const RankedPrefix& prefix, int remaining, int scheduled);

// A table that the workers of one search share. Its buckets are locked by stripes, so that two
// workers rarely wait for each other; a worker that grows the table takes every stripe. Each
// worker with a table of its own missed the partial sequences the others had met, and expanded
// up to half as many nodes again. With 32 stripes two workers seldom meet on one; more would
// not fit a grower, who holds them all at once, in the 64 locks per thread that the thread
// sanitizer follows.
inline constexpr std::size_t VISITED_STRIPES = 32;

struct StripeLock {
    alignas(64) std::mutex mutex;  // a cache line each: the workers touch different stripes
    std::size_t occupied = 0;      // slots taken in the stripe's buckets, under the mutex
};

struct SharedVisitedStates {
    explicit SharedVisitedStates(VisitedStates table_in);
    VisitedStates table;
    std::atomic<std::uint64_t> mask;  // table.bucket_mask, to choose the stripe by
    std::vector<StripeLock> stripes;
};

// dominated_or_recorded on a shared table, from any of its workers at once.
bool dominated_or_recorded(SharedVisitedStates& shared, const std::uint64_t* set,
                           std::uint64_t set_hash, const RankedPrefix& prefix, int remaining,
                           int scheduled);

}  // namespace zemko
