#include "exact/visited_states.hpp"

#include <algorithm>
#include <new>

#include "util/memory_error.hpp"

namespace zemko {

int set_words(int jobs) {
    return jobs / 64 + 1;
}

namespace {

std::size_t table_bytes(int words, std::size_t buckets) {
    const std::size_t slot_bytes = sizeof(std::uint64_t) * (1 + static_cast<std::size_t>(words)) +
                                   sizeof(RankedPrefix) + sizeof(int);
    return buckets * VISITED_BUCKET_SLOTS * slot_bytes;
}

void allocate(VisitedStates& table, std::size_t buckets) {
    table.reserved = MemoryReservation(table.memory, table_bytes(table.words, buckets));
    table.bucket_mask = buckets - 1;
    const std::size_t slots = buckets * VISITED_BUCKET_SLOTS;
    table.hashes.assign(slots, 0);
    table.sets.assign(slots * table.words, 0);
    table.prefixes.assign(slots, RankedPrefix{});
    table.scheduled_counts.assign(slots, 0);
}

// Twice the buckets: the prefixes of bucket b move to bucket b or b + old count, in their
// order, so that no bucket overflows and the table's content stays the same. When the memory
// budget or the system refuses the larger table, the table stays as it is, at its largest.
bool grow(VisitedStates& table) {
    VisitedStates larger;
    larger.words = table.words;
    larger.largest_buckets = table.largest_buckets;
    larger.occupied = table.occupied;
    larger.memory = table.memory;
    try {
        allocate(larger, (table.bucket_mask + 1) * 2);
    } catch (const MemoryError&) {
        table.largest_buckets = table.bucket_mask + 1;
        return false;
    } catch (const std::bad_alloc&) {
        table.largest_buckets = table.bucket_mask + 1;
        return false;
    }
    VisitedStates old = std::move(table);
    table = std::move(larger);
    const std::size_t words = static_cast<std::size_t>(table.words);
    std::vector<int> filled((old.bucket_mask + 1) * 2, 0);
    for (std::size_t slot = 0; slot < old.hashes.size(); ++slot) {
        if (old.hashes[slot] == 0) continue;
        const std::size_t bucket = old.hashes[slot] & table.bucket_mask;
        const std::size_t target = bucket * VISITED_BUCKET_SLOTS + filled[bucket]++;
        table.hashes[target] = old.hashes[slot];
        std::copy(old.sets.begin() + slot * words, old.sets.begin() + (slot + 1) * words,
                  table.sets.begin() + target * words);
        table.prefixes[target] = old.prefixes[slot];
        table.scheduled_counts[target] = old.scheduled_counts[slot];
    }
    return true;
}

// The sets are a word or two long: a library call to compare them cost more than the loop.
bool same_set(const std::uint64_t* a, const std::uint64_t* b, std::size_t words) {
    for (std::size_t w = 0; w < words; ++w)
        if (a[w] != b[w]) return false;
    return true;
}

}  // namespace

VisitedStates make_visited_states(int jobs, std::size_t capacity, MemoryBudget* memory) {
    VisitedStates table;
    table.words = set_words(jobs);
    table.memory = memory;
    // No more slots than eight per set of jobs that can occur.
    if (jobs < 40) capacity = std::min(capacity, std::size_t{VISITED_BUCKET_SLOTS} << jobs);
    while (table.largest_buckets * 2 * VISITED_BUCKET_SLOTS <= capacity)
        table.largest_buckets *= 2;
    allocate(table, std::min(table.largest_buckets, VISITED_FIRST_BUCKETS));
    return table;
}

std::uint64_t job_hash_key(int job) {
    std::uint64_t z =
        static_cast<std::uint64_t>(job) * 0x9e3779b97f4a7c15ULL + 0x2545f4914f6cdd1dULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return z | 1;
}

namespace {

enum class BucketOutcome { Dominated, Recorded, WantsRoom };

// The bucket's part of dominated_or_recorded, with `occupied` slots taken in the table before
// it: returns WantsRoom, recording nothing, when the bucket has no slot to give and the table
// should grow first. Slots it frees or fills are added to `occupied_change`.
BucketOutcome probe_bucket(VisitedStates& table, const std::uint64_t* set, std::uint64_t set_hash,
                           const RankedPrefix& prefix, int remaining, int scheduled,
                           std::size_t occupied, std::ptrdiff_t& occupied_change) {
    const std::size_t words = static_cast<std::size_t>(table.words);
    const std::size_t first = (set_hash & table.bucket_mask) * VISITED_BUCKET_SLOTS;
    std::size_t target = first + VISITED_BUCKET_SLOTS;  // where to record: none chosen yet
    bool target_replaces = false;  // target holds a prefix of the set that `prefix` dominates
    for (std::size_t slot = first; slot < first + VISITED_BUCKET_SLOTS; ++slot) {
        const std::uint64_t hash = table.hashes[slot];
        if (hash == 0) {
            if (target == first + VISITED_BUCKET_SLOTS) target = slot;
            continue;
        }
        if (hash != set_hash || !same_set(&table.sets[slot * words], set, words)) continue;
        if (prefix_dominates(table.prefixes[slot], prefix, remaining))
            return BucketOutcome::Dominated;
        if (prefix_dominates(prefix, table.prefixes[slot], remaining)) {
            if (!target_replaces) {
                target = slot;
                target_replaces = true;
            } else {
                table.hashes[slot] = 0;  // a second dominated prefix of the set: freed
                --occupied_change;
            }
        }
    }
    const std::size_t taken = occupied + occupied_change;
    if (target == first + VISITED_BUCKET_SLOTS && table.bucket_mask + 1 < table.largest_buckets &&
        taken * 2 >= table.hashes.size())
        return BucketOutcome::WantsRoom;
    if (target == first + VISITED_BUCKET_SLOTS) {
        target = first;
        for (std::size_t slot = first + 1; slot < first + VISITED_BUCKET_SLOTS; ++slot)
            if (table.scheduled_counts[slot] > table.scheduled_counts[target]) target = slot;
    }
    if (table.hashes[target] == 0) ++occupied_change;
    table.hashes[target] = set_hash;
    std::copy(set, set + words, table.sets.begin() + target * words);
    table.prefixes[target] = prefix;
    table.scheduled_counts[target] = scheduled;
    return BucketOutcome::Recorded;
}

}  // namespace

bool dominated_or_recorded(VisitedStates& table, const std::uint64_t* set, std::uint64_t set_hash,
                           const RankedPrefix& prefix, int remaining, int scheduled) {
    if (set_hash == 0) set_hash = 1;
    for (;;) {
        std::ptrdiff_t change = 0;
        const BucketOutcome outcome = probe_bucket(table, set, set_hash, prefix, remaining,
                                                   scheduled, table.occupied, change);
        table.occupied += change;
        if (outcome != BucketOutcome::WantsRoom) return outcome == BucketOutcome::Dominated;
        grow(table);  // when refused, the table is at its largest and the bucket gives a slot
    }
}

SharedVisitedStates::SharedVisitedStates(VisitedStates table_in)
    : table(std::move(table_in)), mask(table.bucket_mask), stripes(VISITED_STRIPES) {}

bool dominated_or_recorded(SharedVisitedStates& shared, const std::uint64_t* set,
                           std::uint64_t set_hash, const RankedPrefix& prefix, int remaining,
                           int scheduled) {
    if (set_hash == 0) set_hash = 1;
    VisitedStates& table = shared.table;
    for (;;) {
        // A bucket belongs to the stripe of its low bits; while the table has fewer buckets
        // than stripes, that stripe changes as it grows, hence the second look at the mask.
        const std::uint64_t mask = shared.mask.load(std::memory_order_acquire);
        std::size_t buckets = 0;
        {
            StripeLock& stripe = shared.stripes[set_hash & mask & (VISITED_STRIPES - 1)];
            const std::lock_guard<std::mutex> lock(stripe.mutex);
            if (table.bucket_mask != mask) continue;
            buckets = table.bucket_mask + 1;
            // The stripe's count stands for its share of the table: a count of the whole table
            // would be a line that every lookup of every worker writes.
            std::ptrdiff_t change = 0;
            const BucketOutcome outcome =
                probe_bucket(table, set, set_hash, prefix, remaining, scheduled,
                             stripe.occupied * VISITED_STRIPES, change);
            stripe.occupied += change;
            if (outcome != BucketOutcome::WantsRoom) return outcome == BucketOutcome::Dominated;
        }
        // Growing moves every bucket: it takes every stripe, in order, unless another worker
        // grew the table meanwhile.
        for (StripeLock& stripe : shared.stripes)
            stripe.mutex.lock();
        if (table.bucket_mask + 1 == buckets) {
            table.occupied = 0;
            for (const StripeLock& stripe : shared.stripes)
                table.occupied += stripe.occupied;
            grow(table);
            shared.mask.store(table.bucket_mask, std::memory_order_release);
        }
        for (StripeLock& stripe : shared.stripes)
            stripe.mutex.unlock();
    }
}

}  // namespace zemko
