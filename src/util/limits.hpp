// When an engine must stop: a deadline, a flag raised from outside (an interrupt, or the driver
// ending a part early) and a budget of work in the engine's own unit (steps of the walks, nodes
// of the exact search). Every engine takes one; any of the three may be absent. A budget alone
// gives the same result on every run; a deadline cannot.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>

namespace zemko {

using Clock = std::chrono::steady_clock;

struct Limits {
    std::optional<Clock::time_point> deadline;
    const std::atomic<bool>* stop = nullptr;
    long long work_budget = 0;  // units of work at most; 0: no budget
};

inline bool stop_raised(const Limits& limits) {
    return limits.stop != nullptr && limits.stop->load(std::memory_order_relaxed);
}

inline bool past_deadline(const Limits& limits) {
    return limits.deadline && Clock::now() >= *limits.deadline;
}

// True when the flag is raised or the deadline has passed: the engine stops where it is.
inline bool must_stop(const Limits& limits) {
    return stop_raised(limits) || past_deadline(limits);
}

// True when, after `work_done` units, the engine may not begin another one.
inline bool limits_reached(const Limits& limits, long long work_done) {
    return (limits.work_budget > 0 && work_done >= limits.work_budget) || must_stop(limits);
}

// The point `seconds` after `start`.
inline Clock::time_point after_seconds(Clock::time_point start, double seconds) {
    return start +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// Seconds from `from` to `to`: negative when `to` comes first.
inline double seconds_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

inline double seconds_since(Clock::time_point start) {
    return seconds_between(start, Clock::now());
}

// Seconds left until `deadline`: negative once it has passed.
inline double seconds_until(Clock::time_point deadline) {
    return seconds_between(Clock::now(), deadline);
}

// The limits of one part of a run: the run's deadline (if any) and stop flag, and the part's
// own budget of work.
inline Limits part_limits(std::optional<Clock::time_point> deadline, const std::atomic<bool>* stop,
                          long long work_budget = 0) {
    Limits limits;
    limits.deadline = deadline;
    limits.stop = stop;
    limits.work_budget = work_budget;
    return limits;
}

}  // namespace zemko
