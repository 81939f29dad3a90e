// When the improvement phase must stop: a deadline, a flag set from outside, or neither.
#pragma once

#include <atomic>
#include <chrono>

namespace zemko {

struct StopCheck {
    std::chrono::steady_clock::time_point deadline;
    bool has_deadline = false;
    const std::atomic<bool>* stop = nullptr;
};

inline bool should_stop(const StopCheck& check) {
    if (check.stop != nullptr && check.stop->load(std::memory_order_relaxed)) return true;
    return check.has_deadline && std::chrono::steady_clock::now() >= check.deadline;
}

}  // namespace zemko
