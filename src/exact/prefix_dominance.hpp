// The dominance rule between two partial sequences of the same jobs, the tie keys that decide
// between equally good ones, and the rearrangements of a child's last jobs it is tried on.
#pragma once

#include <cstdint>

#include "exact/prefix_state.hpp"
#include "sequence/job_times.hpp"

namespace zemko {

// A partial sequence as the rule sees it: its state and its tie key.
struct RankedPrefix {
    PrefixState state;
    std::uint64_t tie_key = 0;  // sum of tie_weight(position, job) over its jobs
};

// The tie key's term for `job` at 0-based `position`: below 2^54, so that the key of a whole
// sequence of up to 1024 jobs fits 64 bits without wrapping. Inline: the search takes one per
// child, and more in the move rule.
inline std::uint64_t tie_weight(int position, int job) {
    // splitmix64's finalizer on the pair: fixed, and the same on every machine.
    std::uint64_t z = (static_cast<std::uint64_t>(position) << 32) ^
                      static_cast<std::uint64_t>(job) ^ 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return z >> 10;
}

// True when a may replace b: both hold the same jobs, `remaining` jobs follow, and either
// every completion of b costs more after a, or costs at least as much and a's tie key is the
// smaller.
bool prefix_dominates(const RankedPrefix& a, const RankedPrefix& b, int remaining);

// The prefix up to a child of the search: jobs[k] at position k for k < depth, and before[k]
// the ranked prefix of the first k jobs, for k <= depth.
struct PrefixPath {
    const int* jobs;
    const RankedPrefix* before;
    int depth;
};

// True when the child path + [job] (ranked `child`, `remaining` jobs after it) is dominated
// by the same jobs with `job` moved up to `window` places earlier, or with one of the
// `window` jobs before it moved behind it.
bool dominated_by_moves(const JobTimes& times, const PrefixPath& path, int job,
                        const RankedPrefix& child, int remaining, int window);

}  // namespace zemko
